#include "launcher/Downloader.h"

#include "platform/notification.h"
#include "platform/run_loop.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <vector>

namespace {

class FakeDownload final : public platform::URLDownload {
 public:
  explicit FakeDownload(platform::URLRequest request) : URLDownload(std::move(request)) {}
  void setDestination(const std::string& path) override { destination = path; }
  void cancel() override { cancelled = true; }
  std::string destination;
  bool cancelled = false;
};

// A Downloader whose transfers are fakes the test plays the server for.
class DownloaderRun : public ::testing::Test {
 protected:
  void SetUp() override {
    downloader.setStarter([this](platform::URLRequest request, platform::URLDownloadDelegate&) {
      requests.push_back(request);
      if (refuseStart) return std::unique_ptr<platform::URLDownload>();
      auto download = std::make_unique<FakeDownload>(std::move(request));
      current = download.get();
      return std::unique_ptr<platform::URLDownload>(std::move(download));
    });
    platform::NotificationCenter::defaultCenter().addObserver(
        this, "TestDone", [this](const platform::Notification& n) {
          successes.push_back(*platform::userInfoValue<bool>(n, DownloaderKeySuccess));
        });
  }
  void TearDown() override {
    deliverNotifications();  // none of them may reach the next test
    platform::NotificationCenter::defaultCenter().removeObserver(this);
  }

  void start(std::vector<std::string> urls) {
    downloader.setUrlStrings(std::make_shared<const std::vector<std::string>>(std::move(urls)));
    downloader.startDownload("TestDone");
  }
  void respond(int64_t length) {
    platform::URLResponse response;
    response.expectedContentLength = length;
    downloader.downloadDidReceiveResponse(*current, response);
  }
  void deliverNotifications() {
    platform::RunLoop::main().runUntil(
        [] { return platform::NotificationQueue::defaultQueue().pendingCount() == 0; },
        std::chrono::milliseconds(1000));
  }

  Downloader downloader;
  std::vector<platform::URLRequest> requests;
  FakeDownload* current = nullptr;
  bool refuseStart = false;
  std::vector<bool> successes;
};

TEST_F(DownloaderRun, AsksForThirtySecondsOfPatienceAndAtMostFourGibibytes) {
  start({"http://h/installer"});
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].url, "http://h/installer");
  EXPECT_EQ(requests[0].timeoutInterval, std::chrono::milliseconds(30000));
  EXPECT_EQ(requests[0].maximumLength, uint64_t{4} << 30);
}

