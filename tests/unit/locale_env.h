// A fixture for the language choice: the variables that name the user's
// languages are cleared for each test and restored afterwards, and the
// bootstrapper forgets the language it kept.
#pragma once

#include "launcher/LocalizedStrings.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <optional>
#include <string>

class LocaleEnv : public ::testing::Test {
 protected:
  static constexpr std::array<const char*, 4> kVariables{"LANGUAGE", "LC_ALL", "LC_MESSAGES",
                                                         "LANG"};

  void SetUp() override {
    for (size_t i = 0; i < kVariables.size(); ++i) {
      if (const char* value = std::getenv(kVariables[i])) saved_[i] = value;
    }
    clear();
    resetEmbeddedStringLocaleForTesting();
  }

  void TearDown() override {
    resetEmbeddedStringLocaleForTesting();
    for (size_t i = 0; i < kVariables.size(); ++i) {
      if (saved_[i]) {
        setenv(kVariables[i], saved_[i]->c_str(), 1);
      } else {
        unsetenv(kVariables[i]);
      }
    }
  }

  static void clear() {
    for (const char* variable : kVariables) unsetenv(variable);
  }

  static void set(const char* variable, const char* value) {
    if (value) setenv(variable, value, 1);
  }

 private:
  std::array<std::optional<std::string>, 4> saved_;
};
