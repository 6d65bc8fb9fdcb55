#include "launcher/Bootstrapper.h"
#include "launcher/Downloader.h"
#include "launcher/LocalizedStrings.h"
#include "launcher/SignatureVerification.h"
#include "platform/bundle.h"
#include "platform/notification.h"
#include "platform/process.h"
#include "platform/run_loop.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

struct ExitCalled {
  int code;
};

std::string message(int32_t index) { return LocalizedStrings::getEmbeddedMessage(index).value_or(""); }

// The console presentations as they appear on standard error.
std::string alertText(const std::string& appName, const std::string& text) {
  return "[alert] " + appName + "\n" + text + "\n[" + message(2) + "]\n";
}
// Without a display the one link (of message 8) is its text followed by its
// address.
std::string dialogText(const std::string& appName, const std::string& text) {
  std::string shown = text;
  const std::size_t open = text.find("<a href='");
  if (open != std::string::npos) {
    const std::size_t address = open + 9;
    const std::size_t linkText = text.find("'>", address) + 2;
    const std::size_t close = text.find("</a>", linkText);
    shown = text.substr(0, open) + text.substr(linkText, close - linkText) + " <" +
            text.substr(address, linkText - 2 - address) + ">" + text.substr(close + 4);
  }
  return "[dialog] " + appName + "\n" + shown + "\n[" + message(2) + "]\n";
}

mode_t modeOf(const fs::path& path) {
  struct stat info {};
  EXPECT_EQ(::stat(path.c_str(), &info), 0) << path;
  return info.st_mode & 07777;
}

// A Bootstrapper started as "Install " (so its package folder is the test
// program's own resource folder, which exists), connected to a Downloader;
// the end of a run is observed through the exit seam.
class BootstrapperTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* argv[] = {"/opt/somewhere/Install "};
    platform::setProcessArguments(1, argv);
    platform::setExitHookForTesting([](int code) { throw ExitCalled{code}; });
    bootstrapper_ = std::make_unique<Bootstrapper>();
    bootstrapper_->setDownloader(&downloader_);
  }
  void TearDown() override {
    bootstrapper_.reset();
    platform::setExitHookForTesting(nullptr);
    // Verdicts a test left queued go nowhere now.
    platform::RunLoop::main().runUntil(
        [] { return platform::NotificationQueue::defaultQueue().pendingCount() == 0; }, 2s);
  }

  // Runs `action`, which must end the run; returns the exit code and what
  // was presented on standard error.
  template <typename Action>
  std::pair<int, std::string> runToExit(Action action) {
    ::testing::internal::CaptureStderr();
    int code = -1000;
    try {
      action();
      ADD_FAILURE() << "the run did not end";
    } catch (const ExitCalled& exit) {
      code = exit.code;
    }
    return {code, ::testing::internal::GetCapturedStderr()};
  }

  // A downloaded installer (0600, as written by the download) that records
  // its arguments and ends with `status`.
  std::string writeInstaller(int status) {
    const std::string path = dir_.write(
        "installer",
        "#!/bin/sh\nprintf '%s\\0' \"$@\" > \"$0.args\"\nexit " + std::to_string(status) + "\n");
    fs::permissions(path, fs::perms(0600));
    dir_.write("installer.p7", "signature");
    return path;
  }
  std::vector<std::string> recordedArgs() const {
    const std::string data = dir_.read("installer.args");
    std::vector<std::string> args;
    for (std::size_t start = 0, end; (end = data.find('\0', start)) != std::string::npos;
         start = end + 1)
      args.push_back(data.substr(start, end - start));
    return args;
  }
  // The download has delivered the installer and its signature.
  void downloaded(const std::string& installer) {
    const std::vector<std::string> files = {installer, dir_.at("installer.p7")};
    bootstrapper_->handleDownloaderDone(true, &files);
  }

  test_support::TempDir dir_;
  Downloader downloader_;
  std::unique_ptr<Bootstrapper> bootstrapper_;
  const std::string appName_ = "Install ";
  const std::string packageFolder_ = platform::Bundle::mainBundle().resourcePath();
};

TEST_F(BootstrapperTest, NamesComeFromTheExecutable) {
  EXPECT_EQ(bootstrapper_->appName(), "Install ");
  EXPECT_EQ(bootstrapper_->localizedWindowTitle(), message(9));
  EXPECT_EQ(bootstrapper_->packagePath(), packageFolder_);
}

