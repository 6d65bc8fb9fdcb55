#include "platform/http_resume.h"

#include <curl/curl.h>

#include <charconv>

namespace platform {

namespace {

// Digits only, no sign or space, no overflow.
template <typename Number>
bool parseNumber(std::string_view text, Number& value) {
  if (text.empty() || text.front() < '0' || text.front() > '9') return false;
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  return error == std::errc() && end == text.data() + text.size();
}

}  // namespace

std::optional<ContentRange> parseContentRange(std::string_view value) {
  constexpr std::string_view unit = "bytes ";
  if (!value.starts_with(unit)) return std::nullopt;
  value.remove_prefix(unit.size());
  const std::size_t dash = value.find('-');
  const std::size_t slash = value.find('/');
  if (dash == std::string_view::npos || slash == std::string_view::npos || dash > slash)
    return std::nullopt;
  ContentRange range;
  if (!parseNumber(value.substr(0, dash), range.first) ||
      !parseNumber(value.substr(dash + 1, slash - dash - 1), range.last) ||
      range.last < range.first)
    return std::nullopt;
  const std::string_view total = value.substr(slash + 1);
  if (total != "*") {
    if (!parseNumber(total, range.total) || range.last >= static_cast<uint64_t>(range.total))
      return std::nullopt;
  }
  return range;
}

std::string ifRangeValidator(std::string_view etag, std::string_view lastModified,
                             std::string_view date) {
  if (etag.size() >= 2 && etag.front() == '"' && etag.back() == '"') return std::string(etag);
  if (!etag.empty() || lastModified.empty() || date.empty()) return {};
  const time_t modified = curl_getdate(std::string(lastModified).c_str(), nullptr);
  const time_t sent = curl_getdate(std::string(date).c_str(), nullptr);
  if (modified < 0 || sent < 0 || sent - modified < 1) return {};
  return std::string(lastModified);
}

}  // namespace platform
