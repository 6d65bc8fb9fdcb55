#include "platform/bundle.h"
#include "platform/paths.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

using platform::Bundle;
using test_support::stringEntry;
using test_support::xmlPlist;

namespace {

std::string xmlInfo(const std::string& version, const std::string& executable) {
  return xmlPlist(stringEntry("CFBundleVersion", version) +
                  stringEntry("CFBundleExecutable", executable));
}

std::string binaryInfo(const std::string& version) {
  platform::Plist dict(plist_new_dict());
  plist_dict_set_item(dict.get(), "CFBundleVersion", plist_new_string(version.c_str()));
  char* data = nullptr;
  uint32_t length = 0;
  plist_to_bin(dict.get(), &data, &length);
  std::string bytes(data, length);
  plist_to_bin_free(data);
  return bytes;
}

class BundleTest : public ::testing::Test {
 protected:
  test_support::TempDir dir_;
};

}  // namespace

TEST_F(BundleTest, EachLayoutFindsItsDictionaryExecutableAndResources) {
  dir_.write("X.app/Contents/Info.plist", xmlInfo("1.2.3.4", "Install X"));
  dir_.write("X.app/Contents/Resources/Config.plist", "<plist/>");
  dir_.write("Y.framework/Resources/Info.plist", binaryInfo("3.1.0.489"));
  dir_.write("Flat/Info.plist", xmlInfo("9", "tool"));

  struct Case {
    const char* folder;
    const char* version;
    std::string resources;
    std::optional<std::string> executable;
  } cases[] = {
      {"X.app", "1.2.3.4", dir_.at("X.app/Contents/Resources"),
       dir_.at("X.app/Contents/MacOS/Install X")},
      {"Y.framework", "3.1.0.489", dir_.at("Y.framework/Resources"), std::nullopt},
      {"Flat", "9", dir_.at("Flat"), dir_.at("Flat/tool")},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.folder);
    auto bundle = Bundle::withPath(dir_.at(c.folder));
    ASSERT_TRUE(bundle);
    EXPECT_EQ(bundle->infoString("CFBundleVersion"), c.version);
    EXPECT_EQ(bundle->resourcePath(), c.resources);
    EXPECT_EQ(bundle->executablePath(), c.executable);
  }
  auto app = Bundle::withPath(dir_.at("X.app"));
  EXPECT_EQ(app->pathForResource("Config", "plist"),
            dir_.at("X.app/Contents/Resources/Config.plist"));
  EXPECT_EQ(app->pathForResource("Missing", "plist"), std::nullopt);
}

TEST_F(BundleTest, NoBundleWithoutAFolderAndNoValuesWithoutADictionary) {
  dir_.write("file", "x");
  dir_.write("Broken/Info.plist", "not a property list");
  EXPECT_FALSE(Bundle::withPath(dir_.at("file")));
  EXPECT_FALSE(Bundle::withPath(dir_.at("absent")));
  auto broken = Bundle::withPath(dir_.at("Broken"));
  ASSERT_TRUE(broken);
  EXPECT_EQ(broken->infoDictionary(), nullptr);
  EXPECT_EQ(broken->infoString("CFBundleVersion"), std::nullopt);
  EXPECT_EQ(broken->executablePath(), std::nullopt);
}

TEST(Paths, SearchPathsFollowTheRootAndTheHome) {
  test_support::ScopedEnv env;
  env.set("NIMBRA_ROOT", "/sandbox/");
  env.set("HOME", "/home/u");
  using namespace platform;
  EXPECT_EQ(searchPathForDirectories(LibraryDirectory,
                                     LocalDomainMask | NetworkDomainMask | SystemDomainMask),
            (std::vector<std::string>{"/sandbox/Library", "/sandbox/Network/Library",
                                      "/sandbox/System/Library"}));
  EXPECT_EQ(searchPathForDirectories(ApplicationSupportDirectory, UserDomainMask),
            std::vector<std::string>{"/home/u/Library/Application Support"});
  EXPECT_EQ(searchPathForDirectories(CoreServiceDirectory, SystemDomainMask),
            std::vector<std::string>{"/sandbox/System/Library/CoreServices"});
  env.unset("NIMBRA_ROOT");
  EXPECT_EQ(searchPathForDirectories(LibraryDirectory, LocalDomainMask),
            std::vector<std::string>{"/Library"});
}

TEST(Paths, ComponentHelpers) {
  using namespace platform;
  struct Case {
    const char* path;
    const char* last;
    const char* parent;
    const char* standardized;
  } cases[] = {
      {"/a/b/c", "c", "/a/b", "/a/b/c"},
      {"/a/b/", "b", "/a", "/a/b"},
      {"/a", "a", "/", "/a"},
      {"/", "/", "/", "/"},
      {"a", "a", "", "a"},
      {"/a/./b//../c", "c", "/a/./b//..", "/a/c"},
      {"/../x", "x", "/..", "/x"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path);
    EXPECT_EQ(lastPathComponent(c.path), c.last);
    EXPECT_EQ(deletingLastPathComponent(c.path), c.parent);
    EXPECT_EQ(standardizingPath(c.path), c.standardized);
  }
  EXPECT_EQ(appendingPathComponent("/", "Library"), "/Library");
  EXPECT_EQ(appendingPathComponent("/a/", "/b/"), "/a/b");
  EXPECT_EQ(appendingPathComponent("/a", ""), "/a");
}