TEST_F(BootstrapperTest, DownloadThatDidNotYieldTwoFilesEndsWith11) {
  struct Case {
    const char* what;
    bool success;
    std::optional<std::vector<std::string>> files;
  } cases[] = {
      {"failed", false, std::vector<std::string>{"/tmp/a", "/tmp/b"}},
      {"no file list", true, std::nullopt},
      {"no file", true, std::vector<std::string>{}},
      {"one file", true, std::vector<std::string>{"/tmp/a"}},
      {"three files", true, std::vector<std::string>{"/tmp/a", "/tmp/b", "/tmp/c"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    auto [code, shown] = runToExit([&] {
      bootstrapper_->handleDownloaderDone(c.success, c.files ? &*c.files : nullptr);
    });
    EXPECT_EQ(code, 11);
    EXPECT_EQ(shown, alertText(appName_, message(0)));
  }
}

TEST_F(BootstrapperTest, NotificationsReachTheHandlers) {
  // A download notification with one file: the user-information keys are read.
  auto files = std::make_shared<std::vector<std::string>>(std::vector<std::string>{"/tmp/a"});
  auto [code, shown] = runToExit([&] {
    platform::NotificationCenter::defaultCenter().post(
        {InstallerDownloadDone, &downloader_,
         {{DownloaderKeySuccess, true}, {DownloaderKeyFiles, PathList(files)}}});
  });
  EXPECT_EQ(code, 11);

  // A verdict with no SignatureKeyIsValid counts as a rejection.
  std::tie(code, shown) = runToExit([&] {
    platform::NotificationCenter::defaultCenter().post({SignatureVerifyDone, this, {}});
  });
  EXPECT_EQ(code, 13);
  EXPECT_EQ(shown, alertText(appName_, message(6)));
}

TEST_F(BootstrapperTest, RejectedSignatureEndsWith13AndTheInstallerNeverRuns) {
  const std::string installer = writeInstaller(0);
  downloaded(installer);
  auto [code, shown] = runToExit([&] { bootstrapper_->handleSignatureDone(false, nullptr); });
  EXPECT_EQ(code, 13);
  EXPECT_EQ(shown, alertText(appName_, message(6)));
  EXPECT_EQ(modeOf(installer), 0600u);
  EXPECT_FALSE(fs::exists(dir_.at("installer.args")));
}

TEST_F(BootstrapperTest, AcceptedInstallerThatCannotBeMadeExecutableEndsWith11) {
  downloaded(dir_.at("vanished"));
  auto [code, shown] = runToExit([&] { bootstrapper_->handleSignatureDone(true, nullptr); });
  EXPECT_EQ(code, 11);
  EXPECT_EQ(shown, alertText(appName_, message(6)));
}

TEST_F(BootstrapperTest, AcceptedInstallerRunsWithTheRuntimeArguments) {
  struct Case {
    const char* what;
    std::vector<std::string> runtimeArgs;
    int status;
    std::vector<std::string> childArgs;
  } cases[] = {
      {"no options", {}, 0, {"-x1"}},
      {"silent", {"-silent", "-eulaAccepted"}, 0, {"-silent", "-eulaAccepted"}},
      {"location with spaces", {"-location", "/my apps"}, 0, {"-location", "/my apps"}},
      {"installer fails", {}, 7, {"-x1"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string installer = writeInstaller(c.status);
    downloader_.setRuntimeArgs(&c.runtimeArgs);
    downloaded(installer);
    auto [code, shown] = runToExit([&] { bootstrapper_->handleSignatureDone(true, nullptr); });
    EXPECT_EQ(code, c.status);
    EXPECT_EQ(shown, "");  // a failing installer is not reported by us
    std::vector<std::string> expected = c.childArgs;
    expected.push_back(packageFolder_);
    EXPECT_EQ(recordedArgs(), expected);
    EXPECT_EQ(modeOf(installer), 0711u);
  }
}

TEST_F(BootstrapperTest, CleanupAndExitShowsWhatTheCaseCallsFor) {
  const platform::Error noFile{platform::kURLErrorDomain, platform::URLErrorFileDoesNotExist,
                               "not found", ""};
  const platform::Error timedOut{platform::kURLErrorDomain, platform::URLErrorTimedOut,
                                 "timed out", ""};
  const platform::Error otherDomain{"OtherDomain", platform::URLErrorFileDoesNotExist, "", ""};
  struct Case {
    const char* what;
    bool show;
    int32_t code;
    std::optional<std::string> text;
    std::optional<platform::Error> lastError;
    std::string shown;
  } cases[] = {
      {"alert with the text", true, 11, "broken", std::nullopt, alertText(appName_, "broken")},
      {"alert, no text", true, 13, std::nullopt, std::nullopt, alertText(appName_, message(1))},
      {"no runtime for this system", true, 11, "broken", noFile, dialogText(appName_, message(8))},
      {"no runtime, rejected", true, 13, "broken", noFile, dialogText(appName_, message(8))},
      {"other URL error", true, 11, "broken", timedOut, alertText(appName_, "broken")},
      {"other domain", true, 11, "broken", otherDomain, alertText(appName_, "broken")},
      {"success shows nothing", true, 0, "broken", noFile, ""},
      {"not asked to show", false, 7, "broken", noFile, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    downloader_.setLastError(c.lastError);
    auto [code, shown] = runToExit([&] { bootstrapper_->cleanupAndExit(c.show, c.code, c.text); });
    EXPECT_EQ(code, c.code);
    EXPECT_EQ(shown, c.shown);
  }
}

TEST_F(BootstrapperTest, MarkAsExecutableAddsTheExecuteBitsOnly) {
  struct Case {
    mode_t before;
    mode_t after;
  } cases[] = {{0600, 0711}, {0644, 0755}, {0400, 0511}, {0700, 0711}, {0755, 0755},
               {04640, 04751}, {01600, 01711}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.before);
    const fs::path file = dir_.write("file", "x");
    ASSERT_EQ(::chmod(file.c_str(), c.before), 0);
    EXPECT_TRUE(bootstrapper_->markAsExecutable(file.string()));
    EXPECT_EQ(modeOf(file), c.after);
    fs::remove(file);
  }
}

TEST_F(BootstrapperTest, MarkAsExecutableFollowsLinksAndFailsOnNothing) {
  const fs::path target = dir_.write("real", "x");
  ::chmod(target.c_str(), 0600);
  fs::create_directory(dir_.at("folder"));
  fs::create_directory_symlink(dir_.path(), dir_.at("folder/up"));
  fs::create_symlink(target, dir_.at("link"));
  fs::create_symlink(dir_.at("gone"), dir_.at("dangling"));

  EXPECT_TRUE(bootstrapper_->markAsExecutable(dir_.at("folder/up/link")));
  EXPECT_EQ(modeOf(target), 0711u);
  EXPECT_FALSE(bootstrapper_->markAsExecutable(dir_.at("missing")));
  EXPECT_FALSE(bootstrapper_->markAsExecutable(dir_.at("dangling")));
  EXPECT_FALSE(fs::exists(dir_.at("missing")));
  EXPECT_FALSE(fs::exists(dir_.at("gone")));
}

TEST(SignatureVerificationTest, MissingFilesAreRejectedLaterWithTheVerifierAsObject) {
  std::vector<std::pair<bool, const void*>> verdicts;
  int observer = 0;
  auto& center = platform::NotificationCenter::defaultCenter();
  center.addObserver(&observer, SignatureVerifyDone, [&](const platform::Notification& n) {
    const bool* valid = platform::userInfoValue<bool>(n, SignatureKeyIsValid);
    verdicts.emplace_back(valid && *valid, n.object);
  });
  Downloader downloader;
  SignatureVerification verifier;
  verifier.setDownloader(&downloader);
  verifier.verifyDataAtPath("/nonexistent/installer", "/nonexistent/installer.p7");
  EXPECT_TRUE(verdicts.empty());  // never from inside the call
  platform::RunLoop::main().runUntil([&] { return !verdicts.empty(); }, 5s);
  center.removeObserver(&observer);
  ASSERT_EQ(verdicts.size(), 1u);
  EXPECT_FALSE(verdicts[0].first);
  EXPECT_EQ(verdicts[0].second, &verifier);
}

}  // namespace
