#include "platform/trace.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>

namespace {

using platform::formatTrace;
using platform::traceText;

TEST(TraceTest, FormatsWithoutTrustingTheConversions) {
  struct Case {
    const char* format;
    std::initializer_list<std::string> arguments;
    std::string expected;
  } cases[] = {
      {"Info: URL is %@", {"http://x/a"}, "Info: URL is http://x/a"},
      {"%@ %@", {"a", "b"}, "a b"},
      // Every conversion takes the next argument's own text.
      {"Info: Asked to decode %@, response %d", {"text/plain", "0"},
       "Info: Asked to decode text/plain, response 0"},
      {"%qi bytes of type %@", {"-1", "x"}, "-1 bytes of type x"},
      {"%s and %n and %08.3lf", {"one", "two", "three"}, "one and two and three"},
      {"100%% sure", {}, "100% sure"},
      {"%@ and %@", {"only"}, "only and (missing)"},
      {"extra", {"ignored"}, "extra"},
      {"ends with %", {}, "ends with %"},
      {"ends with %-", {}, "ends with %-"},
      // An argument's own percent signs are text.
      {"%@", {"%s%n%@"}, "%s%n%@"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.format);
    EXPECT_EQ(formatTrace(c.format, c.arguments), c.expected);
  }
}

TEST(TraceTest, TextOfEachKindOfArgument) {
  const char* none = nullptr;
  EXPECT_EQ(traceText(none), "(null)");
  EXPECT_EQ(traceText("text"), "text");
  EXPECT_EQ(traceText(std::string("text")), "text");
  EXPECT_EQ(traceText(std::optional<std::string>()), "(null)");
  EXPECT_EQ(traceText(std::optional<std::string>("path")), "path");
  EXPECT_EQ(traceText(INT64_C(-9000000000)), "-9000000000");
  EXPECT_EQ(traceText(uint64_t{18446744073709551615u}), "18446744073709551615");
  EXPECT_EQ(traceText(true), "YES");
  EXPECT_EQ(traceText(2.5), "2.5");
}

TEST(TraceTest, OneLineWhateverTheTextHolds) {
  ::testing::internal::CaptureStderr();
  platform::writeTraceLine("a\nb\tc\x1b[31md\x7f");
  const std::string written = ::testing::internal::GetCapturedStderr();
  const std::string tail = ": a\\nb\\tc\\x1b[31md\\x7f\n";
  ASSERT_GT(written.size(), tail.size());
  EXPECT_EQ(written.substr(written.size() - tail.size()), tail);
  EXPECT_EQ(written.find('\n'), written.size() - 1);
}

}  // namespace
