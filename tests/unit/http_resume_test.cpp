#include "platform/http_resume.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using platform::ContentRange;
using platform::ifRangeValidator;
using platform::parseContentRange;

TEST(ContentRangeField, OnlyAWholeWellFormedByteRangeIsRead) {
  struct Case {
    const char* value;
    bool valid;
    ContentRange expected;
  } cases[] = {
      {"bytes 50000-99999/100000", true, {50000, 99999, 100000}},
      {"bytes 0-0/1", true, {0, 0, 1}},
      {"bytes 10-19/*", true, {10, 19, -1}},
      {"bytes 4294967296-8589934591/8589934592", true, {4294967296, 8589934591, 8589934592}},
      {"bytes 10-9/100", false, {}},       // ends before it starts
      {"bytes 10-100/100", false, {}},     // beyond the total
      {"bytes */100", false, {}},          // an unsatisfied range
      {"bytes -5-10/100", false, {}},
      {"bytes +5-10/100", false, {}},
      {"bytes 5-10/100 ", false, {}},
      {"bytes  5-10/100", false, {}},
      {"Bytes 5-10/100", false, {}},
      {"items 5-10/100", false, {}},
      {"bytes 5-10", false, {}},
      {"bytes 5/10-100", false, {}},
      {"bytes 99999999999999999999-1/2", false, {}},  // overflows
      {"bytes 1-2/99999999999999999999", false, {}},
      {"", false, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.value);
    auto range = parseContentRange(c.value);
    ASSERT_EQ(range.has_value(), c.valid);
    if (!range) continue;
    EXPECT_EQ(range->first, c.expected.first);
    EXPECT_EQ(range->last, c.expected.last);
    EXPECT_EQ(range->total, c.expected.total);
  }
}

TEST(IfRangeValidator, IsAStrongETagElseADateProvenOlderThanTheResponse) {
  const char* date = "Fri, 11 Dec 2026 15:00:00 GMT";
  struct Case {
    const char* etag;
    const char* lastModified;
    const char* date;
    std::string expected;
  } cases[] = {
      {"\"v1\"", "", "", "\"v1\""},
      {"\"v1\"", "Mon, 01 Jan 2024 00:00:00 GMT", date, "\"v1\""},
      // A weak tag may not guard a range, and it rules out the date too.
      {"W/\"v1\"", "Mon, 01 Jan 2024 00:00:00 GMT", date, ""},
      {"v1", "", "", ""},
      {"", "Mon, 01 Jan 2024 00:00:00 GMT", date, "Mon, 01 Jan 2024 00:00:00 GMT"},
      {"", "Fri, 11 Dec 2026 14:59:59 GMT", date, "Fri, 11 Dec 2026 14:59:59 GMT"},
      // Changed within the second the response was made: too weak.
      {"", date, date, ""},
      {"", "Sat, 12 Dec 2026 00:00:00 GMT", date, ""},
      {"", "Mon, 01 Jan 2024 00:00:00 GMT", "", ""},
      {"", "not a date", date, ""},
      {"", "", "", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.etag) + " | " + c.lastModified + " | " + c.date);
    EXPECT_EQ(ifRangeValidator(c.etag, c.lastModified, c.date), c.expected);
  }
}

}  // namespace
