// A file download over HTTP(S), driven by the main run loop: the body goes
// into a file that the download creates, and a delegate hears about every
// step on the main thread.
//
// A connection that breaks after part of the body is stored is taken up
// again, at most three times, with a Range request for the rest guarded by
// If-Range: a 206 that continues exactly where the file ends is appended, a
// 200 starts the file again, anything else fails the transfer. Only bodies
// stored as sent and with a strong validator are taken up. The delegate still
// sees one transfer: one response, data that only goes on.
#pragma once

#include "platform/error.h"
#include "platform/fd.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace platform {

inline constexpr int64_t URLResponseUnknownLength = -1;

struct URLRequest {
  std::string url;
  // The transfer fails when nothing arrives for this long.
  std::chrono::milliseconds timeoutInterval{30000};
  // What the body may store after decoding; a larger body fails the transfer.
  uint64_t maximumLength = uint64_t{4} << 30;
};

struct URLResponse {
  std::string url;  // after every redirect
  long statusCode = 0;
  // The announced Content-Length, URLResponseUnknownLength when there is none.
  int64_t expectedContentLength = URLResponseUnknownLength;
  std::string mimeType;           // as sent, parameters removed
  std::string suggestedFilename;  // a plain file name, never empty
};

class URLDownload;

// Every call arrives on the main thread, from the run loop. Only
// downloadDidFinish and downloadDidFailWithError may destroy the download;
// any callback may cancel it.
class URLDownloadDelegate {
 public:
  virtual ~URLDownloadDelegate() = default;

  // Before a redirected request is sent; nothing stops the transfer quietly
  // (it fails as cancelled).
  virtual std::optional<URLRequest> downloadWillSendRequest(URLDownload&, URLRequest request,
                                                            const URLResponse&) {
    return request;
  }
  virtual void downloadDidReceiveResponse(URLDownload&, const URLResponse&) {}
  virtual bool downloadShouldDecodeSourceDataOfMIMEType(URLDownload&, const std::string&) {
    return false;
  }
  // Expected to call setDestination; without one the transfer fails.
  virtual void downloadDecideDestinationWithSuggestedFilename(URLDownload&, const std::string&) {}
  virtual void downloadDidCreateDestination(URLDownload&, const std::string&) {}
  // Bytes as they came off the network, before any decoding; after a restart
  // from zero, only those beyond what was counted before.
  virtual void downloadDidReceiveDataOfLength(URLDownload&, uint64_t) {}
  // For the trace: the connection broke with `stored` bytes in the file, and
  // resumption `attempt` (1 to 3) will ask for the rest after a short pause.
  virtual void downloadWillResume(URLDownload&, uint64_t /*stored*/, int /*attempt*/) {}
  // For the trace: the server answered the resumption, and the body goes on
  // from `offset` (0: the server sent the whole body again).
  virtual void downloadDidResume(URLDownload&, uint64_t /*offset*/) {}
  virtual void downloadDidFinish(URLDownload&) {}
  // A file the transfer had created is already deleted.
  virtual void downloadDidFailWithError(URLDownload&, const Error&) {}
};

class URLDownload {
 public:
  // Starts the transfer at once; nothing when it cannot be started (a URL
  // that does not parse, a scheme other than http or https, no transfer
  // handle).
  static std::unique_ptr<URLDownload> start(URLRequest request, URLDownloadDelegate& delegate);

  virtual ~URLDownload() = default;  // cancels a transfer still running
  URLDownload(const URLDownload&) = delete;
  URLDownload& operator=(const URLDownload&) = delete;

  const URLRequest& request() const { return request_; }
  // The file is created exclusively and never overwritten: when the name is
  // taken, the next free name in the same folder is used ("name-1.ext",
  // "name-2.ext", ...).
  virtual void setDestination(const std::string& path) = 0;
  // No further callbacks; a file already created is deleted.
  virtual void cancel() = 0;

 protected:
  explicit URLDownload(URLRequest request) : request_(std::move(request)) {}
  URLRequest request_;
};

// ---- Helpers, exposed for their tests.

// The file name a response suggests: the Content-Disposition file name, else
// the last component of the URL's path, reduced to a plain name.
std::string suggestedFilename(std::string_view contentDisposition, std::string_view url);
// A plain file name: no folder part, no "." or "..", no control characters,
// at most 255 bytes; `fallback` when nothing is left.
std::string plainFilename(std::string_view name, std::string_view fallback = "download");
// "installer" -> "installer-3", "installer.p7" -> "installer-3.p7".
std::string numberedFilename(std::string_view name, unsigned number);

struct CreatedFile {
  UniqueFd fd;
  std::string path;
};
// Creates `path` exclusively (mode 0600, no link followed), or the first free
// numbered name beside it; errno describes a failure.
std::optional<CreatedFile> createExclusiveFile(const std::string& path);

// The URL error for `code`, with its readable description.
Error urlError(int code, std::string failingURL, std::string_view detail = {});

}  // namespace platform
