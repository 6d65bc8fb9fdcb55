#include "platform/files.h"

#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <system_error>

namespace platform {

bool fileExists(const std::string& path) {
  struct stat info {};
  return !path.empty() && ::stat(path.c_str(), &info) == 0;
}

bool isDirectory(const std::string& path) {
  struct stat info {};
  return !path.empty() && ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

std::optional<mode_t> posixPermissions(const std::string& path) {
  struct stat info {};
  if (path.empty() || ::lstat(path.c_str(), &info) != 0) return std::nullopt;
  return info.st_mode & 07777;
}

bool setPosixPermissions(const std::string& path, mode_t mode) {
  return !path.empty() && ::chmod(path.c_str(), mode & 07777) == 0;
}

bool removeItem(const std::string& path) {
  std::error_code error;
  std::filesystem::remove_all(path, error);
  return !error;
}

std::string resolvingSymlinksInPath(const std::string& path) {
  std::unique_ptr<char, decltype(&std::free)> resolved(::realpath(path.c_str(), nullptr),
                                                       &std::free);
  return resolved ? std::string(resolved.get()) : path;
}

std::string currentDirectory() {
  std::error_code error;
  auto cwd = std::filesystem::current_path(error);
  return error ? std::string() : cwd.string();
}

}  // namespace platform
