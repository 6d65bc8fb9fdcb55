// The process-information object's view of the operating system.
#pragma once

#include <cstdint>
#include <optional>

namespace platform {

struct OperatingSystemVersion {
  int64_t majorVersion = 0;
  int64_t minorVersion = 0;
  int64_t patchVersion = 0;
};

// The operating-system version record, when the process-information object
// offers one. On Linux it does not: callers fall back to the system's
// version file.
std::optional<OperatingSystemVersion> operatingSystemVersion();

// Tests make operatingSystemVersion() report `version` (nothing included)
// until clearOperatingSystemVersionForTesting().
void setOperatingSystemVersionForTesting(std::optional<OperatingSystemVersion> version);
void clearOperatingSystemVersionForTesting();

}  // namespace platform
