// Drives the Downloader through one or more runs and prints what an observer
// sees: progress values, window events, each run's notification, lastError.
//
//   download_probe [--timeout-ms N] [--idle-ms N] [--max-bytes N] [--cleanup]
//                  RUN [--run RUN]...
//   RUN := [--name NAME] [--ignore-failures] [--silent] [--cancel-on-data I]
//          [--cancel-inline] URL...
//
// --cancel-on-data I presses Cancel, from the run loop, once data of the
// run's URL number I (from 0) has arrived; --cancel-inline presses it inside
// the data callback itself. Exit status 0 when every run got
// its notification, 3 when one did not arrive in time.
#include "launcher/Downloader.h"
#include "launcher/notifications.h"
#include "platform/notification.h"
#include "platform/progress_window.h"
#include "platform/run_loop.h"

#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

struct Run {
  std::string name = InstallerDownloadDone;
  bool ignoreFailures = false;
  bool silent = false;
  int cancelOnData = -1;
  bool cancelInline = false;
  std::vector<std::string> urls;
};

class RecordingWindow final : public platform::ProgressWindow {
 public:
  void setTitle(const std::string&) override {}
  void setText(const std::string& text) override { std::printf("window text %s\n", text.c_str()); }
  void setProgress(double) override {}
  void setCancelTitle(const std::string&) override {}
  void setCancelEnabled(bool enabled) override {
    enabled_ = enabled;
    std::printf("cancel-enabled %d\n", enabled ? 1 : 0);
  }
  void makeKeyAndOrderFront() override { std::printf("window front\n"); }
  void close() override { std::printf("window close\n"); }
  void pressCancel() {
    std::printf("press cancel\n");
    if (enabled_ && cancelAction_) cancelAction_();
  }

 private:
  bool enabled_ = false;
};

// Sits between the download and the Downloader to see which URL data
// belongs to.
class Tap final : public platform::URLDownloadDelegate {
 public:
  platform::URLDownloadDelegate* target = nullptr;
  std::function<void(int)> onData;
  int index = -1;
  std::string created;

  std::optional<platform::URLRequest> downloadWillSendRequest(
      platform::URLDownload& d, platform::URLRequest r, const platform::URLResponse& rr) override {
    std::printf("redirect %s\n", r.url.c_str());
    return target->downloadWillSendRequest(d, std::move(r), rr);
  }
  void downloadDidReceiveResponse(platform::URLDownload& d,
                                  const platform::URLResponse& r) override {
    std::printf("response %ld %lld %s %s\n", r.statusCode,
                static_cast<long long>(r.expectedContentLength), r.mimeType.c_str(),
                r.suggestedFilename.c_str());
    target->downloadDidReceiveResponse(d, r);
  }
  bool downloadShouldDecodeSourceDataOfMIMEType(platform::URLDownload& d,
                                                const std::string& type) override {
    return target->downloadShouldDecodeSourceDataOfMIMEType(d, type);
  }
  void downloadDecideDestinationWithSuggestedFilename(platform::URLDownload& d,
                                                      const std::string& name) override {
    target->downloadDecideDestinationWithSuggestedFilename(d, name);
  }
  void downloadDidCreateDestination(platform::URLDownload& d, const std::string& path) override {
    std::printf("created %s\n", path.c_str());
    created = path;
    target->downloadDidCreateDestination(d, path);
  }
  void downloadDidReceiveDataOfLength(platform::URLDownload& d, uint64_t length) override {
    target->downloadDidReceiveDataOfLength(d, length);
    if (onData) onData(index);
  }
  void downloadWillResume(platform::URLDownload& d, uint64_t stored, int attempt) override {
    std::printf("resume %llu attempt %d\n", static_cast<unsigned long long>(stored), attempt);
    // What the file really holds when the rest is asked for.
    struct stat st {};
    if (::stat(created.c_str(), &st) == 0)
      std::printf("on disk %lld\n", static_cast<long long>(st.st_size));
    target->downloadWillResume(d, stored, attempt);
  }
  void downloadDidResume(platform::URLDownload& d, uint64_t offset) override {
    std::printf("resumed at %llu\n", static_cast<unsigned long long>(offset));
    target->downloadDidResume(d, offset);
  }
  void downloadDidFinish(platform::URLDownload& d) override { target->downloadDidFinish(d); }
  void downloadDidFailWithError(platform::URLDownload& d, const platform::Error& e) override {
    target->downloadDidFailWithError(d, e);
  }
};

