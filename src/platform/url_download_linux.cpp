// Transfers on libcurl's multi-socket interface, driven by the GLib run loop:
// curl names the sockets and the time-out it wants watched, the run loop
// tells curl when they are ready. Redirects are followed here rather than by
// curl, so every hop is checked and reported to the delegate.
#include "platform/url_download.h"

#include "platform/http_resume.h"
#include "platform/paths.h"
#include "platform/run_loop.h"

#include <curl/curl.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <map>
#include <vector>

namespace platform {

namespace {

constexpr int kMaxRedirects = 16;
// curl bounds a response's header section but keeps every trailer field it
// is sent; the page of a redirect is read only to be dropped.
constexpr std::size_t kMaxTrailerBytes = 256 * 1024;
constexpr std::size_t kMaxRedirectPageBytes = 1024 * 1024;
constexpr unsigned kMaxNumberedNames = 10000;
// A broken connection is taken up this often per transfer, after a pause
// that doubles each time.
constexpr int kMaxResumptions = 3;
constexpr std::chrono::milliseconds kFirstResumeDelay{250};
// curl hands the body over in pieces of at most 16 KiB; they reach the file
// in writes of this size.
constexpr std::size_t kWriteBufferBytes = 256 * 1024;

struct CurlEasyDeleter {
  void operator()(CURL* handle) const { curl_easy_cleanup(handle); }
};
struct CurlMultiDeleter {
  void operator()(CURLM* handle) const { curl_multi_cleanup(handle); }
};
struct CurlSlistDeleter {
  void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};
struct CurlUrlDeleter {
  void operator()(CURLU* url) const { curl_url_cleanup(url); }
};
struct CurlStringDeleter {
  void operator()(char* s) const { curl_free(s); }
};
using CurlEasy = std::unique_ptr<CURL, CurlEasyDeleter>;
using CurlMulti = std::unique_ptr<CURLM, CurlMultiDeleter>;
using CurlSlist = std::unique_ptr<curl_slist, CurlSlistDeleter>;
using CurlUrl = std::unique_ptr<CURLU, CurlUrlDeleter>;

bool isWebScheme(const std::string& url) {
  CurlUrl handle(curl_url());
  if (!handle || curl_url_set(handle.get(), CURLUPART_URL, url.c_str(), 0) != CURLUE_OK)
    return false;
  char* raw = nullptr;
  if (curl_url_get(handle.get(), CURLUPART_SCHEME, &raw, 0) != CURLUE_OK) return false;
  std::unique_ptr<char, CurlStringDeleter> scheme(raw);
  return std::strcmp(scheme.get(), "http") == 0 || std::strcmp(scheme.get(), "https") == 0;
}

// The connection broke: reset, or closed before the body's end.
bool connectionLost(CURLcode code) {
  return code == CURLE_PARTIAL_FILE || code == CURLE_RECV_ERROR || code == CURLE_SEND_ERROR ||
         code == CURLE_GOT_NOTHING || code == CURLE_HTTP2_STREAM;
}

int urlErrorCode(CURLcode code) {
  switch (code) {
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_RESOLVE_PROXY: return URLErrorCannotFindHost;
    case CURLE_COULDNT_CONNECT: return URLErrorCannotConnectToHost;
    case CURLE_OPERATION_TIMEDOUT: return URLErrorTimedOut;
    case CURLE_PARTIAL_FILE:
    case CURLE_RECV_ERROR:
    case CURLE_SEND_ERROR:
    case CURLE_GOT_NOTHING:
    case CURLE_HTTP2_STREAM: return URLErrorNetworkConnectionLost;
    case CURLE_UNSUPPORTED_PROTOCOL: return URLErrorUnsupportedURL;
    case CURLE_URL_MALFORMAT: return URLErrorBadURL;
    case CURLE_TOO_MANY_REDIRECTS: return URLErrorHTTPTooManyRedirects;
    case CURLE_FILESIZE_EXCEEDED: return URLErrorDataLengthExceedsMaximum;
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_SSL_CACERT_BADFILE: return URLErrorSecureConnectionFailed;
    case CURLE_WEIRD_SERVER_REPLY:
    case CURLE_HTTP2:
    case CURLE_BAD_CONTENT_ENCODING: return URLErrorBadServerResponse;
    default: return URLErrorUnknown;
  }
}

bool startsWithIgnoringCase(std::string_view s, std::string_view prefix) {
  if (s.size() < prefix.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(s[i])) != prefix[i]) return false;
  return true;
}

std::string_view headerValue(std::string_view line, std::size_t nameLength) {
  std::string_view v = line.substr(nameLength);
  while (!v.empty() && (v.front() == ' ' || v.front() == '\t')) v.remove_prefix(1);
  while (!v.empty() &&
         (v.back() == '\r' || v.back() == '\n' || v.back() == ' ' || v.back() == '\t'))
    v.remove_suffix(1);
  return v;
}

bool writeAll(int fd, const char* data, std::size_t length) {
  while (length > 0) {
    ssize_t n = ::write(fd, data, length);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    data += n;
    length -= static_cast<std::size_t>(n);
  }
  return true;
}

// gzip bodies, member after member, inflated as they arrive.
class GzipInflater {
 public:
  GzipInflater() : ready_(inflateInit2(&stream_, 16 + MAX_WBITS) == Z_OK) {}
  ~GzipInflater() {
    if (ready_) inflateEnd(&stream_);
  }
  GzipInflater(const GzipInflater&) = delete;
  GzipInflater& operator=(const GzipInflater&) = delete;

