#include "install/install.h"

#include "install_sandbox.h"

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace {

using test_support::stringEntry;
using test_support::writeFile;
using test_support::xmlPlist;

using install::RuntimeVersionInfo;

constexpr RuntimeVersionInfo kUntouched{7, 7, 7, 7};

bool operator==(const RuntimeVersionInfo& a, const RuntimeVersionInfo& b) {
  return a.major == b.major && a.minor == b.minor && a.revision == b.revision &&
         a.build == b.build;
}

class RuntimeTest : public InstallSandbox {
 protected:
  // The framework folder in the Library folder `library` (relative to ROOT,
  // or "~" for the user's own), with `version` as its CFBundleVersion.
  std::string installFramework(const std::string& library, const std::string& version) {
    const std::string base = library == "~" ? home_ + "/Library" : root_ + "/" + library;
    const std::string framework = base + "/Frameworks/Zandrel Nimbra.framework";
    writeFile(framework + "/Resources/Info.plist",
              xmlPlist(stringEntry("CFBundleVersion", version)));
    return framework;
  }
};

struct VersionCase {
  const char* text;
  std::optional<RuntimeVersionInfo> expected;  // nothing: status -3
};

TEST_F(RuntimeTest, ReadsFourPartVersionsByTheScannerRules) {
  const VersionCase cases[] = {
      {"3.1.0.489", RuntimeVersionInfo{3, 1, 0, 489}},
      {"3.1.0", std::nullopt},
      {"3..1.0.4", std::nullopt},
      {"3,1,0,489", std::nullopt},
      {"3.1.0.x", std::nullopt},
      {"", std::nullopt},
      {"3.1.0.489 beta", RuntimeVersionInfo{3, 1, 0, 489}},
      {"3.1.0.489.7", RuntimeVersionInfo{3, 1, 0, 489}},
      {"3 . 1 . 0 . 489", RuntimeVersionInfo{3, 1, 0, 489}},
      {"\n\t 3.\r\n1 .0.  489", RuntimeVersionInfo{3, 1, 0, 489}},
      {"3.1.0.\u00a0\u2028\u3000" "489", RuntimeVersionInfo{3, 1, 0, 489}},
      {"-1.0.0.0", RuntimeVersionInfo{-1, 0, 0, 0}},
      {"+2.0.-0.1", RuntimeVersionInfo{2, 0, 0, 1}},
      {"- 1.0.0.0", std::nullopt},
      {"3.+.0.1", std::nullopt},
      // 32-bit limits are read; one beyond is refused, never clamped.
      {"2147483647.-2147483648.0.0", RuntimeVersionInfo{2147483647, -2147483648, 0, 0}},
      {"2147483648.0.0.0", std::nullopt},
      {"-2147483649.0.0.0", std::nullopt},
      {"3.1.0.99999999999999999999", std::nullopt},
  };
  const std::string framework = installFramework("Library", "");
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    writeFile(framework + "/Resources/Info.plist",
              xmlPlist(stringEntry("CFBundleVersion", c.text)));
    RuntimeVersionInfo info = kUntouched;
    const int status = install::platform_getFileVersion(framework.c_str(), info);
    if (c.expected) {
      EXPECT_EQ(status, 0);
      EXPECT_TRUE(info == *c.expected);
    } else {
      EXPECT_EQ(status, -3);
      EXPECT_TRUE(info == kUntouched);
    }
  }
}

TEST_F(RuntimeTest, BundlesWithoutAReadableVersionFail) {
  const std::string framework = root_ + "/Library/Frameworks/Zandrel Nimbra.framework";
  struct Case {
    const char* name;
    std::optional<std::string> info;  // Resources/Info.plist contents; nothing: no file
  };
  const Case cases[] = {
      {"no information dictionary", std::nullopt},
      {"no version key", xmlPlist(stringEntry("CFBundleName", "Nimbra"))},
      {"version not a string", xmlPlist("<key>CFBundleVersion</key><integer>3</integer>")},
      {"unparsable dictionary", std::string("not a property list")},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::filesystem::remove_all(framework);
    std::filesystem::create_directories(framework);
    if (c.info) writeFile(framework + "/Resources/Info.plist", *c.info);
    RuntimeVersionInfo info = kUntouched;
    EXPECT_EQ(install::platform_getFileVersion(framework.c_str(), info), -3);
    EXPECT_TRUE(info == kUntouched);
  }
  RuntimeVersionInfo info = kUntouched;
  EXPECT_EQ(install::platform_getFileVersion((root_ + "/nowhere").c_str(), info), -3);
  EXPECT_EQ(install::platform_getFileVersion(nullptr, info), -3);
  EXPECT_TRUE(info == kUntouched);
}

TEST_F(RuntimeTest, SearchesLocalThenNetworkThenSystemButNeverTheUser) {
  struct Case {
    const char* name;
    std::vector<std::pair<std::string, std::string>> installed;  // library, version
    std::optional<std::string> foundIn;                          // library relative to ROOT
    std::optional<RuntimeVersionInfo> version;
  };
  const Case cases[] = {
      {"local and system",
       {{"System/Library", "2.0.0.1"}, {"Library", "3.1.0.489"}},
       "Library", RuntimeVersionInfo{3, 1, 0, 489}},
      {"network and system",
       {{"System/Library", "2.0.0.1"}, {"Network/Library", "2.5.0.7"}},
       "Network/Library", RuntimeVersionInfo{2, 5, 0, 7}},
      {"all three and the user",
       {{"~", "9.0.0.0"}, {"System/Library", "2.0.0.1"}, {"Network/Library", "2.5.0.7"},
        {"Library", "3.1.0.489"}},
       "Library", RuntimeVersionInfo{3, 1, 0, 489}},
      {"system only", {{"System/Library", "2.0.0.1"}}, "System/Library",
       RuntimeVersionInfo{2, 0, 0, 1}},
      {"user only", {{"~", "3.1.0.489"}}, std::nullopt, std::nullopt},
      {"nowhere", {}, std::nullopt, std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::filesystem::remove_all(root_);
    std::filesystem::remove_all(home_);
    for (const auto& [library, version] : c.installed) installFramework(library, version);

    const auto location = install::getRuntimeLocation();
    if (c.foundIn)
      EXPECT_EQ(location, root_ + "/" + *c.foundIn + "/Frameworks/Zandrel Nimbra.framework");
    else
      EXPECT_EQ(location, std::nullopt);

    RuntimeVersionInfo info = kUntouched;
    const int status = install::getRuntimeVersion(info);
    EXPECT_EQ(status, c.version ? 0 : -3);
    EXPECT_TRUE(info == c.version.value_or(kUntouched));
  }
}

TEST_F(RuntimeTest, AnythingAtTheCandidateIsTheLocationEvenWhenNotABundle) {
  installFramework("System/Library", "3.1.0.489");
  const std::string local = root_ + "/Library/Frameworks/Zandrel Nimbra.framework";
  writeFile(local, "just a file");

  EXPECT_EQ(install::getRuntimeLocation(), local);
  RuntimeVersionInfo info = kUntouched;
  EXPECT_EQ(install::getRuntimeVersion(info), -3);
  EXPECT_TRUE(info == kUntouched);
}

TEST_F(RuntimeTest, EachCallSearchesAgain) {
  EXPECT_EQ(install::getRuntimeLocation(), std::nullopt);
  const std::string framework = installFramework("Library", "3.1.0.489");
  EXPECT_EQ(install::getRuntimeLocation(), framework);
  std::filesystem::remove_all(framework);
  EXPECT_EQ(install::getRuntimeLocation(), std::nullopt);
}

}  // namespace
