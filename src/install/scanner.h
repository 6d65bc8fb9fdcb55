// A text scanner with the platform scanner's default rules: white space and
// line breaks are skipped before each item, and a failed scan leaves the
// position where it was.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace install {

class Scanner {
 public:
  explicit Scanner(std::string_view text) : text_(text) {}

  // An optional sign, then decimal digits. A number outside the 32-bit range
  // is refused rather than clamped: a clamped value would read as a real,
  // very new version.
  bool scanInt(int32_t& value);
  // Exactly `literal`.
  bool scanString(std::string_view literal);

 private:
  // Where the white space and line breaks starting at `from` end.
  std::size_t skippingWhiteSpace(std::size_t from) const;

  std::string_view text_;
  std::size_t location_ = 0;
};

}  // namespace install