  bool ready() const { return ready_; }
  bool atEnd() const { return ended_; }

  // Hands every inflated piece to `sink`; false on corrupt data or when the
  // sink refuses.
  template <typename Sink>
  bool feed(const char* data, std::size_t length, Sink&& sink) {
    stream_.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data));
    stream_.avail_in = static_cast<uInt>(length);
    while (stream_.avail_in > 0) {
      if (ended_) {
        if (inflateReset(&stream_) != Z_OK) return false;
        ended_ = false;
      }
      stream_.next_out = out_;
      stream_.avail_out = sizeof out_;
      int rc = inflate(&stream_, Z_NO_FLUSH);
      if (rc != Z_OK && rc != Z_STREAM_END && rc != Z_BUF_ERROR) return false;
      std::size_t produced = sizeof out_ - stream_.avail_out;
      if (produced > 0 && !sink(reinterpret_cast<const char*>(out_), produced)) return false;
      if (rc == Z_STREAM_END)
        ended_ = true;
      else if (rc == Z_BUF_ERROR && produced == 0)
        return false;
    }
    return true;
  }

 private:
  z_stream stream_{};
  bool ready_;
  bool ended_ = false;
  Bytef out_[64 * 1024];
};

class CurlDownload;

// What curl's callbacks point to. It can outlive its download for a moment:
// a download cancelled or destroyed from inside a curl callback leaves it to
// the session, which lets go of the handle once curl has returned.
struct Handle {
  CurlSlist headers;  // outlives the handle that sends it
  CurlEasy easy;
  CurlDownload* owner = nullptr;
  bool attached = false;
};

class Session {
 public:
  static Session& shared() {
    static Session session;
    return session;
  }

  bool attach(Handle& handle) {
    if (curl_multi_add_handle(multi_.get(), handle.easy.get()) != CURLM_OK) return false;
    handle.attached = true;
    return true;
  }

  void detach(Handle& handle) {
    if (!handle.attached) return;
    curl_multi_remove_handle(multi_.get(), handle.easy.get());
    handle.attached = false;
  }

  // Takes a handle whose download is gone or no longer wants it.
  void release(std::unique_ptr<Handle> handle) {
    if (!handle) return;
    handle->owner = nullptr;
    if (depth_ > 0) {
      retired_.push_back(std::move(handle));
    } else {
      detach(*handle);
    }
  }

