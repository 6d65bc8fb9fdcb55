#include "platform/paths.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>

namespace platform {

namespace {

std::string trimTrailingSlashes(std::string path) {
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  return path;
}

std::string environmentOr(const char* name, std::string fallback) {
  const char* value = std::getenv(name);
  return (value && *value) ? std::string(value) : fallback;
}

}  // namespace

std::string appendingPathComponent(std::string_view base, std::string_view component) {
  std::string result = trimTrailingSlashes(std::string(base));
  while (!component.empty() && component.front() == '/') component.remove_prefix(1);
  if (component.empty()) return result;
  if (!result.empty() && result.back() != '/') result += '/';
  result += component;
  return trimTrailingSlashes(result);
}

std::string lastPathComponent(std::string_view path) {
  std::string trimmed = trimTrailingSlashes(std::string(path));
  if (trimmed == "/") return trimmed;
  auto slash = trimmed.rfind('/');
  return slash == std::string::npos ? trimmed : trimmed.substr(slash + 1);
}

std::string deletingLastPathComponent(std::string_view path) {
  std::string trimmed = trimTrailingSlashes(std::string(path));
  auto slash = trimmed.rfind('/');
  if (slash == std::string::npos) return "";
  if (slash == 0) return "/";
  return trimTrailingSlashes(trimmed.substr(0, slash));
}

bool isAbsolutePath(std::string_view path) {
  return !path.empty() && (path.front() == '/' || path.front() == '~');
}

std::string standardizingPath(std::string_view input) {
  std::string path(input);
  if (!path.empty() && path.front() == '~' && (path.size() == 1 || path[1] == '/'))
    path = homeDirectory() + path.substr(1);
  const bool absolute = !path.empty() && path.front() == '/';
  std::vector<std::string> parts;
  std::size_t start = 0;
  while (start <= path.size()) {
    auto end = path.find('/', start);
    if (end == std::string::npos) end = path.size();
    std::string part = path.substr(start, end - start);
    if (part == "..") {
      if (!parts.empty() && parts.back() != "..")
        parts.pop_back();
      else if (!absolute)
        parts.push_back(part);
    } else if (!part.empty() && part != ".") {
      parts.push_back(part);
    }
    start = end + 1;
  }
  std::string result = absolute ? "/" : "";
  for (std::size_t i = 0; i < parts.size(); ++i) {
    if (i) result += '/';
    result += parts[i];
  }
  return result.empty() ? (absolute ? "/" : ".") : result;
}

std::string rootDirectory() { return trimTrailingSlashes(environmentOr("NIMBRA_ROOT", "/")); }

std::string homeDirectory() {
  if (const char* home = std::getenv("HOME"); home && *home) return trimTrailingSlashes(home);
  if (const passwd* entry = getpwuid(getuid()); entry && entry->pw_dir) return entry->pw_dir;
  return "/";
}

std::string temporaryDirectory() { return trimTrailingSlashes(environmentOr("TMPDIR", "/tmp")); }

std::vector<std::string> searchPathForDirectories(SearchPathDirectory directory,
                                                  unsigned domains) {
  const char* relative = nullptr;
  switch (directory) {
    case LibraryDirectory: relative = "Library"; break;
    case CoreServiceDirectory: relative = "Library/CoreServices"; break;
    case ApplicationSupportDirectory: relative = "Library/Application Support"; break;
  }
  if (!relative) return {};

  const std::string root = rootDirectory();
  std::vector<std::string> folders;
  // Core services exist only in the system domain.
  if ((domains & UserDomainMask) && directory != CoreServiceDirectory)
    folders.push_back(appendingPathComponent(homeDirectory(), relative));
  if ((domains & LocalDomainMask) && directory != CoreServiceDirectory)
    folders.push_back(appendingPathComponent(root, relative));
  if ((domains & NetworkDomainMask) && directory != CoreServiceDirectory)
    folders.push_back(appendingPathComponent(appendingPathComponent(root, "Network"), relative));
  if (domains & SystemDomainMask)
    folders.push_back(appendingPathComponent(appendingPathComponent(root, "System"), relative));
  return folders;
}

}  // namespace platform
