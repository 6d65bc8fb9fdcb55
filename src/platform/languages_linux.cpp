#include "platform/languages.h"

#include <array>
#include <cstdlib>
#include <utility>

namespace platform {

namespace {

constexpr std::array<std::pair<std::string_view, std::string_view>, 3> kScriptModifiers{{
    {"latin", "Latn"},
    {"cyrillic", "Cyrl"},
    {"devanagari", "Deva"},
}};

bool isScriptSubtag(std::string_view subtag) {
  if (subtag.size() != 4) return false;
  for (char c : subtag) {
    if (!((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'))) return false;
  }
  return true;
}

// The script written for Chinese without one: traditional where it is the
// usual one, simplified elsewhere.
std::string_view chineseScript(std::string_view territory) {
  return territory == "TW" || territory == "HK" || territory == "MO" ? "Hant" : "Hans";
}

const char* nonEmptyEnv(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr && *value != '\0' ? value : nullptr;
}

}  // namespace

std::optional<std::string> canonicalLanguageIdentifier(std::string_view name) {
  std::string_view modifier;
  if (size_t at = name.find('@'); at != std::string_view::npos) {
    modifier = name.substr(at + 1);
    name = name.substr(0, at);
  }
  if (size_t dot = name.find('.'); dot != std::string_view::npos) name = name.substr(0, dot);

  std::string_view language = name;
  std::string_view rest;
  if (size_t sep = name.find_first_of("_-"); sep != std::string_view::npos) {
    language = name.substr(0, sep);
    rest = name.substr(sep + 1);
  }
  // Also "C-" and the like, lest "C" pass for a language.
  if (language.empty() || language == "C" || language == "POSIX") return std::nullopt;

  std::string_view firstSubtag = rest.substr(0, rest.find_first_of("_-"));
  std::string_view script;
  if (!isScriptSubtag(firstSubtag)) {
    for (const auto& [modifierName, scriptName] : kScriptModifiers) {
      if (modifier == modifierName) script = scriptName;
    }
    if (script.empty() && language == "zh") script = chineseScript(firstSubtag);
  }

  std::string identifier(language);
  if (!script.empty()) {
    identifier += '-';
    identifier += script;
  }
  if (!rest.empty()) {
    identifier += '-';
    for (char c : rest) identifier += c == '_' ? '-' : c;
  }
  return identifier;
}

std::vector<std::string> preferredLanguages() {
  std::vector<std::string> names;
  if (const char* list = nonEmptyEnv("LANGUAGE")) {
    std::string_view rest(list);
    while (!rest.empty()) {
      size_t colon = rest.find(':');
      names.emplace_back(rest.substr(0, colon));
      rest = colon == std::string_view::npos ? std::string_view() : rest.substr(colon + 1);
    }
  }
  for (const char* variable : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    if (const char* value = nonEmptyEnv(variable)) {
      names.emplace_back(value);
      break;
    }
  }

  std::vector<std::string> languages;
  for (const std::string& name : names) {
    if (auto identifier = canonicalLanguageIdentifier(name)) {
      languages.push_back(std::move(*identifier));
    }
  }
  return languages;
}

}  // namespace platform
