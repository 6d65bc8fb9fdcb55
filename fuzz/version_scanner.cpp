// The runtime version read from a CFBundleVersion text.
#include "check.h"
#include "install/install.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  install::RuntimeVersionInfo info{7, 7, 7, 7};
  const int status = install::scanRuntimeVersion(text, info);
  FUZZ_CHECK(status == 0 || status == -3);
  if (status != 0) {
    // A failed read leaves the caller's record alone.
    FUZZ_CHECK(info.major == 7 && info.minor == 7 && info.revision == 7 && info.build == 7);
    return 0;
  }
  // What was read, written back plainly, reads the same.
  const std::string plain = std::to_string(info.major) + '.' + std::to_string(info.minor) + '.' +
                            std::to_string(info.revision) + '.' + std::to_string(info.build);
  install::RuntimeVersionInfo again;
  FUZZ_CHECK(install::scanRuntimeVersion(plain, again) == 0);
  FUZZ_CHECK(again.major == info.major && again.minor == info.minor &&
             again.revision == info.revision && again.build == info.build);
  return 0;
}
