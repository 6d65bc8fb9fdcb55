#include "platform/task.h"

#include "platform/fd.h"
#include "platform/interrupt_signals.h"
#include "platform/trace.h"

#include <poll.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

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

// A descriptor that becomes readable when the child ends; the C library's
// own wrapper is not declared for C++ everywhere.
UniqueFd processFd(pid_t child) {
  return UniqueFd(static_cast<int>(::syscall(SYS_pidfd_open, child, 0)));
}

void passOnSignals(pid_t child) {
  while (const int signal = takeInterruptSignal()) {
    trace("Info: Passing signal %@ on to process %@", signal, child);
    ::kill(child, signal);
  }
}

// Waits until the child has ended; the interrupt signals that arrive
// meanwhile go to the child, whose status decides the run as usual.
void awaitEnd(pid_t child) {
  const int signals = interruptSignalFd();
  if (signals < 0) return;
  const UniqueFd ended = processFd(child);
  for (;;) {
    pollfd watched[2] = {{signals, POLLIN, 0}, {ended.get(), POLLIN, 0}};
    // Without a process descriptor the child's end is looked for every
    // tenth of a second.
    const int ready = ::poll(watched, ended ? 2 : 1, ended ? -1 : 100);
    if (ready < 0 && errno != EINTR) return;
    if (ready > 0 && (watched[0].revents & POLLIN)) passOnSignals(child);
    if (ended) {
      if (watched[1].revents) return;
    } else {
      siginfo_t info{};
      if (::waitid(P_PID, static_cast<id_t>(child), &info, WEXITED | WNOHANG | WNOWAIT) != 0 ||
          info.si_pid == child)
        return;
    }
  }
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

  awaitEnd(child);
  int waitStatus = 0;
  while (::waitpid(child, &waitStatus, 0) < 0) {
    if (errno != EINTR) return kTaskCouldNotStart;
  }
  return statusOf(waitStatus);
}

}  // namespace platform
