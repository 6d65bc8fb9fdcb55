// Pieces the unit tests share: a temporary folder that goes away with all it
// holds, environment variables put back exactly as they were, and files
// written and read in one call.
#pragma once

#include <stdlib.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <iterator>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace test_support {

// Writes `contents` to `path`, creating the folders above it.
inline void writeFile(const std::filesystem::path& path, const std::string& contents) {
  std::filesystem::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary) << contents;
}

// The whole of the file at `path`; empty when it cannot be read.
inline std::string readFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// A fresh folder of its own below the temporary folder, removed with
// everything inside it when the object goes.
class TempDir {
 public:
  TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "nimbra-unit.XXXXXX").string();
    if (!::mkdtemp(pattern.data())) {
      // No test can run without its folder, and none may write elsewhere.
      std::perror("mkdtemp");
      std::abort();
    }
    path_ = pattern;
  }
  ~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::filesystem::path& path() const { return path_; }
  std::string at(const std::string& relative) const { return (path_ / relative).string(); }

  // Returns the path written.
  std::string write(const std::string& relative, const std::string& contents) const {
    const std::string path = at(relative);
    writeFile(path, contents);
    return path;
  }
  std::string read(const std::string& relative) const { return readFile(at(relative)); }

  // Empties the folder; the folder itself stays.
  void clear() const {
    for (const auto& entry : std::filesystem::directory_iterator(path_))
      std::filesystem::remove_all(entry.path());
  }

 private:
  std::filesystem::path path_;
};

// Remembers environment variables before their first change, those named at
// construction at once, and puts each back on destruction: the value it had,
// or no variable at all where there was none.
class ScopedEnv {
 public:
  ScopedEnv() = default;
  explicit ScopedEnv(std::initializer_list<const char*> names) {
    for (const char* name : names) remember(name);
  }
  ~ScopedEnv() {
    for (auto it = saved_.rbegin(); it != saved_.rend(); ++it) {
      if (it->second) ::setenv(it->first.c_str(), it->second->c_str(), 1);
      else ::unsetenv(it->first.c_str());
    }
  }
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

  void set(const std::string& name, const std::string& value) {
    remember(name);
    ::setenv(name.c_str(), value.c_str(), 1);
  }
  void unset(const std::string& name) {
    remember(name);
    ::unsetenv(name.c_str());
  }

 private:
  void remember(const std::string& name) {
    for (const auto& entry : saved_)
      if (entry.first == name) return;
    const char* value = std::getenv(name.c_str());
    saved_.emplace_back(name, value ? std::optional<std::string>(value) : std::nullopt);
  }

  std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

// An XML property list holding one dictionary; `entries` is its raw body.
// Written as such files are, with a document type line for readers to skip.
inline std::string xmlPlist(const std::string& entries) {
  return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
         "<!DOCTYPE plist PUBLIC \"-//DTD PLIST 1.0//EN\" \"PropertyList-1.0.dtd\">\n"
         "<plist version=\"1.0\"><dict>" + entries + "</dict></plist>\n";
}

// One <key>/<string> pair for xmlPlist, the value escaped.
inline std::string stringEntry(const std::string& key, const std::string& value) {
  std::string escaped;
  for (char c : value) {
    if (c == '&') escaped += "&amp;";
    else if (c == '<') escaped += "&lt;";
    else if (c == '>') escaped += "&gt;";
    else escaped += c;
  }
  return "<key>" + key + "</key><string>" + escaped + "</string>";
}

}  // namespace test_support
