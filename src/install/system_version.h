// The system version, read once per process and kept in a process-wide cache.
#pragma once

#include <compare>
#include <cstdint>

class MacSystemVersion {
 public:
  uint16_t major = 0;
  uint16_t minor = 0;
  uint16_t patch = 0;
  uint16_t reserved = 0;

  // The system's version as it reports it now (no cache involved).
  static MacSystemVersion GetSystemVersion();

  // 0.0.0.0: the version has not been read yet.
  static const MacSystemVersion sMacSystemVersionUninitialized;
  // Filled by install::platform_getPlatformInfo; tests reset it to
  // sMacSystemVersionUninitialized to force a fresh read.
  static MacSystemVersion sCachedSystemVersion;

  // One 64-bit key, major in the highest 16 bits.
  constexpr uint64_t key() const {
    return uint64_t{major} << 48 | uint64_t{minor} << 32 | uint64_t{patch} << 16 | reserved;
  }
  friend constexpr bool operator==(const MacSystemVersion& a, const MacSystemVersion& b) {
    return a.key() == b.key();
  }
  friend constexpr std::strong_ordering operator<=>(const MacSystemVersion& a,
                                                    const MacSystemVersion& b) {
    return a.key() <=> b.key();
  }
};

// Writes the system's major, minor and patch numbers.
void ObtainMacSystemVersion(uint32_t* major, uint32_t* minor, uint32_t* patch);
