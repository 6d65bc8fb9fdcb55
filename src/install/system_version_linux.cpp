#include "install/system_version.h"

#include "platform/paths.h"
#include "platform/plist.h"
#include "platform/process_info.h"

#include <limits>
#include <string>
#include <vector>

namespace {

// The ProductVersion of the system's version file split at every "."; no
// parts when the file, its dictionary or the key is missing.
std::vector<std::string> productVersionParts() {
  const auto folders = platform::searchPathForDirectories(platform::CoreServiceDirectory,
                                                          platform::SystemDomainMask);
  if (folders.empty()) return {};
  const platform::Plist plist =
      platform::readPlistFile(platform::appendingPathComponent(folders.front(), "SystemVersion.plist"));
  const auto version = platform::dictionaryString(plist.get(), "ProductVersion");
  if (!version) return {};

  std::vector<std::string> parts;
  std::size_t start = 0;
  for (std::size_t dot; (dot = version->find('.', start)) != std::string::npos; start = dot + 1)
    parts.push_back(version->substr(start, dot - start));
  parts.push_back(version->substr(start));
  return parts;
}

// The value of the leading decimal digits, 0 when there are none; held at the
// largest 32-bit signed value, as the platform's integer reading does.
uint32_t leadingValue(const std::string& part) {
  constexpr uint32_t kLimit = std::numeric_limits<int32_t>::max();
  uint32_t value = 0;
  for (char c : part) {
    if (c < '0' || c > '9') break;
    const uint32_t digit = static_cast<uint32_t>(c - '0');
    value = value > (kLimit - digit) / 10 ? kLimit : value * 10 + digit;
  }
  return value;
}

}  // namespace

void ObtainMacSystemVersion(uint32_t* major, uint32_t* minor, uint32_t* patch) {
  if (const auto version = platform::operatingSystemVersion()) {
    *major = static_cast<uint32_t>(version->majorVersion);
    *minor = static_cast<uint32_t>(version->minorVersion);
    *patch = static_cast<uint32_t>(version->patchVersion);
    return;
  }
  const std::vector<std::string> parts = productVersionParts();
  *major = parts.size() > 0 ? leadingValue(parts[0]) : 10;
  *minor = parts.size() > 1 ? leadingValue(parts[1]) : 0;
  *patch = parts.size() > 2 ? leadingValue(parts[2]) : 0;
}