 private:
  Session() {
    RunLoop::main();  // constructed first, so it outlives the session
    curl_global_init(CURL_GLOBAL_DEFAULT);
    multi_.reset(curl_multi_init());
    curl_multi_setopt(multi_.get(), CURLMOPT_SOCKETFUNCTION, &Session::onSocket);
    curl_multi_setopt(multi_.get(), CURLMOPT_SOCKETDATA, this);
    curl_multi_setopt(multi_.get(), CURLMOPT_TIMERFUNCTION, &Session::onTimer);
    curl_multi_setopt(multi_.get(), CURLMOPT_TIMERDATA, this);
  }

  ~Session() {
    for (auto& handle : retired_) detach(*handle);
    retired_.clear();
    for (const auto& [socket, watch] : watches_) RunLoop::main().remove(watch);
    RunLoop::main().remove(timer_);
    multi_.reset();
    curl_global_cleanup();
  }

  static int onSocket(CURL*, curl_socket_t socket, int what, void* self, void*) {
    auto& session = *static_cast<Session*>(self);
    auto it = session.watches_.find(socket);
    if (it != session.watches_.end()) {
      RunLoop::main().remove(it->second);
      session.watches_.erase(it);
    }
    if (what == CURL_POLL_REMOVE) return 0;
    unsigned conditions = 0;
    if (what & CURL_POLL_IN) conditions |= RunLoop::Readable;
    if (what & CURL_POLL_OUT) conditions |= RunLoop::Writable;
    session.watches_[socket] =
        RunLoop::main().watchFd(socket, conditions, [&session, socket](unsigned ready) {
          int events = 0;
          if (ready & (RunLoop::Readable | RunLoop::HangUp)) events |= CURL_CSELECT_IN;
          if (ready & RunLoop::Writable) events |= CURL_CSELECT_OUT;
          if (ready & RunLoop::Error) events |= CURL_CSELECT_ERR;
          session.drive(socket, events);
          return true;
        });
    return 0;
  }

  static int onTimer(CURLM*, long timeoutMs, void* self) {
    auto& session = *static_cast<Session*>(self);
    RunLoop::main().remove(session.timer_);
    session.timer_ = 0;
    if (timeoutMs >= 0)
      session.timer_ = RunLoop::main().addTimer(std::chrono::milliseconds(timeoutMs), [&session] {
        session.timer_ = 0;
        session.drive(CURL_SOCKET_TIMEOUT, 0);
        return false;
      });
    return 0;
  }

  void drive(curl_socket_t socket, int events);

  CurlMulti multi_;
  std::map<curl_socket_t, RunLoop::SourceId> watches_;
  RunLoop::SourceId timer_ = 0;
  int depth_ = 0;  // inside curl_multi_socket_action
  std::vector<std::unique_ptr<Handle>> retired_;
};

class CurlDownload final : public URLDownload {
 public:
  CurlDownload(URLRequest request, URLDownloadDelegate& delegate)
      : URLDownload(std::move(request)), delegate_(&delegate) {}

  ~CurlDownload() override { discard(); }

