// A fixture for the language choice: the variables that name the user's
// languages are cleared for each test and restored afterwards, and the
// bootstrapper forgets the language it kept.
#pragma once

#include "launcher/LocalizedStrings.h"
#include "test_support.h"

#include <gtest/gtest.h>

class LocaleEnv : public ::testing::Test {
 protected:
  void SetUp() override {
    clear();
    resetEmbeddedStringLocaleForTesting();
  }

  void TearDown() override { resetEmbeddedStringLocaleForTesting(); }

  void clear() {
    for (const char* variable : {"LANGUAGE", "LC_ALL", "LC_MESSAGES", "LANG"}) env_.unset(variable);
  }

  // A null value leaves the variable as it is.
  void set(const char* variable, const char* value) {
    if (value) env_.set(variable, value);
  }

 private:
  test_support::ScopedEnv env_;
};
