// The launcher's trace hook: a printf-style format ("%@" stands for any
// object) and its arguments, written to standard error only when tracing is
// switched on (see platform/trace.h).
#pragma once

#include "platform/trace.h"

template <typename... Arguments>
inline void DebugTrace(const char* format, const Arguments&... arguments) {
  platform::trace(format, arguments...);
}
