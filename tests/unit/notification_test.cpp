#include "platform/notification.h"
#include "platform/run_loop.h"

#include <gtest/gtest.h>

#include <chrono>

using namespace platform;
using namespace std::chrono_literals;

namespace {

struct Recorder {
  std::vector<std::string> seen;
  Recorder(const char* name) {
    NotificationCenter::defaultCenter().addObserver(this, name, [this](const Notification& n) {
      const bool* flag = userInfoValue<bool>(n, "flag");
      seen.push_back(n.name + (flag ? (*flag ? ":true" : ":false") : ""));
    });
  }
  ~Recorder() { NotificationCenter::defaultCenter().removeObserver(this); }
};

void drain() { RunLoop::main().runUntil([] { return NotificationQueue::defaultQueue().pendingCount() == 0; }, 2s); }

}  // namespace

TEST(NotificationQueue, DeliversOnlyFromTheIdleRunLoop) {
  Recorder recorder("Done");
  NotificationQueue::defaultQueue().enqueuePostWhenIdle({"Done", this, {{"flag", true}}});
  EXPECT_TRUE(recorder.seen.empty());
  drain();
  EXPECT_EQ(recorder.seen, std::vector<std::string>{"Done:true"});
}

TEST(NotificationQueue, CoalescesOnNameAndSender) {
  Recorder recorder("Done");
  int otherSender = 0;
  auto& queue = NotificationQueue::defaultQueue();
  queue.enqueuePostWhenIdle({"Done", this, {{"flag", true}}});
  queue.enqueuePostWhenIdle({"Done", this, {{"flag", false}}});
  queue.enqueuePostWhenIdle({"Done", &otherSender, {{"flag", true}}});
  drain();
  EXPECT_EQ(recorder.seen, (std::vector<std::string>{"Done:false", "Done:true"}));
}

TEST(NotificationCenter, RemovedObserverIsNotCalledEvenMidPost) {
  Recorder first("Ping");
  auto second = std::make_unique<Recorder>("Ping");
  NotificationCenter::defaultCenter().addObserver(&first, "Ping", [&](const Notification&) {
    second.reset();
  });
  NotificationCenter::defaultCenter().post({"Ping", nullptr, {}});
  EXPECT_EQ(first.seen.size(), 1u);
  EXPECT_EQ(second, nullptr);
}

TEST(RunLoop, ModalRunReturnsTheStopCode) {
  RunLoop::main().addIdle([] { RunLoop::main().stopModal(1); });
  EXPECT_EQ(RunLoop::main().runModal(), 1);
  EXPECT_FALSE(RunLoop::main().inModalRun());
}