TEST_F(DownloaderRun, ProgressMovesOnlyPastTheThresholdAndOnlyWithALength) {
  struct Case {
    const char* label;
    int64_t announced;
    std::vector<uint64_t> pieces;
    double expected;
  } cases[] = {
      {"at the threshold", 16384, {16000, 384}, 0.0},
      {"one byte past it", 32768, {16384, 1}, 16385.0 / 32768 * 100},
      {"no length", platform::URLResponseUnknownLength, {40000, 40000}, 0.0},
      {"zero length", 0, {20000}, 0.0},
      {"longer than announced", 20000, {20000, 20000}, 200.0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    start({"http://h/a"});
    respond(c.announced);
    for (uint64_t piece : c.pieces) downloader.downloadDidReceiveDataOfLength(*current, piece);
    EXPECT_DOUBLE_EQ(downloader.currentProgressPercent(), c.expected);
    downloader.downloadDidFinish(*current);
    EXPECT_EQ(downloader.currentProgressPercent(), 0.0);
  }
}

TEST_F(DownloaderRun, EveryProgressChangeReachesItsObservers) {
  std::vector<double> seen;
  downloader.addObserver(&seen, "currentProgressPercent",
                         [&] { seen.push_back(downloader.currentProgressPercent()); });
  start({"http://h/a"});
  respond(40000);
  downloader.downloadDidReceiveDataOfLength(*current, 20000);
  downloader.downloadDidReceiveDataOfLength(*current, 20000);
  downloader.downloadDidFinish(*current);
  EXPECT_EQ(seen, (std::vector<double>{0, 0, 50, 100, 0}));
  downloader.removeObserver(&seen);
}

TEST_F(DownloaderRun, TheNotificationComesOncePerRunAndOnlyWhenIdle) {
  start({"http://h/a", "http://h/b"});
  downloader.downloadDidCreateDestination(*current, "/tmp/a");
  downloader.downloadDidFinish(*current);
  EXPECT_EQ(requests.size(), 2u);  // the next URL starts inside the callback
  downloader.downloadDidFinish(*current);
  EXPECT_TRUE(successes.empty());
  deliverNotifications();
  EXPECT_EQ(successes, std::vector<bool>{true});
}

TEST_F(DownloaderRun, ADownloadThatCannotStartEndsTheRunLikeAFailure) {
  struct Case {
    bool ignoreFailures;
    std::size_t attempts;
    bool success;
  } cases[] = {{false, 1, false}, {true, 3, true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.ignoreFailures);
    requests.clear();
    successes.clear();
    refuseStart = true;
    downloader.setIgnoreFailures(c.ignoreFailures);
    start({"bad:a", "bad:b", "bad:c"});
    EXPECT_EQ(requests.size(), c.attempts);
    deliverNotifications();
    EXPECT_EQ(successes, std::vector<bool>{c.success});
  }
}

TEST_F(DownloaderRun, AnEmptyListEndsTheRunAtOnceWithNothingFetched) {
  start({});
  EXPECT_TRUE(requests.empty());
  deliverNotifications();
  EXPECT_EQ(successes, std::vector<bool>{true});
}

TEST_F(DownloaderRun, CancelStopsTheTransferAndEndsTheRunWithFailure) {
  start({"http://h/a", "http://h/b"});
  downloader.downloadDidCreateDestination(*current, "/tmp/a");
  downloader.downloadDidFinish(*current);
  downloader.downloadDidCreateDestination(*current, "/tmp/b");
  downloader.stopDownLoad(nullptr);
  EXPECT_TRUE(current->cancelled);
  deliverNotifications();
  EXPECT_EQ(successes, std::vector<bool>{false});
}

TEST_F(DownloaderRun, TheFileListIsSharedAndEmptiedByTheNextUrlList) {
  PathList files;
  platform::NotificationCenter::defaultCenter().addObserver(
      &files, "TestDone", [&](const platform::Notification& n) {
        files = *platform::userInfoValue<PathList>(n, DownloaderKeyFiles);
      });
  start({"http://h/a"});
  downloader.downloadDidCreateDestination(*current, "/tmp/a");
  downloader.downloadDidFinish(*current);
  deliverNotifications();
  ASSERT_TRUE(files);
  EXPECT_EQ(*files, std::vector<std::string>{"/tmp/a"});
  downloader.setUrlStrings(std::make_shared<const std::vector<std::string>>());
  EXPECT_TRUE(files->empty());
  platform::NotificationCenter::defaultCenter().removeObserver(&files);
}

TEST_F(DownloaderRun, CleanupRemovesOnlyFilesItsTransfersLeft) {
  test_support::TempDir dir;
  const std::string path = dir.at("installer");
  auto write = [&](const char* text) { dir.write("installer", text); };
  const platform::Error lost{platform::kURLErrorDomain, platform::URLErrorNetworkConnectionLost,
                             "The network connection was lost.", "http://h/a"};
  // A failed or cancelled transfer deletes its file, and the name is free for
  // anyone in the shared folder; the path stays listed all the same.
  enum End { Finished, Failed, Cancelled, FailedThenFetchedAgain };
  struct Case {
    const char* label;
    End end;
    bool removed;
  } cases[] = {
      {"finished", Finished, true},
      {"failed, the name taken by someone else", Failed, false},
      {"cancelled, the name taken by someone else", Cancelled, false},
      {"failed, then fetched again under the same name", FailedThenFetchedAgain, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    start({"http://h/a"});
    write("ours");
    downloader.downloadDidCreateDestination(*current, path);
    if (c.end == Finished) {
      downloader.downloadDidFinish(*current);
    } else {
      ::unlink(path.c_str());  // what the transfer does as it ends
      if (c.end == Cancelled)
        downloader.stopDownLoad(nullptr);
      else
        downloader.downloadDidFailWithError(*current, lost);
      if (c.end == FailedThenFetchedAgain) {
        start({"http://h/a"});
        write("ours again");
        downloader.downloadDidCreateDestination(*current, path);
        downloader.downloadDidFinish(*current);
      } else {
        write("someone else's");
      }
    }
    deliverNotifications();
    downloader.cleanupTempFiles();
    EXPECT_EQ(!std::filesystem::exists(path), c.removed);
    dir.clear();
  }
}

}  // namespace
