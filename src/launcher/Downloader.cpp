#include "launcher/Downloader.h"

#include "install/install.h"
#include "launcher/DebugTrace.h"
#include "platform/files.h"
#include "platform/notification.h"
#include "platform/paths.h"
#include "platform/progress_window.h"

namespace {

// Below this many bytes the progress indicator is not worth moving.
constexpr int64_t kProgressThreshold = 16384;

bool isGzipType(const std::string& mimeType) {
  return mimeType == "application/gzip" || mimeType == "application/x-gzip";
}

}  // namespace

Downloader::Downloader()
    : resultPaths_(std::make_shared<std::vector<std::string>>()),
      starter_(&platform::URLDownload::start) {
  resultPaths_->reserve(10);
  cleanupPaths_.reserve(10);
  setCurrentProgressPercent(0);
}

Downloader::~Downloader() = default;

void Downloader::startDownload(const std::string& notificationName) {
  // Recorded first: a run that cannot start still ends under this name.
  notificationName_ = notificationName;
  if (!urlStrings_ || currentUrlIndex_ < 0 ||
      static_cast<std::size_t>(currentUrlIndex_) >= urlStrings_->size()) {
    // Nothing (left) to fetch: every URL of the list has finished.
    doingDownload(false);
    sendDoneNotfication(true);
    return;
  }
  const std::string& urlString = (*urlStrings_)[static_cast<std::size_t>(currentUrlIndex_)];
  DebugTrace("Info: URL is %@", urlString);
  resetProgress();
  platform::URLRequest request{urlString, timeoutInterval_, maximumLength_};

  if (notificationName == InstallerDownloadDone)
    install::logDownloadBegin(currentUrlIndex_ == 0 ? "runtime" : "signature", urlString.c_str());
  else if (notificationName == CrlDownloadDone)
    install::logDownloadBegin("crl", urlString.c_str());

  urlDownload_.reset();
  destinationPath_.reset();
  urlDownload_ = starter_(std::move(request), *this);
  if (urlDownload_) {
    doingDownload(true);
  } else {
    install::logDownloadFailure("could not start download");
    continueAfterFailure();
  }
}

void Downloader::stopDownLoad(const void*) {
  DebugTrace("Info: Download cancelled after %@ bytes", bytesReceived_);
  if (urlDownload_) urlDownload_->cancel();
  forgetDestination();
  doingDownload(false);
  install::logDownloadCancel();
  sendDoneNotfication(false);
}

void Downloader::resetProgress() {
  bytesReceived_ = 0;
  didChangeValueForKey("bytesReceived");
  setCurrentProgressPercent(0);
}

void Downloader::doingDownload(bool downloading) {
  downloading_ = downloading;
  if (progressWindow_) progressWindow_->setCancelEnabled(downloading);
  if (downloading) {
    if (!silent_ && progressWindow_) progressWindow_->makeKeyAndOrderFront();
  } else {
    if (progressWindow_) progressWindow_->close();
    resetProgress();
  }
}

void Downloader::setDownloadResponse(std::optional<platform::URLResponse> response) {
  urlResponse_ = std::move(response);
}

void Downloader::sendDoneNotfication(bool success) {
  cleanupPaths_.insert(cleanupPaths_.end(), resultPaths_->begin(), resultPaths_->end());
  platform::Notification notification{notificationName_, this, {}};
  notification.userInfo[DownloaderKeySuccess] = success;
  notification.userInfo[DownloaderKeyFiles] = resultPaths_;
  platform::NotificationQueue::defaultQueue().enqueuePostWhenIdle(std::move(notification));
}

void Downloader::cleanupTempFiles() {
  for (const auto& path : cleanupPaths_)
    if (!deletedPaths_.contains(path)) platform::removeItem(path);
  cleanupPaths_.clear();
  deletedPaths_.clear();
}

std::optional<platform::URLRequest> Downloader::downloadWillSendRequest(
    platform::URLDownload&, platform::URLRequest request, const platform::URLResponse&) {
  DebugTrace("Info: Redirecting to %@", request.url);
  return request;
}

void Downloader::downloadDidReceiveResponse(platform::URLDownload&,
                                            const platform::URLResponse& response) {
  resetProgress();
  setDownloadResponse(response);
  expectedBytes_ = response.expectedContentLength;
  didChangeValueForKey("expectedBytes");
  DebugTrace("Info: HTTP status %@ from %@, %@ bytes announced", response.statusCode, response.url,
             response.expectedContentLength);
}

void Downloader::downloadDidReceiveDataOfLength(platform::URLDownload&, uint64_t length) {
  bytesReceived_ += static_cast<int64_t>(length);
  didChangeValueForKey("bytesReceived");
  if (expectedBytes_ > 0 && bytesReceived_ > kProgressThreshold)
    setCurrentProgressPercent(static_cast<double>(bytesReceived_) /
                              static_cast<double>(expectedBytes_) * 100.0);
}

// A broken connection taken up again stays one transfer for the run: only
// the trace tells.
void Downloader::downloadWillResume(platform::URLDownload& download, uint64_t stored,
                                    int attempt) {
  DebugTrace("Info: Connection lost after %qi bytes of %@, resuming (attempt %d)",
             static_cast<int64_t>(stored), download.request().url, attempt);
}

void Downloader::downloadDidResume(platform::URLDownload&, uint64_t offset) {
  if (offset == 0)
    DebugTrace("Info: The server sent the whole file again, storing it from the start");
  else
    DebugTrace("Info: Resumed at %qi bytes", static_cast<int64_t>(offset));
}

