#include "install/scanner.h"

#include <limits>

namespace install {

namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// Length of the white space or line break (UTF-8) at the start of `text`, or 0.
std::size_t whiteSpaceLength(std::string_view text) {
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
  if (text.empty()) return 0;
  const unsigned char first = byte(0);
  if (first == ' ' || (first >= 0x09 && first <= 0x0D)) return 1;
  if (text.size() >= 2 && first == 0xC2 && (byte(1) == 0x85 || byte(1) == 0xA0)) return 2;
  if (text.size() < 3 || (first & 0xF0) != 0xE0 || (byte(1) & 0xC0) != 0x80 ||
      (byte(2) & 0xC0) != 0x80)
    return 0;
  const char32_t c = char32_t(first & 0x0F) << 12 | char32_t(byte(1) & 0x3F) << 6 | (byte(2) & 0x3F);
  const bool space = c == 0x1680 || (c >= 0x2000 && c <= 0x200A) || c == 0x2028 ||
                     c == 0x2029 || c == 0x202F || c == 0x205F || c == 0x3000;
  return space ? 3 : 0;
}

}  // namespace

std::size_t Scanner::skippingWhiteSpace(std::size_t from) const {
  while (from < text_.size()) {
    const std::size_t length = whiteSpaceLength(text_.substr(from));
    if (length == 0) break;
    from += length;
  }
  return from;
}

bool Scanner::scanInt(int32_t& value) {
  std::size_t at = skippingWhiteSpace(location_);
  bool negative = false;
  if (at < text_.size() && (text_[at] == '+' || text_[at] == '-')) negative = text_[at++] == '-';
  if (at >= text_.size() || !isDigit(text_[at])) return false;

  // Magnitude limit: 2147483648 for a negative number, 2147483647 otherwise.
  const int64_t limit = int64_t{std::numeric_limits<int32_t>::max()} + (negative ? 1 : 0);
  int64_t magnitude = 0;
  bool overflow = false;
  for (; at < text_.size() && isDigit(text_[at]); ++at) {
    magnitude = magnitude * 10 + (text_[at] - '0');
    if (magnitude > limit) {
      overflow = true;
      magnitude = limit;  // keeps the arithmetic bounded while the digits run on
    }
  }
  if (overflow) return false;
  value = static_cast<int32_t>(negative ? -magnitude : magnitude);
  location_ = at;
  return true;
}

bool Scanner::scanString(std::string_view literal) {
  const std::size_t at = skippingWhiteSpace(location_);
  if (text_.substr(at).substr(0, literal.size()) != literal) return false;
  location_ = at + literal.size();
  return true;
}

}  // namespace install
