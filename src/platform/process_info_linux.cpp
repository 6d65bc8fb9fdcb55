#include "platform/process_info.h"

namespace platform {

namespace {
// Set: tests decide what the process-information object reports.
std::optional<std::optional<OperatingSystemVersion>>& testVersion() {
  static std::optional<std::optional<OperatingSystemVersion>> version;
  return version;
}
}  // namespace

std::optional<OperatingSystemVersion> operatingSystemVersion() {
  if (testVersion()) return *testVersion();
  return std::nullopt;
}

void setOperatingSystemVersionForTesting(std::optional<OperatingSystemVersion> version) {
  testVersion() = version;
}

void clearOperatingSystemVersionForTesting() { testVersion().reset(); }

}  // namespace platform
