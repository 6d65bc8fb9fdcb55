#include "install/system_version.h"

const MacSystemVersion MacSystemVersion::sMacSystemVersionUninitialized{};
MacSystemVersion MacSystemVersion::sCachedSystemVersion{};

MacSystemVersion MacSystemVersion::GetSystemVersion() {
  uint32_t major = 0, minor = 0, patch = 0;
  ObtainMacSystemVersion(&major, &minor, &patch);
  // Only the low 16 bits of each number are kept.
  return MacSystemVersion{static_cast<uint16_t>(major), static_cast<uint16_t>(minor),
                          static_cast<uint16_t>(patch), 0};
}
