#include "messages/embedded_messages.h"

#include "platform/languages.h"

namespace {

void appendUtf8(std::string& out, char32_t unit) {
  if (unit >= 0xD800 && (unit <= 0xDFFF || unit > 0x10FFFF)) unit = 0xFFFD;
  if (unit < 0x80) {
    out += static_cast<char>(unit);
  } else if (unit < 0x800) {
    out += static_cast<char>(0xC0 | (unit >> 6));
    out += static_cast<char>(0x80 | (unit & 0x3F));
  } else if (unit < 0x10000) {
    out += static_cast<char>(0xE0 | (unit >> 12));
    out += static_cast<char>(0x80 | ((unit >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (unit & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (unit >> 18));
    out += static_cast<char>(0x80 | ((unit >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((unit >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (unit & 0x3F));
  }
}

}  // namespace

std::string wchartoNSString(const char32_t* text) {
  std::string out;
  if (text == nullptr) return out;
  for (; *text != 0; ++text) appendUtf8(out, *text);
  return out;
}

int32_t FindMessageIndex(const std::string& locale, bool& found) {
  found = false;
  for (int32_t row = 0; row < kFallbackRow; ++row) {
    if (locale == kCatalogueRows[row].locale) {
      found = true;
      return row;
    }
  }
  return kFallbackRow;
}

int32_t MessageIndexForLanguages(const std::vector<std::string>& canonicalLanguages) {
  for (const std::string& language : canonicalLanguages) {
    bool found = false;
    int32_t row = FindMessageIndex(language, found);
    if (found) return row;
    // One cut only: zh-Hans-CN becomes zh-Hans, sr-Latn-RS stops at sr-Latn.
    if (size_t dash = language.rfind('-'); dash != std::string::npos) {
      row = FindMessageIndex(language.substr(0, dash), found);
      if (found) return row;
    }
  }
  return kFallbackRow;
}

int32_t GetFatalErrorMessageIndex() {
  return MessageIndexForLanguages(platform::preferredLanguages());
}
