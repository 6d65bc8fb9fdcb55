#include "platform/run_loop.h"

#include <glib.h>
#include <glib-unix.h>

#include <memory>

namespace platform {

namespace {

// Each source owns its callback; GLib frees it with the source.
template <typename F>
struct Closure {
  F callback;
  static void destroy(gpointer data) { delete static_cast<Closure*>(data); }
};

using IdleClosure = Closure<std::function<void()>>;
using TimerClosure = Closure<std::function<bool()>>;
using FdClosure = Closure<std::function<bool(unsigned)>>;

gboolean runIdle(gpointer data) {
  static_cast<IdleClosure*>(data)->callback();
  return G_SOURCE_REMOVE;
}

gboolean runTimer(gpointer data) {
  return static_cast<TimerClosure*>(data)->callback() ? G_SOURCE_CONTINUE : G_SOURCE_REMOVE;
}

gboolean runFd(gint, GIOCondition condition, gpointer data) {
  return static_cast<FdClosure*>(data)->callback(static_cast<unsigned>(condition))
             ? G_SOURCE_CONTINUE
             : G_SOURCE_REMOVE;
}

}  // namespace

RunLoop& RunLoop::main() {
  static RunLoop loop;
  return loop;
}

RunLoop::SourceId RunLoop::addIdle(std::function<void()> work) {
  return g_idle_add_full(G_PRIORITY_DEFAULT_IDLE, runIdle, new IdleClosure{std::move(work)},
                         IdleClosure::destroy);
}

RunLoop::SourceId RunLoop::addTimer(std::chrono::milliseconds interval,
                                    std::function<bool()> tick) {
  return g_timeout_add_full(G_PRIORITY_DEFAULT, static_cast<guint>(interval.count()), runTimer,
                            new TimerClosure{std::move(tick)}, TimerClosure::destroy);
}

RunLoop::SourceId RunLoop::watchFd(int fd, unsigned conditions,
                                   std::function<bool(unsigned)> ready) {
  return g_unix_fd_add_full(G_PRIORITY_DEFAULT, fd, static_cast<GIOCondition>(conditions), runFd,
                            new FdClosure{std::move(ready)}, FdClosure::destroy);
}

void RunLoop::remove(SourceId id) {
  if (id == 0) return;
  if (GSource* source = g_main_context_find_source_by_id(nullptr, id))
    g_source_destroy(source);
}

void RunLoop::run() {
  stopped_ = false;
  while (!stopped_) g_main_context_iteration(nullptr, TRUE);
}

void RunLoop::stop() {
  stopped_ = true;
  g_main_context_wakeup(nullptr);
}

bool RunLoop::iterate(bool mayBlock) { return g_main_context_iteration(nullptr, mayBlock); }

bool RunLoop::runUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
  bool timedOut = false;
  guint timer = g_timeout_add_full(
      G_PRIORITY_DEFAULT, static_cast<guint>(timeout.count()),
      [](gpointer flag) -> gboolean {
        *static_cast<bool*>(flag) = true;
        return G_SOURCE_REMOVE;
      },
      &timedOut, nullptr);
  while (!done() && !timedOut) g_main_context_iteration(nullptr, TRUE);
  if (!timedOut) remove(timer);
  return done();
}

int RunLoop::runModal() {
  ++modalDepth_;
  modalStopped_ = false;
  while (!modalStopped_) g_main_context_iteration(nullptr, TRUE);
  modalStopped_ = false;
  --modalDepth_;
  return modalCode_;
}

void RunLoop::stopModal(int code) {
  modalCode_ = code;
  modalStopped_ = true;
  g_main_context_wakeup(nullptr);
}

}  // namespace platform
