#include "launcher/ErrorDialogController.h"
#include "launcher/LinkMarkup.h"
#include "platform/run_loop.h"

#include <gtest/gtest.h>

#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace platform {

void PrintTo(const AttributedRun& run, std::ostream* out) {
  *out << '"' << run.text << '"';
  if (run.attributes.link) *out << " link=\"" << *run.attributes.link << '"';
  if (run.attributes.foregroundColor) *out << " colour";
  if (run.attributes.underlineStyle) *out << " underline=" << *run.attributes.underlineStyle;
}

}  // namespace platform

namespace {

using platform::AttributedRun;
using platform::AttributedString;
using platform::TextAttributes;

AttributedRun plain(std::string text) { return {std::move(text), {}}; }
AttributedRun link(std::string text, std::string address) {
  return {std::move(text),
          TextAttributes{std::move(address), platform::Color::Blue, platform::UnderlineStyleSingle}};
}

TEST(LinkMarkupTest, SegmentsAndTheirAttributes) {
  struct Case {
    const char* what;
    std::optional<std::string> message;
    AttributedString shown;
  } cases[] = {
      {"no markup", "just text", {plain("just text")}},
      {"link in the middle", "see <a href='http://x/'>here</a> now",
       {plain("see "), link("here", "http://x/"), plain(" now")}},
      {"ends with the end tag: no empty segment after it", "see <a href='u'>t</a>",
       {plain("see "), link("t", "u")}},
      {"begins with a link: an empty segment first", "<a href='u'>t</a> after",
       {plain(""), link("t", "u"), plain(" after")}},
      {"two links in a row", "<a href='1'>one</a><a href='2'>two</a>",
       {plain(""), link("one", "1"), plain(""), link("two", "2")}},
      {"opening tag without its closing quote", "a <a href='u>t</a>",
       {plain("a <a href='u>t</a>")}},
      {"no end tag", "a <a href='u'>t", {plain("a <a href='u'>t")}},
      {"a complete link stays one before incomplete markup",
       "<a href='1'>one</a> then <a href='2'>two",
       {plain(""), link("one", "1"), plain(" then <a href='2'>two")}},
      {"double quotes are not markup", "a <a href=\"u\">t</a>", {plain("a <a href=\"u\">t</a>")}},
      {"capitals are not markup", "<A HREF='u'>t</A>", {plain("<A HREF='u'>t</A>")}},
      {"empty link text", "x<a href='u'></a>y", {plain("x"), link("", "u"), plain("y")}},
      {"empty address", "x<a href=''>t</a>", {plain("x"), link("t", "")}},
      {"an opening tag inside a link text belongs to it",
       "<a href='1'>a <a href='2'>b</a> c</a>",
       {plain(""), link("a <a href='2'>b", "1"), plain(" c</a>")}},
      {"the address ends at the first closing quote", "<a href='u'x'>t</a>",
       {plain(""), link("t", "u'x")}},
      {"multi-byte text around a link", "\xe8\xa6\x81<a href='u'>\xd0\xb6</a>\xe6\x9b\xb4",
       {plain("\xe8\xa6\x81"), link("\xd0\xb6", "u"), plain("\xe6\x9b\xb4")}},
      {"empty message", "", {}},
      {"nil message", std::nullopt, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(attributedMessage(c.message), c.shown);
  }
}

TEST(LinkMarkupTest, AnyBytesAreSplitWithoutLoss) {
  // Bytes that are not UTF-8, and a NUL inside: plain text, kept whole.
  const std::string bytes("\xff\x00<a href='\xfe'>\x80</a>", 19);
  const std::vector<LinkSegment> segments = parseLinkMarkup(bytes);
  ASSERT_EQ(segments.size(), 2u);
  EXPECT_EQ(segments[0], (LinkSegment{std::string("\xff\x00", 2), std::nullopt}));
  EXPECT_EQ(segments[1], (LinkSegment{"\x80", "\xfe"}));
}

// Without a display (the unit tests run without one) the dialog is written
// to standard error and its button is pressed for the user.
TEST(ErrorDialogControllerTest, ShowsTheMessageAndOKEndsTheModalRunWith1) {
  ErrorDialogController controller("ErrorDialog");
  EXPECT_EQ(controller.textView, nullptr);
  platform::DialogWindow& window = controller.window();
  ASSERT_NE(controller.textView, nullptr);
  ASSERT_NE(controller.okButton, nullptr);

  controller.setMessage("Read <a href='http://x/'>this</a>.", "D'accord", "Install Sample");
  EXPECT_EQ(window.title(), "Install Sample");
  EXPECT_EQ(controller.okButton->title(), "D'accord");
  EXPECT_EQ(controller.textView->attributedString(),
            (AttributedString{plain("Read "), link("this", "http://x/"), plain(".")}));

  ::testing::internal::CaptureStderr();
  const int code = window.runModal();
  EXPECT_EQ(::testing::internal::GetCapturedStderr(),
            "[dialog] Install Sample\nRead this <http://x/>.\n[D'accord]\n");
  EXPECT_EQ(code, 1);
}

TEST(ErrorDialogControllerTest, OKStopsTheModalRunItIsCalledFrom) {
  ErrorDialogController controller("ErrorDialog");
  platform::RunLoop& loop = platform::RunLoop::main();
  loop.addIdle([&] { controller.OK(nullptr); });
  EXPECT_EQ(loop.runModal(), 1);
}

}  // namespace
