// Child processes: start a program and wait until it has ended.
#pragma once

#include <string>
#include <vector>

namespace platform {

// What a child's end is reported as, besides its own exit status:
//  - a child ended by a signal gives 128 + the signal number, as shells do
//    (a child killed with SIGKILL gives 137);
//  - a program the system refuses to start (missing, not executable, not a
//    format it can run) gives kTaskCouldNotStart. The caller cannot tell
//    this from a child that itself exits with 127; either way it is a failure.
inline constexpr int kTaskCouldNotStart = 127;
inline constexpr int kTaskSignalBase = 128;

// Starts `launchPath` with `arguments` (argv[0] is `launchPath` itself) and
// waits for it. The child inherits the environment, the working folder and
// the standard streams; its signal mask is cleared and every signal starts
// with its default action. Blocks the calling thread until the child has
// ended. While the interrupt signals are caught (platform/interrupt_signals.h),
// each one that arrives meanwhile is passed on to the child.
int runTaskAndWait(const std::string& launchPath, const std::vector<std::string>& arguments);

}  // namespace platform
