// Notification names and user-information keys the bootstrapper's objects share.
#pragma once

#include <memory>
#include <string>
#include <vector>

inline constexpr const char* InstallerDownloadDone = "InstallerDownloadDone";
inline constexpr const char* CrlDownloadDone = "CrlDownloadDone";
inline constexpr const char* SignatureVerifyDone = "SignatureVerifyDone";

inline constexpr const char* DownloaderKeySuccess = "DownloaderKeySuccess";  // bool
inline constexpr const char* DownloaderKeyFiles = "DownloaderKeyFiles";      // PathList
inline constexpr const char* SignatureKeyIsValid = "SignatureKeyIsValid";    // bool

// A shared, mutable list of paths: the Downloader hands out its resultPaths
// itself, not a copy.
using PathList = std::shared_ptr<std::vector<std::string>>;
