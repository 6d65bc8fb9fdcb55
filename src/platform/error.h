// Error objects: a domain, a code and a readable description.
#pragma once

#include <string>

namespace platform {

inline constexpr const char* kURLErrorDomain = "NSURLErrorDomain";

// The URL error domain's codes that the download service reports.
enum URLErrorCode : int {
  URLErrorUnknown = -1,
  URLErrorCancelled = -999,
  URLErrorBadURL = -1000,
  URLErrorTimedOut = -1001,
  URLErrorUnsupportedURL = -1002,
  URLErrorCannotFindHost = -1003,
  URLErrorCannotConnectToHost = -1004,
  URLErrorNetworkConnectionLost = -1005,
  URLErrorHTTPTooManyRedirects = -1007,
  URLErrorBadServerResponse = -1011,
  URLErrorFileDoesNotExist = -1100,
  URLErrorCannotCreateFile = -3000,
  URLErrorCannotWriteToFile = -3003,
  URLErrorCannotDecodeContentData = -1016,
  URLErrorDataLengthExceedsMaximum = -1103,
  URLErrorSecureConnectionFailed = -1200,
};

struct Error {
  std::string domain;
  int code = 0;
  std::string localizedDescription;
  std::string failingURLString;
};

}  // namespace platform