  bool begin() {
    handle_ = std::make_unique<Handle>();
    handle_->owner = this;
    handle_->easy.reset(curl_easy_init());
    if (!handle_->easy || !setHeaders({})) return false;
    CURL* easy = handle_->easy.get();
    curl_easy_setopt(easy, CURLOPT_PRIVATE, handle_.get());
    curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(easy, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 0L);
    // Bodies are stored as sent; only chunked framing is undone.
    curl_easy_setopt(easy, CURLOPT_HTTP_CONTENT_DECODING, 0L);
    // A proxy's own CONNECT answer is not the server's response.
    curl_easy_setopt(easy, CURLOPT_SUPPRESS_CONNECT_HEADERS, 1L);
    curl_easy_setopt(easy, CURLOPT_HEADERFUNCTION, &CurlDownload::onHeader);
    curl_easy_setopt(easy, CURLOPT_HEADERDATA, handle_.get());
    curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, &CurlDownload::onBody);
    curl_easy_setopt(easy, CURLOPT_WRITEDATA, handle_.get());
    // Fewer, larger pieces: one write and one progress step each.
    curl_easy_setopt(easy, CURLOPT_BUFFERSIZE, 256L * 1024);
    if (!load(request_.url)) return false;
    touch();
    armIdleTimer(request_.timeoutInterval);
    return true;
  }

  void setDestination(const std::string& path) override { destination_ = path; }

  void cancel() override {
    if (state_ == State::Done) return;
    delegate_ = nullptr;
    discard();
  }

  // The transfer on `handle` ended as curl says.
  static void completed(Handle& handle, CURLcode code) {
    if (handle.owner) handle.owner->complete(code);
  }

 private:
  enum class State { AwaitingHeaders, Redirecting, Receiving, Done };

  // The request's header fields: never from a cache on the way, and `extra`.
  // Only while the handle is not attached.
  bool setHeaders(std::initializer_list<std::string> extra) {
    CurlSlist list(curl_slist_append(nullptr, "Cache-Control: no-cache"));
    if (!list || !curl_slist_append(list.get(), "Pragma: no-cache")) return false;
    for (const std::string& field : extra)
      if (!curl_slist_append(list.get(), field.c_str())) return false;
    curl_easy_setopt(handle_->easy.get(), CURLOPT_HTTPHEADER, list.get());
    handle_->headers = std::move(list);
    return true;
  }

  bool load(const std::string& url) {
    curl_easy_setopt(handle_->easy.get(), CURLOPT_URL, url.c_str());
    currentURL_ = url;
    state_ = State::AwaitingHeaders;
    contentLength_ = URLResponseUnknownLength;
    contentType_.clear();
    contentDisposition_.clear();
    clearValidators();
    sawLocation_ = false;
    trailerBytes_ = 0;
    redirectPageBytes_ = 0;
    return Session::shared().attach(*handle_);
  }

  void touch() { lastActivity_ = std::chrono::steady_clock::now(); }

  void armIdleTimer(std::chrono::milliseconds after) {
    idleTimer_ = RunLoop::main().addTimer(after, [this] {
      idleTimer_ = 0;
      auto idle = std::chrono::duration_cast<std::chrono::milliseconds>(
          std::chrono::steady_clock::now() - lastActivity_);
      if (idle >= request_.timeoutInterval)
        fail(urlError(URLErrorTimedOut, currentURL_));
      else
        armIdleTimer(request_.timeoutInterval - idle);
      return false;
    });
  }

  // Lets go of the idle timer and the transfer handle.
  void stop() {
    state_ = State::Done;
    RunLoop::main().remove(idleTimer_);
    idleTimer_ = 0;
    RunLoop::main().remove(resumeTimer_);
    resumeTimer_ = 0;
    if (handle_) Session::shared().release(std::move(handle_));
  }

  // Stops, and deletes a file already created; no callback.
  void discard() {
    stop();
    pending_.clear();
    if (file_) {
      file_.reset();
      ::unlink(createdPath_.c_str());
    }
  }

  // By value: the delegate may destroy this download, and with it
  // pendingError_, while it looks at the error.
  void fail(Error error) {
    URLDownloadDelegate* delegate = delegate_;
    discard();
    if (delegate) delegate->downloadDidFailWithError(*this, error);
  }

  void finish() {
    URLDownloadDelegate* delegate = delegate_;
    stop();
    if (delegate) delegate->downloadDidFinish(*this);
  }

  void complete(CURLcode code) {
    if (pendingError_) return fail(*pendingError_);
    if (code != CURLE_OK) {
      if (mayResume(code)) return scheduleResume();
      int urlCode = urlErrorCode(code);
      return fail(urlError(urlCode, currentURL_,
                           urlCode == URLErrorUnknown ? curl_easy_strerror(code) : ""));
    }
    if (state_ == State::Redirecting) return redirect();
    if (state_ != State::Receiving) return fail(urlError(URLErrorBadServerResponse, currentURL_));
    if (inflater_ && !inflater_->atEnd())
      return fail(
          urlError(URLErrorCannotDecodeContentData, currentURL_, "the gzip data ends early"));
    if (rangeEnd_ && stored_ != *rangeEnd_)
      return fail(urlError(URLErrorBadServerResponse, currentURL_, "a range that ends early"));
    bool flushed = flush();
    int error = errno;
    int fd = file_.release();
    if (::close(fd) != 0 && flushed) {
      flushed = false;
      error = errno;
    }
    if (!flushed) {
      ::unlink(createdPath_.c_str());
      return fail(urlError(URLErrorCannotWriteToFile, currentURL_, std::strerror(error)));
    }
    finish();
  }

  void redirect() {
    char* target = nullptr;
    curl_easy_getinfo(handle_->easy.get(), CURLINFO_REDIRECT_URL, &target);
    if (!target)
      return fail(urlError(URLErrorBadServerResponse, currentURL_, "a redirect without a target"));
    std::string next = target;
    if (++redirects_ > kMaxRedirects)
      return fail(urlError(URLErrorHTTPTooManyRedirects, currentURL_));
    if (!isWebScheme(next)) return fail(urlError(URLErrorUnsupportedURL, next));
    URLResponse redirectResponse = response(next);
    URLRequest proposed = request_;
    proposed.url = next;
    std::optional<URLRequest> chosen =
        delegate_->downloadWillSendRequest(*this, proposed, redirectResponse);
    if (state_ == State::Done) return;  // cancelled meanwhile
    if (!chosen) return fail(urlError(URLErrorCancelled, currentURL_));
    if (!isWebScheme(chosen->url)) return fail(urlError(URLErrorUnsupportedURL, chosen->url));
    request_ = std::move(*chosen);
    Session::shared().detach(*handle_);
    if (!load(request_.url))
      return fail(urlError(URLErrorUnknown, request_.url, "the transfer could not go on"));
    touch();
  }

  // Only a body stored as sent, begun, and with a validator that tells
  // whether the server still has the same one.
  bool mayResume(CURLcode code) const {
    return connectionLost(code) && responded_ && !inflater_ && stored_ > 0 &&
           !validator_.empty() && resumptions_ < kMaxResumptions && file_;
  }

  void scheduleResume() {
    // The file holds exactly what was counted before anything asks for the
    // rest.
    if (!flush())
      return fail(urlError(URLErrorCannotWriteToFile, currentURL_, std::strerror(errno)));
    Session::shared().detach(*handle_);
    ++resumptions_;
    delegate_->downloadWillResume(*this, stored_, resumptions_);
    if (state_ == State::Done) return;  // cancelled meanwhile
    state_ = State::AwaitingHeaders;
    touch();
    resumeTimer_ = RunLoop::main().addTimer(kFirstResumeDelay * (1 << (resumptions_ - 1)), [this] {
      resumeTimer_ = 0;
      resume();
      return false;
    });
  }

  void resume() {
    // From the first response's URL: any redirect of the first request is
    // followed again, under the same rules.
    request_.url = responseURL_;
    rangeEnd_.reset();
    if (!setHeaders({"Range: bytes=" + std::to_string(stored_) + "-", "If-Range: " + validator_}) ||
        !load(request_.url))
      return fail(urlError(URLErrorUnknown, request_.url, "the transfer could not go on"));
    touch();
  }

  void clearValidators() {
    etag_.clear();
    lastModified_.clear();
    date_.clear();
    contentRange_.clear();
  }

  // The answer to a resumption: a 206 that continues the file exactly, or a
  // 200 with the whole body again.
  bool resumedResponse(long status) {
    if (status == 206) {
      std::optional<ContentRange> range = parseContentRange(contentRange_);
      // The same version: the kind of validator we hold, when it sends one,
      // must be ours.
      const std::string& sent = validator_.starts_with('"') ? etag_ : lastModified_;
      if (!range || range->first != stored_ || (!sent.empty() && sent != validator_) ||
          (totalLength_ >= 0 && range->total != totalLength_) ||
          (range->total >= 0 && range->last + 1 != static_cast<uint64_t>(range->total)))
        return refuse(urlError(URLErrorBadServerResponse, currentURL_,
                               "a resumed body that does not continue the file"));
      totalLength_ = range->total;
      rangeEnd_ = range->last + 1;
    } else if (status == 200) {
      if (contentLength_ > 0 && static_cast<uint64_t>(contentLength_) > request_.maximumLength)
        return refuse(urlError(URLErrorDataLengthExceedsMaximum, currentURL_));
      pending_.clear();
      if (::ftruncate(file_.get(), 0) != 0 || ::lseek(file_.get(), 0, SEEK_SET) != 0)
        return refuse(urlError(URLErrorCannotWriteToFile, currentURL_, std::strerror(errno)));
      stored_ = 0;
      totalLength_ = contentLength_;
      validator_ = ifRangeValidator(etag_, lastModified_, date_);
    } else if (status == 404 || status == 410) {
      return refuse(urlError(URLErrorFileDoesNotExist, currentURL_));
    } else {
      return refuse(urlError(URLErrorBadServerResponse, currentURL_,
                             "HTTP status " + std::to_string(status)));
    }
    state_ = State::Receiving;
    delegate_->downloadDidResume(*this, stored_);
    return delegate_ != nullptr;
  }

  URLResponse response(const std::string& suggestedFrom) const {
    URLResponse r;
    char* effective = nullptr;
    curl_easy_getinfo(handle_->easy.get(), CURLINFO_EFFECTIVE_URL, &effective);
    r.url = effective ? effective : currentURL_;
    curl_easy_getinfo(handle_->easy.get(), CURLINFO_RESPONSE_CODE, &r.statusCode);
    r.expectedContentLength = contentLength_;
    r.mimeType = contentType_;
    r.suggestedFilename = suggestedFilename(contentDisposition_, suggestedFrom);
    return r;
  }

  static size_t onHeader(char* data, size_t, size_t length, void* userdata) {
    auto& handle = *static_cast<Handle*>(userdata);
    if (!handle.owner) return 0;
    return handle.owner->header(std::string_view(data, length)) ? length : 0;
  }

  static size_t onBody(char* data, size_t, size_t length, void* userdata) {
    auto& handle = *static_cast<Handle*>(userdata);
    if (!handle.owner) return 0;
    return handle.owner->body(data, length) ? length : 0;
  }

  bool header(std::string_view line) {
    touch();
    if (state_ != State::AwaitingHeaders) {  // trailers
      trailerBytes_ += line.size();
      return trailerBytes_ <= kMaxTrailerBytes ||
             refuse(urlError(URLErrorBadServerResponse, currentURL_, "too many trailer fields"));
    }
    if (line.starts_with("HTTP/")) {
      contentLength_ = URLResponseUnknownLength;
      contentType_.clear();
      contentDisposition_.clear();
      clearValidators();
      sawLocation_ = false;
    } else if (startsWithIgnoringCase(line, "content-length:")) {
      std::string_view v = headerValue(line, 15);
      int64_t n = 0;
      auto [end, error] = std::from_chars(v.data(), v.data() + v.size(), n);
      bool valid = error == std::errc() && end == v.data() + v.size() && n >= 0;
      contentLength_ = valid ? n : URLResponseUnknownLength;
    } else if (startsWithIgnoringCase(line, "content-type:")) {
      std::string_view v = headerValue(line, 13);
      v = v.substr(0, v.find(';'));
      while (!v.empty() && (v.back() == ' ' || v.back() == '\t')) v.remove_suffix(1);
      contentType_ = v;
    } else if (startsWithIgnoringCase(line, "content-disposition:")) {
      contentDisposition_ = headerValue(line, 20);
    } else if (startsWithIgnoringCase(line, "location:")) {
      sawLocation_ = true;
    } else if (startsWithIgnoringCase(line, "etag:")) {
      etag_ = headerValue(line, 5);
    } else if (startsWithIgnoringCase(line, "last-modified:")) {
      lastModified_ = headerValue(line, 14);
    } else if (startsWithIgnoringCase(line, "date:")) {
      date_ = headerValue(line, 5);
    } else if (startsWithIgnoringCase(line, "content-range:")) {
      contentRange_ = headerValue(line, 14);
    } else if (line == "\r\n" || line == "\n") {
      return headersEnded();
    }
    return true;
  }

  bool headersEnded() {
    long status = 0;
    curl_easy_getinfo(handle_->easy.get(), CURLINFO_RESPONSE_CODE, &status);
    if (status < 200) return true;  // an interim response; the real one follows
    if (status >= 300 && status < 400 && sawLocation_) {
      state_ = State::Redirecting;
      return true;
    }
    if (responded_) return resumedResponse(status);
    if (status == 404 || status == 410)
      return refuse(urlError(URLErrorFileDoesNotExist, currentURL_));
    if (status >= 400)
      return refuse(urlError(URLErrorBadServerResponse, currentURL_,
                             "HTTP status " + std::to_string(status)));

    state_ = State::Receiving;
    URLResponse r = response(currentURL_);
    delegate_->downloadDidReceiveResponse(*this, r);
    if (!delegate_) return false;
    if (delegate_->downloadShouldDecodeSourceDataOfMIMEType(*this, r.mimeType)) {
      inflater_ = std::make_unique<GzipInflater>();
      if (!inflater_->ready())
        return refuse(urlError(URLErrorCannotDecodeContentData, currentURL_));
    } else if (contentLength_ > 0 &&
               static_cast<uint64_t>(contentLength_) > request_.maximumLength) {
      return refuse(urlError(URLErrorDataLengthExceedsMaximum, currentURL_));
    }
    if (!delegate_) return false;
    delegate_->downloadDecideDestinationWithSuggestedFilename(*this, r.suggestedFilename);
    if (!delegate_) return false;
    if (destination_.empty())
      return refuse(urlError(URLErrorCannotCreateFile, currentURL_, "no destination"));
    std::optional<CreatedFile> created = createExclusiveFile(destination_);
    if (!created)
      return refuse(urlError(URLErrorCannotCreateFile, currentURL_, std::strerror(errno)));
    file_ = std::move(created->fd);
    createdPath_ = std::move(created->path);
    responded_ = true;
    responseURL_ = currentURL_;
    totalLength_ = contentLength_;
    validator_ = ifRangeValidator(etag_, lastModified_, date_);
    delegate_->downloadDidCreateDestination(*this, createdPath_);
    return delegate_ != nullptr;
  }

  bool body(const char* data, std::size_t length) {
    touch();
    if (state_ == State::Redirecting) {  // the redirect's own page
      redirectPageBytes_ += length;
      return redirectPageBytes_ <= kMaxRedirectPageBytes ||
             refuse(urlError(URLErrorBadServerResponse, currentURL_, "a redirect page too long"));
    }
    if (state_ != State::Receiving || !file_) return false;
    auto store = [this](const char* bytes, std::size_t n) {
      if (n > request_.maximumLength - stored_)
        return refuse(urlError(URLErrorDataLengthExceedsMaximum, currentURL_));
      if (rangeEnd_ && n > *rangeEnd_ - stored_)
        return refuse(urlError(URLErrorBadServerResponse, currentURL_, "a range that runs over"));
      stored_ += n;
      if (!buffer(bytes, n))
        return refuse(urlError(URLErrorCannotWriteToFile, currentURL_, std::strerror(errno)));
      return true;
    };
    bool stored = inflater_ ? inflater_->feed(data, length, store) : store(data, length);
    if (!stored) {
      if (!pendingError_)
        pendingError_ = urlError(URLErrorCannotDecodeContentData, currentURL_, "corrupt gzip data");
      return false;
    }
    // A body started again is counted only where it passes the old one.
    uint64_t fresh = length;
    if (!inflater_) {
      fresh = stored_ > reported_ ? stored_ - reported_ : 0;
      reported_ = std::max(reported_, stored_);
    }
    if (fresh > 0) delegate_->downloadDidReceiveDataOfLength(*this, fresh);
    return delegate_ != nullptr;
  }

  // Body bytes counted in stored_ but not yet in the file.
  bool buffer(const char* bytes, std::size_t n) {
    if (pending_.capacity() < kWriteBufferBytes) pending_.reserve(kWriteBufferBytes);
    if (pending_.size() + n > kWriteBufferBytes && !flush()) return false;
    if (n >= kWriteBufferBytes) return writeAll(file_.get(), bytes, n);
    pending_.insert(pending_.end(), bytes, bytes + n);
    return true;
  }

  bool flush() {
    bool written = writeAll(file_.get(), pending_.data(), pending_.size());
    pending_.clear();
    return written;
  }

  // Ends the transfer from inside curl; the failure is reported once curl
  // has returned.
  bool refuse(Error error) {
    pendingError_ = std::move(error);
    return false;
  }

  URLDownloadDelegate* delegate_;  // nothing once cancelled
  std::unique_ptr<Handle> handle_;
  State state_ = State::AwaitingHeaders;
  std::string currentURL_;
  int redirects_ = 0;
  int64_t contentLength_ = URLResponseUnknownLength;
  std::string contentType_;
  std::string contentDisposition_;
  bool sawLocation_ = false;
  std::size_t trailerBytes_ = 0;
  std::size_t redirectPageBytes_ = 0;
  std::string destination_;
  std::string createdPath_;
  UniqueFd file_;
  std::vector<char> pending_;  // see buffer()
  std::unique_ptr<GzipInflater> inflater_;
  uint64_t stored_ = 0;
  std::optional<Error> pendingError_;
  std::chrono::steady_clock::time_point lastActivity_;
  RunLoop::SourceId idleTimer_ = 0;
  // Taking up a broken connection.
  std::string etag_, lastModified_, date_, contentRange_;  // of the response being read
  bool responded_ = false;   // the delegate has had the response
  std::string responseURL_;  // where that response came from
  std::string validator_;    // If-Range for the body in the file; empty: not resumable
  int64_t totalLength_ = URLResponseUnknownLength;
  std::optional<uint64_t> rangeEnd_;  // where a 206 being read must end
  int resumptions_ = 0;
  uint64_t reported_ = 0;  // body bytes the delegate has heard of
  RunLoop::SourceId resumeTimer_ = 0;
};

