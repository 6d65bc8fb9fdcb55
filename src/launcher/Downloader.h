// Fetches an ordered list of URLs into the temporary folder, with a progress
// window, and announces the end of each run with one notification.
#pragma once

#include "launcher/notifications.h"
#include "platform/error.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace platform {
class URLDownload;
struct URLResponse;
}  // namespace platform

class Downloader {
 public:
  Downloader();  // init
  ~Downloader();
  Downloader(const Downloader&) = delete;
  Downloader& operator=(const Downloader&) = delete;

  void startDownload(const std::string& notificationName);
  void stopDownLoad(const void* sender);  // the Cancel button's action
  void cleanupTempFiles();

  double currentProgressPercent() const { return currentProgressPercent_; }
  void setCurrentProgressPercent(double percent);
  // Shared with the caller, not copied; resets the index and resultPaths.
  const std::shared_ptr<const std::vector<std::string>>& urlStrings() const { return urlStrings_; }
  void setUrlStrings(std::shared_ptr<const std::vector<std::string>> urls);
  const std::vector<std::string>& runtimeArgs() const { return runtimeArgs_; }
  // Copies the list; none gives an empty list.
  void setRuntimeArgs(const std::vector<std::string>* args);
  const std::string& localizedPleaseWait() const { return localizedPleaseWait_; }
  void setLocalizedPleaseWait(std::string text) { localizedPleaseWait_ = std::move(text); }
  const std::string& localizedCancel() const { return localizedCancel_; }
  void setLocalizedCancel(std::string text) { localizedCancel_ = std::move(text); }
  bool ignoreFailures() const { return ignoreFailures_; }
  void setIgnoreFailures(bool ignore) { ignoreFailures_ = ignore; }
  bool silent() const { return silent_; }
  void setSilent(bool silent) { silent_ = silent; }
  const std::optional<platform::Error>& lastError() const { return lastError_; }
  void setLastError(std::optional<platform::Error> error) { lastError_ = std::move(error); }

 private:
  int64_t bytesReceived_ = 0;
  int64_t expectedBytes_ = 0;
  double currentProgressPercent_ = 0;
  int32_t currentUrlIndex_ = 0;
  std::shared_ptr<const std::vector<std::string>> urlStrings_;
  std::vector<std::string> runtimeArgs_;
  PathList resultPaths_;
  std::vector<std::string> cleanupPaths_;
  std::optional<platform::Error> lastError_;
  bool ignoreFailures_ = false;
  bool silent_ = false;
  std::string notificationName_;
  std::string localizedPleaseWait_;
  std::string localizedCancel_;
};
