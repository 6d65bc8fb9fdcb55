#include "launcher/Downloader.h"

#include "platform/files.h"

Downloader::Downloader() : resultPaths_(std::make_shared<std::vector<std::string>>()) {
  resultPaths_->reserve(10);
  cleanupPaths_.reserve(10);
}

Downloader::~Downloader() = default;

void Downloader::setCurrentProgressPercent(double percent) { currentProgressPercent_ = percent; }

void Downloader::setUrlStrings(std::shared_ptr<const std::vector<std::string>> urls) {
  urlStrings_ = std::move(urls);
  currentUrlIndex_ = 0;
  resultPaths_->clear();
}

void Downloader::setRuntimeArgs(const std::vector<std::string>* args) {
  runtimeArgs_ = args ? *args : std::vector<std::string>{};
}

// Transfers are not wired up yet.
void Downloader::startDownload(const std::string& notificationName) {
  notificationName_ = notificationName;
}

void Downloader::stopDownLoad(const void*) {}

void Downloader::cleanupTempFiles() {
  for (const auto& path : cleanupPaths_) platform::removeItem(path);
  cleanupPaths_.clear();
}
