#include "platform/bundle.h"
#include "platform/paths.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;
using platform::Bundle;

namespace {

std::string xmlInfo(const std::string& version, const std::string& executable) {
  return R"(<?xml version="1.0" encoding="UTF-8"?>
<!DOCTYPE plist PUBLIC "-//Apple//DTD PLIST 1.0//EN" "http://www.apple.com/DTDs/PropertyList-1.0.dtd">
<plist version="1.0"><dict>
  <key>CFBundleVersion</key><string>)" + version + R"(</string>
  <key>CFBundleExecutable</key><string>)" + executable + R"(</string>
</dict></plist>)";
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
  void SetUp() override {
    char pattern[] = "/tmp/bundle-test.XXXXXX";
    root_ = mkdtemp(pattern);
  }
  void TearDown() override { fs::remove_all(root_); }

  std::string write(const std::string& relative, const std::string& contents) {
    fs::path path = root_ / relative;
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << contents;
    return path.string();
  }
  std::string at(const std::string& relative) const { return (root_ / relative).string(); }

  fs::path root_;
};

}  // namespace

TEST_F(BundleTest, EachLayoutFindsItsDictionaryExecutableAndResources) {
  write("X.app/Contents/Info.plist", xmlInfo("1.2.3.4", "Install X"));
  write("X.app/Contents/Resources/Config.plist", "<plist/>");
  write("Y.framework/Resources/Info.plist", binaryInfo("3.1.0.489"));
  write("Flat/Info.plist", xmlInfo("9", "tool"));

  struct Case {
    const char* folder;
    const char* version;
    std::string resources;
    std::optional<std::string> executable;
  } cases[] = {
      {"X.app", "1.2.3.4", at("X.app/Contents/Resources"), at("X.app/Contents/MacOS/Install X")},
      {"Y.framework", "3.1.0.489", at("Y.framework/Resources"), std::nullopt},
      {"Flat", "9", at("Flat"), at("Flat/tool")},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.folder);
    auto bundle = Bundle::withPath(at(c.folder));
    ASSERT_TRUE(bundle);
    EXPECT_EQ(bundle->infoString("CFBundleVersion"), c.version);
    EXPECT_EQ(bundle->resourcePath(), c.resources);
    EXPECT_EQ(bundle->executablePath(), c.executable);
  }
  auto app = Bundle::withPath(at("X.app"));
  EXPECT_EQ(app->pathForResource("Config", "plist"), at("X.app/Contents/Resources/Config.plist"));
  EXPECT_EQ(app->pathForResource("Missing", "plist"), std::nullopt);
}

TEST_F(BundleTest, NoBundleWithoutAFolderAndNoValuesWithoutADictionary) {
  write("file", "x");
  write("Broken/Info.plist", "not a property list");
  EXPECT_FALSE(Bundle::withPath(at("file")));
  EXPECT_FALSE(Bundle::withPath(at("absent")));
  auto broken = Bundle::withPath(at("Broken"));
  ASSERT_TRUE(broken);
  EXPECT_EQ(broken->infoDictionary(), nullptr);
  EXPECT_EQ(broken->infoString("CFBundleVersion"), std::nullopt);
  EXPECT_EQ(broken->executablePath(), std::nullopt);
}

TEST(Paths, SearchPathsFollowTheRootAndTheHome) {
  std::string savedRoot = std::getenv("NIMBRA_ROOT") ? std::getenv("NIMBRA_ROOT") : "";
  std::string savedHome = std::getenv("HOME") ? std::getenv("HOME") : "";
  setenv("NIMBRA_ROOT", "/sandbox/", 1);
  setenv("HOME", "/home/u", 1);
  using namespace platform;
  EXPECT_EQ(searchPathForDirectories(LibraryDirectory,
                                     LocalDomainMask | NetworkDomainMask | SystemDomainMask),
            (std::vector<std::string>{"/sandbox/Library", "/sandbox/Network/Library",
                                      "/sandbox/System/Library"}));
  EXPECT_EQ(searchPathForDirectories(ApplicationSupportDirectory, UserDomainMask),
            std::vector<std::string>{"/home/u/Library/Application Support"});
  EXPECT_EQ(searchPathForDirectories(CoreServiceDirectory, SystemDomainMask),
            std::vector<std::string>{"/sandbox/System/Library/CoreServices"});
  unsetenv("NIMBRA_ROOT");
  EXPECT_EQ(searchPathForDirectories(LibraryDirectory, LocalDomainMask),
            std::vector<std::string>{"/Library"});
  savedRoot.empty() ? unsetenv("NIMBRA_ROOT") : setenv("NIMBRA_ROOT", savedRoot.c_str(), 1);
  setenv("HOME", savedHome.c_str(), 1);
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
