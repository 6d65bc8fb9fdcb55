#include "platform/trace.h"

#include "platform/paths.h"
#include "platform/process.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>

namespace platform {

namespace {

bool readTraceSetting() {
  const char* value = std::getenv("NIMBRA_TRACE");
  return value && *value && std::string_view(value) != "0";
}

// The name the program was started under, else the executable's own.
std::string programName() {
  const auto& arguments = processArguments();
  std::string name = arguments.empty() ? std::string() : lastPathComponent(arguments.front());
  if (name.empty()) name = lastPathComponent(executablePath());
  return name.empty() ? std::string("nimbra") : name;
}

// Paths, URLs and server texts can carry anything: one trace stays one line,
// and nothing reaches the terminal as a control sequence.
void appendEscaped(std::string& out, std::string_view text) {
  static constexpr char kHex[] = "0123456789abcdef";
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '\n') {
      out += "\\n";
    } else if (c == '\t') {
      out += "\\t";
    } else if (byte < 0x20 || byte == 0x7f) {
      out += "\\x";
      out += kHex[byte >> 4];
      out += kHex[byte & 0xf];
    } else {
      out += c;
    }
  }
}

}  // namespace

bool traceEnabled() {
  static const bool enabled = readTraceSetting();
  return enabled;
}

std::string traceText(std::string_view text) { return std::string(text); }

std::string traceText(const char* text) { return text ? std::string(text) : std::string("(null)"); }

std::string traceText(bool value) { return value ? "YES" : "NO"; }

std::string traceText(double value) {
  char buffer[32];
  const int length = std::snprintf(buffer, sizeof buffer, "%g", value);
  return length > 0 ? std::string(buffer, static_cast<std::size_t>(length)) : std::string();
}

std::string formatTrace(std::string_view format, std::initializer_list<std::string> arguments) {
  // Flags, width, precision and length modifiers that may stand between "%"
  // and the conversion letter; they change nothing here.
  static constexpr std::string_view kModifiers = "-+ #0123456789.*'hlqjztL";
  std::string out;
  const std::string* next = arguments.begin();
  for (std::size_t i = 0; i < format.size(); ++i) {
    if (format[i] != '%') {
      out += format[i];
      continue;
    }
    if (i + 1 < format.size() && format[i + 1] == '%') {
      out += '%';
      ++i;
      continue;
    }
    std::size_t j = i + 1;
    while (j < format.size() && kModifiers.find(format[j]) != std::string_view::npos) ++j;
    if (j == format.size()) {  // a "%" with no conversion: kept as written
      out += format.substr(i);
      break;
    }
    out += next != arguments.end() ? *next++ : std::string("(missing)");
    i = j;
  }
  return out;
}

void writeTraceLine(std::string_view text) {
  static const std::string name = programName();
  std::string line;
  line.reserve(name.size() + text.size() + 3);
  appendEscaped(line, name);
  line += ": ";
  appendEscaped(line, text);
  line += '\n';
  // One write per line: lines of several processes on one terminal do not
  // mix, and nothing waits in a stdio buffer when the process ends.
  std::string_view rest = line;
  while (!rest.empty()) {
    const ssize_t written = ::write(STDERR_FILENO, rest.data(), rest.size());
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return;
    rest.remove_prefix(static_cast<std::size_t>(written));
  }
}

}  // namespace platform