long long number(const char* text) { return std::strtoll(text, nullptr, 10); }

}  // namespace

int main(int argc, char** argv) {
  long long timeoutMs = 20000, idleMs = 30000, maxBytes = -1;
  bool cleanup = false;
  std::vector<Run> runs(1);
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    bool hasValue = i + 1 < argc;
    if (a == "--timeout-ms" && hasValue)
      timeoutMs = number(argv[++i]);
    else if (a == "--idle-ms" && hasValue)
      idleMs = number(argv[++i]);
    else if (a == "--max-bytes" && hasValue)
      maxBytes = number(argv[++i]);
    else if (a == "--cleanup")
      cleanup = true;
    else if (a == "--run")
      runs.push_back(Run{runs.back().name, false, false, -1, false, {}});
    else if (a == "--name" && hasValue)
      runs.back().name = argv[++i];
    else if (a == "--ignore-failures")
      runs.back().ignoreFailures = true;
    else if (a == "--silent")
      runs.back().silent = true;
    else if (a == "--cancel-inline")
      runs.back().cancelInline = true;
    else if (a == "--cancel-on-data" && hasValue)
      runs.back().cancelOnData = static_cast<int>(number(argv[++i]));
    else
      runs.back().urls.push_back(a);
  }

  auto& loop = platform::RunLoop::main();
  Downloader downloader;
  RecordingWindow window;
  connectProgressWindow(downloader, window);
  if (idleMs != 30000 || maxBytes >= 0)
    downloader.setTransferLimits(
        std::chrono::milliseconds(idleMs),
        maxBytes >= 0 ? static_cast<uint64_t>(maxBytes) : uint64_t{4} << 30);

  double lastProgress = 0;
  downloader.addObserver(&lastProgress, "currentProgressPercent", [&] {
    double p = downloader.currentProgressPercent();
    if (p != lastProgress) std::printf("progress %.3f\n", p);
    lastProgress = p;
  });

  Tap tap;
  downloader.setStarter([&](platform::URLRequest request, platform::URLDownloadDelegate& target) {
    tap.target = &target;
    ++tap.index;
    return platform::URLDownload::start(std::move(request), tap);
  });

  int received = 0;
  std::size_t current = 0;
  bool cancelPending = false;
  for (const char* name : {InstallerDownloadDone, CrlDownloadDone, "OtherDone"}) {
    platform::NotificationCenter::defaultCenter().addObserver(
        &runs, name, [&](const platform::Notification& n) {
          ++received;
          const bool* success = platform::userInfoValue<bool>(n, DownloaderKeySuccess);
          const PathList* files = platform::userInfoValue<PathList>(n, DownloaderKeyFiles);
          std::printf("notification %s success %d sender-ok %d\n", n.name.c_str(),
                      success ? *success : -1, n.object == &downloader ? 1 : 0);
          if (files)
            for (const auto& path : **files) std::printf("file %s\n", path.c_str());
          const auto& error = downloader.lastError();
          if (error)
            std::printf("lastError %s %d %s\n", error->domain.c_str(), error->code,
                        error->localizedDescription.c_str());
          else
            std::printf("lastError none\n");
          std::fflush(stdout);
        });
  }

  for (current = 0; current < runs.size(); ++current) {
    const Run& run = runs[current];
    tap.index = -1;
    cancelPending = false;
    tap.onData = [&](int index) {
      if (index != run.cancelOnData || cancelPending) return;
      cancelPending = true;
      if (run.cancelInline)
        window.pressCancel();
      else
        loop.addIdle([&] { window.pressCancel(); });
    };
    int before = received;
    std::printf("run %zu\n", current);
    downloader.setUrlStrings(std::make_shared<const std::vector<std::string>>(run.urls));
    if (run.ignoreFailures) downloader.setIgnoreFailures(true);
    downloader.setSilent(run.silent);
    downloader.setLocalizedPleaseWait("Please wait");
    downloader.setLocalizedCancel("Cancel");
    downloader.startDownload(run.name);
    if (!loop.runUntil([&] { return received > before; }, std::chrono::milliseconds(timeoutMs))) {
      std::printf("timeout\n");
      return 3;
    }
  }
  // A second notification for a run would arrive now.
  loop.runUntil([] { return false; }, std::chrono::milliseconds(100));
  std::printf("notifications %d\n", received);
  if (cleanup) {
    downloader.cleanupTempFiles();
    std::printf("cleaned\n");
  }
  platform::NotificationCenter::defaultCenter().removeObserver(&runs);
  std::fflush(stdout);
  return 0;
}
