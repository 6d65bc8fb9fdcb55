#include "platform/process.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace platform {

namespace {
std::vector<std::string>& arguments() {
  static std::vector<std::string> args;
  return args;
}
std::function<void(int)>& exitHook() {
  static std::function<void(int)> hook;
  return hook;
}
}  // namespace

const std::vector<std::string>& processArguments() { return arguments(); }

std::string executablePath() {
  std::error_code error;
  auto exe = std::filesystem::read_symlink("/proc/self/exe", error);
  return error ? std::string() : exe.string();
}

void setProcessArguments(int argc, const char* const* argv) {
  arguments().assign(argv, argv + argc);
}

void exitProcess(int code) {
  if (exitHook()) exitHook()(code);
  std::fflush(nullptr);
  std::exit(code);
}

void setExitHookForTesting(std::function<void(int)> hook) { exitHook() = std::move(hook); }

}  // namespace platform
