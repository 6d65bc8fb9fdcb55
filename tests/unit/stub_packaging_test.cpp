#include "platform/paths.h"
#include "platform/plist.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <set>
#include <string>

namespace {

// The build writes the stub's signing data beside RuntimeAppStub, one level
// above this test program.
std::string besideStub(const char* file) {
  std::string tests = platform::deletingLastPathComponent(
      std::filesystem::read_symlink("/proc/self/exe").string());
  return platform::appendingPathComponent(platform::deletingLastPathComponent(tests), file);
}

TEST(StubPackagingTest, EntitlementsAreTheNineGrantsEachTrue) {
  const std::set<std::string> expected = {
      "com.apple.security.automation.apple-events",
      "com.apple.security.cs.allow-unsigned-executable-memory",
      "com.apple.security.cs.disable-library-validation",
      "com.apple.security.device.audio-input",
      "com.apple.security.device.camera",
      "com.apple.security.personal-information.addressbook",
      "com.apple.security.personal-information.calendars",
      "com.apple.security.personal-information.location",
      "com.apple.security.personal-information.photos-library",
  };
  platform::Plist entitlements = platform::readPlistFile(besideStub("RuntimeAppStub.entitlements"));
  ASSERT_TRUE(entitlements);
  ASSERT_EQ(plist_get_node_type(entitlements.get()), PLIST_DICT);

  std::set<std::string> keys;
  plist_dict_iter rawIter = nullptr;
  plist_dict_new_iter(entitlements.get(), &rawIter);
  std::unique_ptr<void, decltype(&std::free)> iter(rawIter, &std::free);
  for (;;) {
    char* rawKey = nullptr;
    plist_t value = nullptr;
    plist_dict_next_item(entitlements.get(), iter.get(), &rawKey, &value);
    std::unique_ptr<char, decltype(&std::free)> key(rawKey, &std::free);
    if (!key) break;
    keys.insert(key.get());
    uint8_t flag = 0;
    if (plist_get_node_type(value) == PLIST_BOOLEAN) plist_get_bool_val(value, &flag);
    EXPECT_TRUE(flag) << key.get();
  }
  EXPECT_EQ(keys, expected);
}

TEST(StubPackagingTest, SigningIdentifier) {
  EXPECT_EQ(test_support::readFile(besideStub("RuntimeAppStub.identifier")),
            "RuntimeAppStubTemplate64\n");
}

}  // namespace
