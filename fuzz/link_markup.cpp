// Arbitrary bytes as a dialog message with link markup.
#include "check.h"
#include "launcher/LinkMarkup.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view message(reinterpret_cast<const char*>(data), size);
  // Nothing is lost or invented: the segments, written back with their
  // markup, are the message again.
  std::string again;
  for (const LinkSegment& segment : parseLinkMarkup(message)) {
    if (segment.address) {
      FUZZ_CHECK(segment.text.find("</a>") == std::string::npos);
      again += "<a href='" + *segment.address + "'>" + segment.text + "</a>";
    } else {
      again += segment.text;
    }
  }
  FUZZ_CHECK(again == message);
  return 0;
}
