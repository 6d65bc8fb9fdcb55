#include "platform/interrupt_signals.h"

#include "platform/fd.h"
#include "platform/run_loop.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>

namespace platform {

namespace {

constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};

// The handler reads only this; it is set before the handlers are installed
// and cleared after they are removed.
volatile sig_atomic_t sWriteFd = -1;

struct State {
  UniqueFd readEnd;
  UniqueFd writeEnd;
  RunLoop::SourceId watch = 0;
  std::function<void(int)> handler;
};

State& state() {
  static State s;
  return s;
}

extern "C" void noteSignal(int signal) {
  const int savedErrno = errno;
  const auto byte = static_cast<unsigned char>(signal);
  // A full pipe drops the signal: enough of them are waiting already.
  if (sWriteFd >= 0 && ::write(sWriteFd, &byte, 1) < 0) {
  }
  errno = savedErrno;
}

bool installHandlers(void (*action)(int)) {
  struct sigaction sa {};
  sa.sa_handler = action;
  sigemptyset(&sa.sa_mask);
  // Interrupted system calls resume; the waits that must notice a signal
  // watch the pipe.
  sa.sa_flags = SA_RESTART;
  bool ok = true;
  for (int s : kSignals) ok = ::sigaction(s, &sa, nullptr) == 0 && ok;
  return ok;
}

}  // namespace

bool handleInterruptSignals(std::function<void(int)> handler) {
  State& s = state();
  s.handler = std::move(handler);
  if (s.readEnd) return true;

  int ends[2];
  if (::pipe2(ends, O_CLOEXEC | O_NONBLOCK) != 0) return false;
  s.readEnd.reset(ends[0]);
  s.writeEnd.reset(ends[1]);
  sWriteFd = ends[1];
  if (!installHandlers(noteSignal)) {
    restoreInterruptSignals();
    return false;
  }
  s.watch = RunLoop::main().watchFd(ends[0], RunLoop::Readable, [](unsigned) {
    while (const int signal = takeInterruptSignal())
      if (state().handler) state().handler(signal);
    return true;
  });
  return true;
}

void restoreInterruptSignals() {
  State& s = state();
  installHandlers(SIG_DFL);
  sWriteFd = -1;
  RunLoop::main().remove(s.watch);
  s.watch = 0;
  s.readEnd.reset();
  s.writeEnd.reset();
  s.handler = nullptr;
}

int interruptSignalFd() { return state().readEnd.get(); }

int takeInterruptSignal() {
  const int fd = state().readEnd.get();
  if (fd < 0) return 0;
  unsigned char byte = 0;
  for (;;) {
    const ssize_t n = ::read(fd, &byte, 1);
    if (n == 1) return byte;
    if (n < 0 && errno == EINTR) continue;
    return 0;
  }
}

}  // namespace platform
