// Fetches an ordered list of URLs into the temporary folder, with a progress
// window, and announces the end of each run with one notification.
#pragma once

#include "launcher/notifications.h"
#include "platform/error.h"
#include "platform/url_download.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace platform {
class ProgressWindow;
}  // namespace platform

class Downloader : public platform::URLDownloadDelegate {
 public:
  Downloader();  // init
  ~Downloader() override;
  Downloader(const Downloader&) = delete;
  Downloader& operator=(const Downloader&) = delete;

  // Starts the URL at the current index; the run ends with one notification
  // named `notificationName`.
  void startDownload(const std::string& notificationName);
  void stopDownLoad(const void* sender);  // the Cancel button's action
  void resetProgress();
  // Shows (unless silent) or closes the progress window; enables or disables
  // its Cancel button.
  void doingDownload(bool downloading);
  void setDownloadResponse(std::optional<platform::URLResponse> response);
  void sendDoneNotfication(bool success);
  void cleanupTempFiles();
  // Between the start of a run and its end.
  bool isDownloading() const { return downloading_; }

  // The download's delegate calls.
  std::optional<platform::URLRequest> downloadWillSendRequest(
      platform::URLDownload& download, platform::URLRequest request,
      const platform::URLResponse& redirectResponse) override;
  void downloadDidReceiveResponse(platform::URLDownload& download,
                                  const platform::URLResponse& response) override;
  void downloadDidReceiveDataOfLength(platform::URLDownload& download, uint64_t length) override;
  void downloadWillResume(platform::URLDownload& download, uint64_t stored, int attempt) override;
  void downloadDidResume(platform::URLDownload& download, uint64_t offset) override;
  bool downloadShouldDecodeSourceDataOfMIMEType(platform::URLDownload& download,
                                                const std::string& mimeType) override;
  void downloadDecideDestinationWithSuggestedFilename(platform::URLDownload& download,
                                                      const std::string& filename) override;
  void downloadDidCreateDestination(platform::URLDownload& download,
                                    const std::string& path) override;
  void downloadDidFinish(platform::URLDownload& download) override;
  void downloadDidFailWithError(platform::URLDownload& download,
                                const platform::Error& error) override;

  double currentProgressPercent() const { return currentProgressPercent_; }
  int64_t bytesReceived() const { return bytesReceived_; }
  int64_t expectedBytes() const { return expectedBytes_; }
  void setCurrentProgressPercent(double percent);
  // Shared with the caller, not copied; resets the index and resultPaths.
  const std::shared_ptr<const std::vector<std::string>>& urlStrings() const { return urlStrings_; }
  void setUrlStrings(std::shared_ptr<const std::vector<std::string>> urls);
  const std::vector<std::string>& runtimeArgs() const { return runtimeArgs_; }
  // Copies the list; none gives an empty list.
  void setRuntimeArgs(const std::vector<std::string>* args);
  const std::string& localizedPleaseWait() const { return localizedPleaseWait_; }
  void setLocalizedPleaseWait(std::string text);
  const std::string& localizedCancel() const { return localizedCancel_; }
  void setLocalizedCancel(std::string text);
  bool ignoreFailures() const { return ignoreFailures_; }
  void setIgnoreFailures(bool ignore) { ignoreFailures_ = ignore; }
  bool silent() const { return silent_; }
  void setSilent(bool silent) { silent_ = silent; }
  const std::optional<platform::Error>& lastError() const { return lastError_; }
  void setLastError(std::optional<platform::Error> error) { lastError_ = std::move(error); }

  // Key-value observation of "currentProgressPercent", "bytesReceived",
  // "expectedBytes", "localizedPleaseWait" and "localizedCancel": `changed`
  // runs after every set of `key`.
  void addObserver(const void* observer, std::string key, std::function<void()> changed);
  void removeObserver(const void* observer);

  // The progress window outlet; not owned.
  void setProgressWindow(platform::ProgressWindow* window) { progressWindow_ = window; }

  // Seams for tests: how long a transfer may go without data and how much
  // one transfer may store, and what starts a transfer.
  using Starter = std::function<std::unique_ptr<platform::URLDownload>(
      platform::URLRequest, platform::URLDownloadDelegate&)>;
  void setTransferLimits(std::chrono::milliseconds idleTimeout, uint64_t maximumLength);
  void setStarter(Starter starter) { starter_ = std::move(starter); }

 private:
  // After a failed URL: the next one when failures are tolerated, else the
  // end of the run.
  void continueAfterFailure();
  // The transfer that failed or was cancelled has deleted its file.
  void forgetDestination();
  void didChangeValueForKey(const std::string& key);

  int64_t bytesReceived_ = 0;
  int64_t expectedBytes_ = 0;
  double currentProgressPercent_ = 0;
  int32_t currentUrlIndex_ = 0;
  std::shared_ptr<const std::vector<std::string>> urlStrings_;
  std::vector<std::string> runtimeArgs_;
  std::unique_ptr<platform::URLDownload> urlDownload_;
  std::optional<platform::URLResponse> urlResponse_;
  PathList resultPaths_;
  std::vector<std::string> cleanupPaths_;
  // The file created by the transfer in progress, if any, and the listed
  // paths whose file its transfer deleted: whatever bears such a name later
  // is not ours to remove.
  std::optional<std::string> destinationPath_;
  std::set<std::string> deletedPaths_;
  std::optional<platform::Error> lastError_;
  bool ignoreFailures_ = false;
  bool silent_ = false;
  bool downloading_ = false;
  std::string notificationName_;
  platform::ProgressWindow* progressWindow_ = nullptr;
  std::string localizedPleaseWait_;
  std::string localizedCancel_;

  struct Observer {
    const void* observer;
    std::string key;
    std::function<void()> changed;
  };
  std::vector<Observer> observers_;
  std::chrono::milliseconds timeoutInterval_{30000};
  uint64_t maximumLength_ = uint64_t{4} << 30;
  Starter starter_;
};

// What the main interface does for the progress window: the indicator, the
// amount received, the text and the Cancel button's title follow the
// Downloader, the button calls stopDownLoad, and the window becomes the
// Downloader's outlet.
void connectProgressWindow(Downloader& downloader, platform::ProgressWindow& window);
