// The main thread's run loop, on GLib's default main context.
#pragma once

#include <chrono>
#include <functional>

namespace platform {

class RunLoop {
 public:
  using SourceId = unsigned;
  enum IoCondition : unsigned { Readable = 1, Writable = 4, Error = 8, HangUp = 16 };

  static RunLoop& main();

  // Runs `work` once, when nothing of higher priority is pending.
  SourceId addIdle(std::function<void()> work);
  // Calls `tick` every `interval` for as long as it returns true.
  SourceId addTimer(std::chrono::milliseconds interval, std::function<bool()> tick);
  // Calls `ready` whenever `fd` meets one of `conditions`, for as long as it
  // returns true.
  SourceId watchFd(int fd, unsigned conditions, std::function<bool(unsigned)> ready);
  // Removes a source that is still attached; unknown ids are ignored.
  void remove(SourceId id);

  // Runs until stop().
  void run();
  void stop();
  // Runs one iteration; returns whether anything was dispatched.
  bool iterate(bool mayBlock);
  // Runs until `done` is true or `timeout` has passed; returns `done()`.
  bool runUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout);

  // A nested (modal) run, until stopModal(); returns the code given there.
  int runModal();
  void stopModal(int code);
  bool inModalRun() const { return modalDepth_ > 0; }

 private:
  RunLoop() = default;
  int modalDepth_ = 0;
  int modalCode_ = 0;
  bool modalStopped_ = false;
  bool stopped_ = false;
};

}  // namespace platform
