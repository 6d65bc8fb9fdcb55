// Runtime discovery, platform information and the update marker on this
// platform.
#include "install/install.h"

#include "platform/bundle.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "platform/trace.h"

namespace install {

namespace {
constexpr int kFailure = -3;
constexpr const char* kFrameworkPath = "Frameworks/Zandrel Nimbra.framework";
}  // namespace

std::optional<std::string> getRuntimeLocation() {
  // Only machine-wide installs count; the user's own Library is not searched.
  const auto libraries = platform::searchPathForDirectories(
      platform::LibraryDirectory,
      platform::LocalDomainMask | platform::NetworkDomainMask | platform::SystemDomainMask);
  for (const auto& library : libraries) {
    std::string candidate = platform::appendingPathComponent(library, kFrameworkPath);
    const bool found = platform::fileExists(candidate);
    platform::trace("Info: Runtime location %@: %@", candidate, found ? "found" : "nothing there");
    if (found) return candidate;
  }
  platform::trace("Info: No installed runtime found");
  return std::nullopt;
}

int platform_getRuntimeVersion(RuntimeVersionInfo& info) {
  const auto location = getRuntimeLocation();
  if (!location) return kFailure;
  return platform_getFileVersion(location->c_str(), info);
}

int platform_getFileVersion(const char* path, RuntimeVersionInfo& info) {
  if (!path) return kFailure;
  const auto bundle = platform::Bundle::withPath(path);
  if (!bundle) return kFailure;
  const auto version = bundle->infoString("CFBundleVersion");
  if (!version) {
    platform::trace("Warning: No CFBundleVersion in the runtime at %@", path);
    return kFailure;
  }
  if (scanRuntimeVersion(*version, info) != 0) {
    platform::trace("Warning: Runtime version %@ at %@ is not four numbers", version, path);
    return kFailure;
  }
  return 0;
}

void platform_getPlatformInfo(PlatformInfo& info) {
  info.os = 2;
  if (MacSystemVersion::sCachedSystemVersion == MacSystemVersion::sMacSystemVersionUninitialized)
    MacSystemVersion::sCachedSystemVersion = MacSystemVersion::GetSystemVersion();
  const MacSystemVersion& version = MacSystemVersion::sCachedSystemVersion;
  info.osMajorVersion = version.major;
  info.osMinorVersion = version.minor;
  info.osPatchVersion = version.patch;
  info.processor = 1;
}

bool platform_updateDisabledFileExists() {
  const auto support = platform::searchPathForDirectories(platform::ApplicationSupportDirectory,
                                                          platform::UserDomainMask);
  if (support.empty()) return false;
  // Anything there counts, a file of any content or a folder; it is never read.
  return platform::fileExists(
      platform::appendingPathComponent(support.front(), "Zandrel/Nimbra/updateDisabled"));
}

int32_t platform_getConfigurationValue(const char* /*key*/) {
  // No administrator configuration store exists on this platform.
  return 0;
}

}  // namespace install
