// What taking up a broken transfer needs from HTTP: the validator that
// guards the Range request, and the Content-Range of the answer.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace platform {

// "bytes FIRST-LAST/TOTAL"; total is -1 for "*".
struct ContentRange {
  uint64_t first = 0;
  uint64_t last = 0;
  int64_t total = -1;
};
std::optional<ContentRange> parseContentRange(std::string_view value);

// The If-Range value for a body with these header values: its ETag unless
// weak, else its Last-Modified date when the Date shows it to be at least a
// second older than the response (a date in the same second as a change
// cannot tell two versions apart). Empty when nothing fits: such a body is
// not resumed, since appending to it could splice two versions.
std::string ifRangeValidator(std::string_view etag, std::string_view lastModified,
                             std::string_view date);

}  // namespace platform
