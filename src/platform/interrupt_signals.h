// SIGINT, SIGTERM and SIGHUP caught without doing anything unsafe inside the
// signal: the handler only writes the signal's number to a pipe, which the
// main run loop reads, or a wait for a child (platform/task.h).
#pragma once

#include <functional>

namespace platform {

// From now on the three signals no longer end the process: each arrival
// calls `handler` with the signal's number from the main run loop. While
// runTaskAndWait waits for a child, the child gets the signal instead.
// Returns false, and the signals keep their default action, when the pipe
// cannot be made. A second call replaces the handler.
bool handleInterruptSignals(std::function<void(int)> handler);
// Default actions again, the pipe closed, anything noted and not taken lost.
void restoreInterruptSignals();

// The pipe's read end while the signals are caught, else -1.
int interruptSignalFd();
// The next signal noted and not yet taken; 0 when none is.
int takeInterruptSignal();

}  // namespace platform
