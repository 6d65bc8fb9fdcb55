// The process: its arguments and its end.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace platform {

// The arguments main() received, program path first.
const std::vector<std::string>& processArguments();
// The real path of the running executable (links resolved); empty when the
// system does not say.
std::string executablePath();
void setProcessArguments(int argc, const char* const* argv);

// Ends the process through the C library's exit.
[[noreturn]] void exitProcess(int code);

// Tests observe the end of a run here instead; the hook must not return
// normally (throw, or longjmp out of the code under test).
void setExitHookForTesting(std::function<void(int)> hook);

}  // namespace platform
