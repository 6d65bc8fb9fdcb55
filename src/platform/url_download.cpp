#include "platform/url_download.h"

#include <curl/curl.h>

#include <memory>

namespace platform {

namespace {

constexpr std::size_t kMaxNameBytes = 255;

bool isSpace(char c) { return c == ' ' || c == '\t'; }

std::string_view trim(std::string_view s) {
  while (!s.empty() && isSpace(s.front())) s.remove_prefix(1);
  while (!s.empty() && isSpace(s.back())) s.remove_suffix(1);
  return s;
}

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

int hexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::string percentDecoded(std::string_view s) {
  std::string out;
  for (std::size_t i = 0; i < s.size(); ++i) {
    int high = -1, low = -1;
    if (s[i] == '%' && i + 2 < s.size() && (high = hexValue(s[i + 1])) >= 0 &&
        (low = hexValue(s[i + 2])) >= 0) {
      out += static_cast<char>(high * 16 + low);
      i += 2;
    } else {
      out += s[i];
    }
  }
  return out;
}

// Cuts `s` to at most `limit` bytes without splitting a UTF-8 sequence.
std::string_view utf8Prefix(std::string_view s, std::size_t limit) {
  if (s.size() <= limit) return s;
  std::size_t end = limit;
  while (end > 0 && (static_cast<unsigned char>(s[end]) & 0xC0) == 0x80) --end;
  return s.substr(0, end);
}

// The parameters of a header value such as `attachment; filename="a b"`,
// quoted strings unescaped.
struct Parameter {
  std::string name;
  std::string value;
};

std::vector<Parameter> headerParameters(std::string_view value) {
  std::vector<Parameter> parameters;
  std::size_t i = value.find(';');
  while (i != std::string_view::npos && i < value.size()) {
    ++i;  // past ';'
    std::size_t nameEnd = i;
    while (nameEnd < value.size() && value[nameEnd] != '=' && value[nameEnd] != ';') ++nameEnd;
    Parameter p{std::string(trim(value.substr(i, nameEnd - i))), {}};
    i = nameEnd;
    if (i < value.size() && value[i] == '=') {
      ++i;
      while (i < value.size() && isSpace(value[i])) ++i;
      if (i < value.size() && value[i] == '"') {
        for (++i; i < value.size() && value[i] != '"'; ++i) {
          if (value[i] == '\\' && i + 1 < value.size()) ++i;
          p.value += value[i];
        }
        if (i < value.size()) ++i;  // closing quote
        while (i < value.size() && value[i] != ';') ++i;
      } else {
        std::size_t end = value.find(';', i);
        p.value = std::string(trim(value.substr(i, end == std::string_view::npos ? end : end - i)));
        i = end;
      }
    }
    if (!p.name.empty()) parameters.push_back(std::move(p));
    if (i != std::string_view::npos && i < value.size() && value[i] != ';') i = value.find(';', i);
  }
  return parameters;
}

// The file name a Content-Disposition value names; "filename*" (UTF-8 only)
// wins over "filename".
std::string dispositionFilename(std::string_view disposition) {
  std::string plain, extended;
  for (const auto& p : headerParameters(disposition)) {
    if (equalsIgnoringCase(p.name, "filename")) {
      plain = p.value;
    } else if (equalsIgnoringCase(p.name, "filename*")) {
      std::string_view v = p.value;
      std::size_t q1 = v.find('\'');
      std::size_t q2 = q1 == std::string_view::npos ? q1 : v.find('\'', q1 + 1);
      if (q2 != std::string_view::npos && equalsIgnoringCase(v.substr(0, q1), "utf-8"))
        extended = percentDecoded(v.substr(q2 + 1));
    }
  }
  return extended.empty() ? plain : extended;
}

struct CurlUrlDeleter {
  void operator()(CURLU* url) const { curl_url_cleanup(url); }
};
struct CurlStringDeleter {
  void operator()(char* s) const { curl_free(s); }
};

std::string urlLastPathComponent(std::string_view url) {
  std::unique_ptr<CURLU, CurlUrlDeleter> handle(curl_url());
  if (!handle ||
      curl_url_set(handle.get(), CURLUPART_URL, std::string(url).c_str(), 0) != CURLUE_OK)
    return {};
  char* raw = nullptr;
  if (curl_url_get(handle.get(), CURLUPART_PATH, &raw, 0) != CURLUE_OK) return {};
  std::unique_ptr<char, CurlStringDeleter> path(raw);
  // Decoded here rather than by curl, which refuses "%00" outright.
  std::string decoded = percentDecoded(path.get());
  std::string_view p = decoded;
  while (!p.empty() && p.back() == '/') p.remove_suffix(1);
  return std::string(p.substr(p.find_last_of('/') + 1));
}

}  // namespace

std::string plainFilename(std::string_view name, std::string_view fallback) {
  // A folder part in either convention goes; so does anything a terminal or
  // a log line could trip over.
  std::size_t slash = name.find_last_of("/\\");
  if (slash != std::string_view::npos) name.remove_prefix(slash + 1);
  std::string clean;
  for (char c : name)
    if (static_cast<unsigned char>(c) >= 0x20 && c != 0x7f) clean += c;
  // Trimmed again after the cut, which may end on a space.
  std::string_view result = trim(utf8Prefix(trim(clean), kMaxNameBytes));
  if (result.empty() || result == "." || result == "..") return std::string(fallback);
  return std::string(result);
}

std::string suggestedFilename(std::string_view contentDisposition, std::string_view url) {
  std::string name = plainFilename(dispositionFilename(contentDisposition), "");
  if (!name.empty()) return name;
  return plainFilename(urlLastPathComponent(url));
}

std::string numberedFilename(std::string_view name, unsigned number) {
  std::size_t dot = name.rfind('.');
  if (dot == 0 || dot == std::string_view::npos) dot = name.size();
  std::string suffix = "-";
  suffix += std::to_string(number);
  const std::size_t room = kMaxNameBytes - suffix.size();
  // An extension that leaves no room for the number is cut as well.
  const std::string_view extension = utf8Prefix(name.substr(dot), room);
  return std::string(utf8Prefix(name.substr(0, dot), room - extension.size())) + suffix +
         std::string(extension);
}

Error urlError(int code, std::string failingURL, std::string_view detail) {
  static constexpr struct {
    int code;
    const char* text;
  } kDescriptions[] = {
      {URLErrorCancelled, "The transfer was cancelled."},
      {URLErrorBadURL, "The URL is not valid."},
      {URLErrorTimedOut, "The request timed out."},
      {URLErrorUnsupportedURL, "The URL's scheme is not supported."},
      {URLErrorCannotFindHost, "A server with the specified host name could not be found."},
      {URLErrorCannotConnectToHost, "Could not connect to the server."},
      {URLErrorNetworkConnectionLost, "The network connection was lost."},
      {URLErrorHTTPTooManyRedirects, "Too many HTTP redirects."},
      {URLErrorBadServerResponse, "The server sent a bad response."},
      {URLErrorCannotDecodeContentData, "The content could not be decoded."},
      {URLErrorFileDoesNotExist, "The requested file does not exist."},
      {URLErrorDataLengthExceedsMaximum, "The response is larger than allowed."},
      {URLErrorSecureConnectionFailed, "A secure connection to the server could not be made."},
      {URLErrorCannotCreateFile, "The destination file could not be created."},
      {URLErrorCannotWriteToFile, "The destination file could not be written."},
  };
  const char* text = "An unknown error occurred.";
  for (const auto& d : kDescriptions)
    if (d.code == code) text = d.text;
  std::string description = text;
  if (!detail.empty()) description += " (" + std::string(detail) + ")";
  return Error{kURLErrorDomain, code, std::move(description), std::move(failingURL)};
}

}  // namespace platform
