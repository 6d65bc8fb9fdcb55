#include "install/install.h"

#include <syslog.h>

#include <array>

namespace install {

namespace {

// Indexed by severity. No facility bits and no openlog: the process's default
// identity and facility apply. LOG_INFO is deliberately unused.
constexpr std::array<int, 4> kPriorityForSeverity = {LOG_ERR, LOG_WARNING, LOG_NOTICE, LOG_DEBUG};

}  // namespace

int platform_installLog(severity_t severity, const char* format, va_list arguments) {
  const auto index = static_cast<uint32_t>(severity);
  if (index >= kPriorityForSeverity.size()) return -3;
  vsyslog(kPriorityForSeverity[index], format, arguments);
  return 0;
}

}  // namespace install
