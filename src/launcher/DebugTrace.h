// The trace hook: takes a printf-style format ("%@" stands for any object)
// and its arguments, and writes nothing. Calls stay in the code where a trace
// is worth having.
#pragma once

template <typename... Arguments>
inline void DebugTrace(const char* /*format*/, const Arguments&... /*arguments*/) {}