bool Downloader::downloadShouldDecodeSourceDataOfMIMEType(platform::URLDownload&,
                                                          const std::string& mimeType) {
  bool decode = isGzipType(mimeType);
  DebugTrace("Info: Asked to decode %@, response %d", mimeType, decode ? 1 : 0);
  return decode;
}

void Downloader::downloadDecideDestinationWithSuggestedFilename(platform::URLDownload& download,
                                                                const std::string& filename) {
  std::string folder = platform::temporaryDirectory();
  if (folder.empty()) folder = platform::homeDirectory();
  const std::string path = platform::appendingPathComponent(folder, filename);
  install::logDownloadDest(path.c_str());
  DebugTrace("Info: Downloading to %@", path);
  download.setDestination(path);
}

void Downloader::downloadDidCreateDestination(platform::URLDownload&, const std::string& path) {
  resultPaths_->push_back(path);
  destinationPath_ = path;
  deletedPaths_.erase(path);
}

void Downloader::downloadDidFinish(platform::URLDownload&) {
  DebugTrace(
      "Info: Successfully download %qi bytes of type %@",
      urlResponse_ ? urlResponse_->expectedContentLength : platform::URLResponseUnknownLength,
      urlResponse_ ? urlResponse_->mimeType : std::string());
  DebugTrace("Info: Received %@ bytes into %@", bytesReceived_, destinationPath_);
  urlDownload_.reset();
  destinationPath_.reset();
  install::logDownloadSuccess();
  ++currentUrlIndex_;
  if (static_cast<std::size_t>(currentUrlIndex_) < urlStrings_->size()) {
    resetProgress();
    startDownload(notificationName_);
  } else {
    doingDownload(false);
    sendDoneNotfication(true);
  }
}

void Downloader::downloadDidFailWithError(platform::URLDownload&, const platform::Error& error) {
  urlDownload_.reset();
  forgetDestination();
  setLastError(error);
  install::logDownloadFailure(error.localizedDescription.c_str());
  DebugTrace("Error: Download failed.  Error - %@ %@", error.localizedDescription,
             error.failingURLString);
  DebugTrace("Info: Received %@ bytes before the failure", bytesReceived_);
  continueAfterFailure();
}

void Downloader::continueAfterFailure() {
  ++currentUrlIndex_;
  if (ignoreFailures_ && static_cast<std::size_t>(currentUrlIndex_) < urlStrings_->size()) {
    resetProgress();
    startDownload(notificationName_);
  } else {
    doingDownload(false);
    sendDoneNotfication(ignoreFailures_);
  }
}

void Downloader::forgetDestination() {
  if (destinationPath_) deletedPaths_.insert(*destinationPath_);
  destinationPath_.reset();
}

void Downloader::setCurrentProgressPercent(double percent) {
  currentProgressPercent_ = percent;
  didChangeValueForKey("currentProgressPercent");
}

void Downloader::setUrlStrings(std::shared_ptr<const std::vector<std::string>> urls) {
  urlStrings_ = std::move(urls);
  currentUrlIndex_ = 0;
  resultPaths_->clear();
}

void Downloader::setRuntimeArgs(const std::vector<std::string>* args) {
  runtimeArgs_ = args ? *args : std::vector<std::string>{};
}

void Downloader::setLocalizedPleaseWait(std::string text) {
  localizedPleaseWait_ = std::move(text);
  didChangeValueForKey("localizedPleaseWait");
}

void Downloader::setLocalizedCancel(std::string text) {
  localizedCancel_ = std::move(text);
  didChangeValueForKey("localizedCancel");
}

void Downloader::addObserver(const void* observer, std::string key, std::function<void()> changed) {
  observers_.push_back(Observer{observer, std::move(key), std::move(changed)});
}

void Downloader::removeObserver(const void* observer) {
  std::erase_if(observers_, [observer](const Observer& o) { return o.observer == observer; });
}

void Downloader::didChangeValueForKey(const std::string& key) {
  // An observer may add or remove observers while it is told.
  const auto snapshot = observers_;
  for (const auto& o : snapshot)
    if (o.key == key) o.changed();
}

void Downloader::setTransferLimits(std::chrono::milliseconds idleTimeout, uint64_t maximumLength) {
  timeoutInterval_ = idleTimeout;
  maximumLength_ = maximumLength;
}

void connectProgressWindow(Downloader& downloader, platform::ProgressWindow& window) {
  downloader.setProgressWindow(&window);
  const void* key = &window;
  downloader.addObserver(key, "currentProgressPercent",
                         [&] { window.setProgress(downloader.currentProgressPercent()); });
  auto showAmount = [&] { window.setAmount(downloader.bytesReceived(), downloader.expectedBytes()); };
  downloader.addObserver(key, "bytesReceived", showAmount);
  downloader.addObserver(key, "expectedBytes", showAmount);
  downloader.addObserver(key, "localizedPleaseWait",
                         [&] { window.setText(downloader.localizedPleaseWait()); });
  downloader.addObserver(key, "localizedCancel",
                         [&] { window.setCancelTitle(downloader.localizedCancel()); });
  window.setProgress(downloader.currentProgressPercent());
  showAmount();
  window.setText(downloader.localizedPleaseWait());
  window.setCancelTitle(downloader.localizedCancel());
  window.setCancelAction([&] { downloader.stopDownLoad(&window); });
}
