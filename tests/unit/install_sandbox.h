// A fixture for the install services: NIMBRA_ROOT and HOME point into a
// fresh temporary folder for each test and are restored afterwards; the
// system-version cache and its override start empty.
#pragma once

#include "install/system_version.h"
#include "platform/process_info.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>

class InstallSandbox : public ::testing::Test {
 protected:
  void SetUp() override {
    saveVariable("NIMBRA_ROOT", savedRoot_);
    saveVariable("HOME", savedHome_);
    std::string pattern = (std::filesystem::temp_directory_path() / "install-test-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    folder_ = pattern;
    root_ = folder_ + "/root";
    home_ = folder_ + "/home";
    std::filesystem::create_directories(root_);
    std::filesystem::create_directories(home_);
    setenv("NIMBRA_ROOT", root_.c_str(), 1);
    setenv("HOME", home_.c_str(), 1);
    resetSystemVersion();
  }

  void TearDown() override {
    resetSystemVersion();
    restoreVariable("NIMBRA_ROOT", savedRoot_);
    restoreVariable("HOME", savedHome_);
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
  }

  static void resetSystemVersion() {
    MacSystemVersion::sCachedSystemVersion = MacSystemVersion::sMacSystemVersionUninitialized;
    platform::clearOperatingSystemVersionForTesting();
  }

  // Writes `contents` to `path`, creating the folders above it.
  static void writeFile(const std::string& path, const std::string& contents) {
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::ofstream(path, std::ios::binary) << contents;
  }

  static std::string escaped(const std::string& text) {
    std::string out;
    for (char c : text) {
      if (c == '&') out += "&amp;";
      else if (c == '<') out += "&lt;";
      else if (c == '>') out += "&gt;";
      else out += c;
    }
    return out;
  }

  // An XML property list holding one dictionary; `entries` is its raw body.
  static std::string plist(const std::string& entries) {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "<plist version=\"1.0\"><dict>" + entries + "</dict></plist>\n";
  }
  static std::string stringEntry(const std::string& key, const std::string& value) {
    return "<key>" + key + "</key><string>" + escaped(value) + "</string>";
  }

  std::string folder_, root_, home_;

 private:
  static void saveVariable(const char* name, std::optional<std::string>& saved) {
    const char* value = std::getenv(name);
    saved = value ? std::optional<std::string>(value) : std::nullopt;
  }
  static void restoreVariable(const char* name, const std::optional<std::string>& saved) {
    if (saved) setenv(name, saved->c_str(), 1);
    else unsetenv(name);
  }

  std::optional<std::string> savedRoot_, savedHome_;
};