void Session::drive(curl_socket_t socket, int events) {
  int running = 0;
  ++depth_;
  curl_multi_socket_action(multi_.get(), socket, events, &running);
  --depth_;
  for (auto& handle : retired_) detach(*handle);
  retired_.clear();
  int queued = 0;
  while (CURLMsg* message = curl_multi_info_read(multi_.get(), &queued)) {
    if (message->msg != CURLMSG_DONE) continue;
    Handle* handle = nullptr;
    curl_easy_getinfo(message->easy_handle, CURLINFO_PRIVATE, &handle);
    // Callbacks may start, cancel or destroy downloads: the message goes
    // with the handle's removal.
    if (handle) CurlDownload::completed(*handle, message->data.result);
  }
}

}  // namespace

std::unique_ptr<URLDownload> URLDownload::start(URLRequest request, URLDownloadDelegate& delegate) {
  if (!isWebScheme(request.url)) return nullptr;
#if NIMBRA_TEST_SETTINGS
  // Tests lower the bound to show what happens past it without gigabytes.
  if (const char* bound = std::getenv("NIMBRA_TEST_MAX_DOWNLOAD_BYTES")) {
    uint64_t value = 0;
    auto [end, error] = std::from_chars(bound, bound + std::strlen(bound), value);
    if (error == std::errc() && *end == '\0')
      request.maximumLength = std::min(request.maximumLength, value);
  }
#endif
  auto download = std::make_unique<CurlDownload>(std::move(request), delegate);
  if (!download->begin()) return nullptr;
  return download;
}

std::optional<CreatedFile> createExclusiveFile(const std::string& path) {
  const std::string folder = deletingLastPathComponent(path);
  const std::string name = lastPathComponent(path);
  for (unsigned number = 0; number < kMaxNumberedNames; ++number) {
    std::string candidate =
        number == 0 ? path : appendingPathComponent(folder, numberedFilename(name, number));
    int fd = ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd >= 0) return CreatedFile{UniqueFd(fd), std::move(candidate)};
    if (errno != EEXIST) return std::nullopt;
  }
  errno = EEXIST;
  return std::nullopt;
}

}  // namespace platform
