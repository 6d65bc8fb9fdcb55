// Opt-in diagnostic traces: silent unless the environment variable
// NIMBRA_TRACE is set to something other than "" or "0"; then each trace is
// one line on standard error, "<program name>: <text>". Traces never reach the
// install log or standard output.
//
// The format is printf-like, but nothing is handed to printf: "%%" is a
// percent sign, and every other conversion ("%@", "%d", "%qi", "%s", ...)
// stands for the next argument, written as its own type says, whatever the
// conversion letter claims.
#pragma once

#include <concepts>
#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>

namespace platform {

// Read once, on the first call.
bool traceEnabled();

// The text of one argument.
std::string traceText(std::string_view text);
inline std::string traceText(const std::string& text) { return traceText(std::string_view(text)); }
std::string traceText(const char* text);  // "(null)" for none
std::string traceText(bool value);
std::string traceText(double value);
template <std::integral T>
  requires(!std::same_as<T, bool> && !std::same_as<T, char>)
std::string traceText(T value) {
  return std::to_string(value);
}
template <typename T>
std::string traceText(const std::optional<T>& value) {
  return value ? traceText(*value) : std::string("(null)");
}

// The format filled in with the arguments' texts; a conversion without an
// argument left reads "(missing)".
std::string formatTrace(std::string_view format, std::initializer_list<std::string> arguments);

// Writes one trace line, control characters escaped, in a single write.
void writeTraceLine(std::string_view text);

template <typename... Arguments>
void trace(const char* format, const Arguments&... arguments) {
  if (!traceEnabled()) return;
  writeTraceLine(formatTrace(format ? format : "", {traceText(arguments)...}));
}

}  // namespace platform
