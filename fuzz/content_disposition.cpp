// The file name a response suggests: the input is a Content-Disposition value,
// a line feed, then the URL.
#include "check.h"
#include "platform/url_download.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const std::size_t newline = std::min(input.find('\n'), input.size());
  const std::string_view disposition = input.substr(0, newline);
  const std::string_view url = input.substr(std::min(newline + 1, input.size()));

  // Whatever the server sends, the name stays one plain file name in the
  // temporary folder.
  const std::string name = platform::suggestedFilename(disposition, url);
  FUZZ_CHECK(!name.empty() && name.size() <= 255);
  FUZZ_CHECK(name != "." && name != "..");
  FUZZ_CHECK(name.find_first_of("/\\") == std::string::npos);
  FUZZ_CHECK(std::none_of(name.begin(), name.end(), [](char c) {
    return static_cast<unsigned char>(c) < 0x20 || c == 0x7f;
  }));
  FUZZ_CHECK(name.front() != ' ' && name.back() != ' ');

  // So does each numbered name made from it when the name is taken.
  for (unsigned number : {1u, 4294967295u}) {
    const std::string numbered = platform::numberedFilename(name, number);
    FUZZ_CHECK(!numbered.empty() && numbered.size() <= 255);
    FUZZ_CHECK(numbered.find_first_of("/\\") == std::string::npos);
  }
  return 0;
}
