#include "platform/task.h"
#include "platform/interrupt_signals.h"
#include "platform/run_loop.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/time.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using platform::runTaskAndWait;

namespace {

class TaskTest : public ::testing::Test {
 protected:
  std::string script(const std::string& name, const std::string& body, mode_t mode = 0755) {
    const std::string path = dir_.write(name, "#!/bin/sh\n" + body);
    ::chmod(path.c_str(), mode);
    return path;
  }

  test_support::TempDir dir_;
};

TEST_F(TaskTest, StatusOfTheChild) {
  struct Case {
    const char* what;
    std::string body;
    mode_t mode;
    int status;
  } cases[] = {
      {"success", "exit 0\n", 0755, 0},
      {"failure", "exit 7\n", 0755, 7},
      {"largest status", "exit 255\n", 0755, 255},
      {"killed", "kill -KILL $$\n", 0755, platform::kTaskSignalBase + SIGKILL},
      {"terminated", "kill -TERM $$\n", 0755, platform::kTaskSignalBase + SIGTERM},
      {"not executable", "exit 0\n", 0644, platform::kTaskCouldNotStart},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(runTaskAndWait(script("child", c.body, c.mode), {}), c.status);
  }
}

TEST_F(TaskTest, ProgramsTheSystemRefusesToStart) {
  ::chmod(dir_.write("garbage", "not a program\n").c_str(), 0755);
  ::chmod(dir_.write("no-interpreter", "#!/nonexistent/shell\n").c_str(), 0755);
  const std::string paths[] = {"", dir_.at("missing"), dir_.path().string(), dir_.at("garbage"),
                               dir_.at("no-interpreter")};
  for (const auto& path : paths) {
    SCOPED_TRACE(path);
    EXPECT_EQ(runTaskAndWait(path, {"-x1"}), platform::kTaskCouldNotStart);
  }
}

TEST_F(TaskTest, ArgumentsArriveUnchangedAndTheEnvironmentIsInherited) {
  const std::string child = script("child", "printf '%s\\0' \"$0\" \"$@\" > \"$TASK_TEST_OUT\"\n");
  test_support::ScopedEnv env;
  env.set("TASK_TEST_OUT", dir_.at("out"));
  const std::vector<std::string> args = {"-location", "/a folder/with  spaces", "", "'quoted'",
                                         "\"double\"", "$HOME", "*"};
  EXPECT_EQ(runTaskAndWait(child, args), 0);

  std::string expected = child + '\0';
  for (const auto& arg : args) expected += arg + '\0';
  EXPECT_EQ(dir_.read("out"), expected);
}

TEST_F(TaskTest, WorkingFolderIsInherited) {
  const fs::path before = fs::current_path();
  fs::current_path(dir_.path());
  const int status = runTaskAndWait(script("child", "pwd -P > cwd\n"), {});
  fs::current_path(before);
  EXPECT_EQ(status, 0);
  EXPECT_EQ(dir_.read("cwd"), fs::canonical(dir_.path()).string() + "\n");
}

TEST_F(TaskTest, ChildStartsWithDefaultSignalHandling) {
  // What the parent ignores or blocks must not carry over to the child.
  struct sigaction ignore {};
  struct sigaction previous {};
  ignore.sa_handler = SIG_IGN;
  ::sigaction(SIGTERM, &ignore, &previous);
  sigset_t blocked;
  sigset_t oldMask;
  sigemptyset(&blocked);
  sigaddset(&blocked, SIGUSR1);
  ::sigprocmask(SIG_BLOCK, &blocked, &oldMask);

  const int terminated = runTaskAndWait(script("term", "kill -TERM $$\nexit 0\n"), {});
  const int usr1 = runTaskAndWait(script("usr1", "kill -USR1 $$\nexit 0\n"), {});

  ::sigprocmask(SIG_SETMASK, &oldMask, nullptr);
  ::sigaction(SIGTERM, &previous, nullptr);
  EXPECT_EQ(terminated, platform::kTaskSignalBase + SIGTERM);
  EXPECT_EQ(usr1, platform::kTaskSignalBase + SIGUSR1);
}

TEST_F(TaskTest, SignalsToTheParentDoNotCutTheWaitShort) {
  struct sigaction handler {};
  struct sigaction previous {};
  handler.sa_handler = [](int) {};
  handler.sa_flags = 0;  // no SA_RESTART: waitpid sees EINTR
  ::sigaction(SIGALRM, &handler, &previous);
  itimerval every10ms{{0, 10000}, {0, 10000}};
  itimerval off{};
  ::setitimer(ITIMER_REAL, &every10ms, nullptr);

  const int status = runTaskAndWait(script("child", "sleep 0.3\nexit 3\n"), {});

  ::setitimer(ITIMER_REAL, &off, nullptr);
  ::sigaction(SIGALRM, &previous, nullptr);
  EXPECT_EQ(status, 3);
}

}  // namespace

// While a child runs, an interrupt signal sent to us reaches the child; its
// status is the result. The child sends the signal to its parent itself.
TEST_F(TaskTest, InterruptSignalsArePassedOnToTheChild) {
  int handled = 0;
  ASSERT_TRUE(platform::handleInterruptSignals([&](int) { ++handled; }));
  const struct {
    int signal;
    const char* name;
  } cases[] = {{SIGINT, "INT"}, {SIGTERM, "TERM"}, {SIGHUP, "HUP"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string record = dir_.at(std::string("got-") + c.name);
    const std::string body = std::string("trap 'echo ") + c.name + " > \"" + record +
                             "\"; exit " + std::to_string(128 + c.signal) + "' " + c.name +
                             "\nkill -" + c.name + " $PPID\nwhile :; do sleep 0.05; done\n";
    EXPECT_EQ(runTaskAndWait(script("child", body), {}), 128 + c.signal);
    EXPECT_EQ(test_support::readFile(record), std::string(c.name) + "\n");
  }
  platform::restoreInterruptSignals();
  EXPECT_EQ(handled, 0);
}

TEST(InterruptSignalsTest, ASignalReachesTheHandlerFromTheRunLoop) {
  int received = 0;
  ASSERT_TRUE(platform::handleInterruptSignals([&](int signal) { received = signal; }));
  ::raise(SIGHUP);
  // Nothing runs inside the signal itself.
  EXPECT_EQ(received, 0);
  EXPECT_TRUE(platform::RunLoop::main().runUntil([&] { return received != 0; },
                                                 std::chrono::seconds(10)));
  EXPECT_EQ(received, SIGHUP);
  platform::restoreInterruptSignals();
  EXPECT_EQ(platform::interruptSignalFd(), -1);
}
