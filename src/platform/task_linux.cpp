#include "platform/task.h"

#include <spawn.h>
#include <sys/types.h>
#include <sys/wait.h>

#include <cerrno>
#include <csignal>

extern char** environ;

namespace platform {

namespace {

class SpawnAttributes {
 public:
  SpawnAttributes() { ok_ = ::posix_spawnattr_init(&attr_) == 0; }
  ~SpawnAttributes() {
    if (ok_) ::posix_spawnattr_destroy(&attr_);
  }
  SpawnAttributes(const SpawnAttributes&) = delete;
  SpawnAttributes& operator=(const SpawnAttributes&) = delete;

  // Our own signal handling (ignored SIGPIPE, blocked signals) is not the
  // child's business.
  bool resetSignals() {
    if (!ok_) return false;
    sigset_t none;
    sigset_t all;
    sigemptyset(&none);
    sigfillset(&all);
    return ::posix_spawnattr_setsigmask(&attr_, &none) == 0 &&
           ::posix_spawnattr_setsigdefault(&attr_, &all) == 0 &&
           ::posix_spawnattr_setflags(&attr_, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF) == 0;
  }
  const posix_spawnattr_t* get() const { return &attr_; }

 private:
  posix_spawnattr_t attr_{};
  bool ok_ = false;
};

int statusOf(int waitStatus) {
  if (WIFEXITED(waitStatus)) return WEXITSTATUS(waitStatus);
  if (WIFSIGNALED(waitStatus)) return kTaskSignalBase + WTERMSIG(waitStatus);
  return kTaskCouldNotStart;
}

}  // namespace

int runTaskAndWait(const std::string& launchPath, const std::vector<std::string>& arguments) {
  if (launchPath.empty()) return kTaskCouldNotStart;
  std::vector<char*> argv;
  argv.reserve(arguments.size() + 2);
  argv.push_back(const_cast<char*>(launchPath.c_str()));
  for (const auto& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);

  SpawnAttributes attributes;
  if (!attributes.resetSignals()) return kTaskCouldNotStart;

  // glibc reports a failed exec (missing file, no permission, unknown format)
  // as the result of posix_spawn itself, so no child is left to wait for.
  pid_t child = 0;
  if (::posix_spawn(&child, launchPath.c_str(), nullptr, attributes.get(), argv.data(), environ) != 0)
    return kTaskCouldNotStart;

  int waitStatus = 0;
  while (::waitpid(child, &waitStatus, 0) < 0) {
    if (errno != EINTR) return kTaskCouldNotStart;
  }
  return statusOf(waitStatus);
}

}  // namespace platform
