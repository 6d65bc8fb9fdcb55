// A fixture for the install services: NIMBRA_ROOT and HOME point into a
// fresh temporary folder for each test and are restored afterwards; the
// system-version cache and its override start empty.
#pragma once

#include "install/system_version.h"
#include "platform/process_info.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

class InstallSandbox : public ::testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::create_directories(root_);
    std::filesystem::create_directories(home_);
    env_.set("NIMBRA_ROOT", root_);
    env_.set("HOME", home_);
    resetSystemVersion();
  }

  void TearDown() override { resetSystemVersion(); }

  static void resetSystemVersion() {
    MacSystemVersion::sCachedSystemVersion = MacSystemVersion::sMacSystemVersionUninitialized;
    platform::clearOperatingSystemVersionForTesting();
  }

  // Destroyed in reverse: the variables are restored before the folder goes.
  test_support::TempDir folder_;
  test_support::ScopedEnv env_;
  const std::string root_ = folder_.at("root");
  const std::string home_ = folder_.at("home");
};
