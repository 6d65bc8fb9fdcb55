// An information dictionary (XML or binary property list) and the values the
// programs read from it: the runtime version, the executable's name.
#include "check.h"
#include "install/install.h"
#include "platform/plist.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const platform::Plist info =
      platform::plistFromMemory(std::string_view(reinterpret_cast<const char*>(data), size));
  if (!info) return 0;
  for (const char* key : {"CFBundleExecutable", "CFBundleIdentifier", "ProductVersion"})
    (void)platform::dictionaryString(info.get(), key);
  if (const auto version = platform::dictionaryString(info.get(), "CFBundleVersion")) {
    install::RuntimeVersionInfo read;
    const int status = install::scanRuntimeVersion(*version, read);
    FUZZ_CHECK(status == 0 || status == -3);
  }
  return 0;
}
