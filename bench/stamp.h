// The moment, on the clock a parent process reads too (CLOCK_MONOTONIC), as
// one line "stamp NANOSECONDS" on standard output.
#pragma once

#include <time.h>

#include <cstdio>

inline void printStamp() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  std::printf("stamp %lld\n", static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec);
  std::fflush(stdout);
}
