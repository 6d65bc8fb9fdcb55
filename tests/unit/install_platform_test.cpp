#include "install/download_urls.h"
#include "install/install.h"

#include "install_sandbox.h"

#include <cstring>
#include <filesystem>
#include <optional>
#include <string>

namespace {

using test_support::stringEntry;
using test_support::writeFile;
using test_support::xmlPlist;

using install::PlatformInfo;

class PlatformInfoTest : public InstallSandbox {
 protected:
  std::string systemVersionFile() const {
    return root_ + "/System/Library/CoreServices/SystemVersion.plist";
  }
  void writeProductVersion(const std::string& version) {
    writeFile(systemVersionFile(), xmlPlist(stringEntry("ProductVersion", version)));
  }
  static PlatformInfo platformInfo() {
    PlatformInfo info{-1, -1, -1, -1, -1};
    install::platform_getPlatformInfo(info);
    return info;
  }
};

void expectPlatform(const PlatformInfo& info, int major, int minor, int patch) {
  EXPECT_EQ(info.os, 2);
  EXPECT_EQ(info.osMajorVersion, major);
  EXPECT_EQ(info.osMinorVersion, minor);
  EXPECT_EQ(info.osPatchVersion, patch);
  EXPECT_EQ(info.processor, 1);
}

TEST_F(PlatformInfoTest, ProcessInformationRouteKeepsLow16BitsOfEachNumber) {
  struct Case {
    platform::OperatingSystemVersion reported;
    int major, minor, patch;
  };
  const Case cases[] = {
      {{10, 15, 7}, 10, 15, 7},
      {{11, 0, 0}, 11, 0, 0},
      {{65536 + 10, 70000, 0x100000007}, 10, 70000 - 65536, 7},
  };
  writeProductVersion("10.6.8");  // must not be consulted
  for (const auto& c : cases) {
    SCOPED_TRACE(c.reported.majorVersion);
    resetSystemVersion();
    platform::setOperatingSystemVersionForTesting(c.reported);
    expectPlatform(platformInfo(), c.major, c.minor, c.patch);
  }
}

TEST_F(PlatformInfoTest, FileRouteReadsProductVersion) {
  struct Case {
    const char* name;
    std::optional<std::string> file;  // SystemVersion.plist contents; nothing: no file
    int major, minor, patch;
  };
  const Case cases[] = {
      {"10.6", xmlPlist(stringEntry("ProductVersion", "10.6")), 10, 6, 0},
      {"10.6.8", xmlPlist(stringEntry("ProductVersion", "10.6.8")), 10, 6, 8},
      {"11", xmlPlist(stringEntry("ProductVersion", "11")), 11, 0, 0},
      {"trailing text", xmlPlist(stringEntry("ProductVersion", "10.6beta.8 (10K549)")), 10, 6, 8},
      {"no digits", xmlPlist(stringEntry("ProductVersion", "ten.6")), 0, 6, 0},
      {"above 16 bits", xmlPlist(stringEntry("ProductVersion", "65546.1.2")), 10, 1, 2},
      {"missing file", std::nullopt, 10, 0, 0},
      {"missing key", xmlPlist(stringEntry("ProductName", "Mac OS X")), 10, 0, 0},
      {"unreadable file", std::string("\x01\x02garbage"), 10, 0, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    resetSystemVersion();
    std::filesystem::remove(systemVersionFile());
    if (c.file) writeFile(systemVersionFile(), *c.file);
    expectPlatform(platformInfo(), c.major, c.minor, c.patch);
  }
}

TEST_F(PlatformInfoTest, SystemIsReadOnceThenCached) {
  writeProductVersion("10.6.8");
  expectPlatform(platformInfo(), 10, 6, 8);
  writeProductVersion("10.7.2");
  expectPlatform(platformInfo(), 10, 6, 8);

  resetSystemVersion();
  expectPlatform(platformInfo(), 10, 7, 2);
}

TEST_F(PlatformInfoTest, VersionZeroIsReadAgainAtEveryCall) {
  // 0.0.0 is indistinguishable from "not read yet".
  platform::setOperatingSystemVersionForTesting(platform::OperatingSystemVersion{0, 0, 0});
  expectPlatform(platformInfo(), 0, 0, 0);
  platform::setOperatingSystemVersionForTesting(platform::OperatingSystemVersion{10, 15, 7});
  expectPlatform(platformInfo(), 10, 15, 7);
}

TEST(MacSystemVersionTest, ComparesAsOneKeyWithMajorHighest) {
  const MacSystemVersion a{10, 6, 8, 0};
  EXPECT_EQ(a, (MacSystemVersion{10, 6, 8, 0}));
  EXPECT_NE(a, (MacSystemVersion{10, 6, 8, 1}));
  EXPECT_LT(a, (MacSystemVersion{10, 7, 0, 0}));
  EXPECT_LT((MacSystemVersion{9, 65535, 65535, 65535}), a);
  EXPECT_EQ(MacSystemVersion::sMacSystemVersionUninitialized, (MacSystemVersion{0, 0, 0, 0}));
}

using UpdatePolicyTest = InstallSandbox;

TEST_F(UpdatePolicyTest, MarkerOfAnyKindInTheUsersFolderDisablesUpdates) {
  struct Case {
    const char* name;
    const char* base;  // "home" or "root"
    enum { None, EmptyFile, FileWithText, Folder } kind;
    bool canUpdate;
  };
  const Case cases[] = {
      {"no marker", "home", Case::None, true},
      {"empty file", "home", Case::EmptyFile, false},
      {"file saying no", "home", Case::FileWithText, false},
      {"folder", "home", Case::Folder, false},
      {"file for the whole machine", "root", Case::EmptyFile, true},
      {"folder for the whole machine", "root", Case::Folder, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::filesystem::remove_all(root_ + "/Library");
    std::filesystem::remove_all(home_ + "/Library");
    const std::string marker = (std::string(c.base) == "home" ? home_ : root_) +
                               "/Library/Application Support/Zandrel/Nimbra/updateDisabled";
    if (c.kind == Case::EmptyFile) writeFile(marker, "");
    if (c.kind == Case::FileWithText) writeFile(marker, "0\n");
    if (c.kind == Case::Folder) std::filesystem::create_directories(marker);

    EXPECT_EQ(install::platform_updateDisabledFileExists(), !c.canUpdate);
    EXPECT_EQ(install::canUpdateRuntime(), c.canUpdate);
  }
}

TEST(ConfigurationTest, EveryKeyIsZero) {
  for (const char* key : {"UpdateDisabled", "", "anything"}) {
    SCOPED_TRACE(key);
    EXPECT_EQ(install::platform_getConfigurationValue(key), 0);
  }
}

const std::string kBase = std::string("http://") + NIMBRA_DOWNLOAD_HOST + "/nimbra/3/psu/";

TEST(DownloadUrlsTest, FolderNamedBySystemVersionAndProcessor) {
  struct Case {
    PlatformInfo info;
    const char* folder;  // nothing: refused
  };
  const Case cases[] = {
      {{2, 10, 6, 8, 1}, "macos10.6/x86/"},
      {{2, 10, 6, 3, 1}, "macos10.6/x86/"},  // the patch version never shows
      {{2, 11, 0, 0, 1}, "macos11.0/x86/"},
      {{1, 10, 0, 0, 2}, "windows10.0/ppc/"},
      {{3, 10, 6, 0, 1}, "unknown10.6/x86/"},
      {{2, 10, 6, 0, 3}, "macos10.6/unknown/"},
      {{-1, 2147483647, -2147483648, 0, -1}, "unknown2147483647.-2147483648/unknown/"},
      {{0, 10, 6, 8, 1}, nullptr},
      {{2, 10, 6, 8, 0}, nullptr},
      {{2, 0, 6, 8, 1}, nullptr},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.folder ? c.folder : "refused");
    char installer[512], signature[512];
    std::memset(installer, 'I', sizeof installer);
    std::memset(signature, 'S', sizeof signature);
    const bool formed = install::formatBootstrapperDownloadUrls(c.info, installer, sizeof installer,
                                                                signature, sizeof signature);
    if (!c.folder) {
      EXPECT_FALSE(formed);
      EXPECT_EQ(std::string(installer, sizeof installer), std::string(sizeof installer, 'I'));
      EXPECT_EQ(std::string(signature, sizeof signature), std::string(sizeof signature, 'S'));
      continue;
    }
    EXPECT_TRUE(formed);
    EXPECT_EQ(std::string(installer), kBase + c.folder + "installer");
    EXPECT_EQ(std::string(signature), kBase + c.folder + "installer.p7");
  }
}

TEST(DownloadUrlsTest, ShortBuffersAreCutAndSizeZeroIsLeftAlone) {
  const PlatformInfo mac{2, 10, 6, 8, 1};
  const std::string fullInstaller = kBase + "macos10.6/x86/installer";
  const std::string fullSignature = kBase + "macos10.6/x86/installer.p7";
  struct Case {
    uint64_t installerSize, signatureSize;
  };
  const Case cases[] = {{0, 512}, {512, 0}, {0, 0}, {1, 1}, {12, 13},
                        {fullInstaller.size(), fullSignature.size() + 1}};
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.installerSize << "/" << c.signatureSize);
    // Room beyond the largest size given, to see that nothing is written past it.
    char installer[600], signature[600];
    std::memset(installer, 'I', sizeof installer);
    std::memset(signature, 'S', sizeof signature);
    EXPECT_TRUE(install::formatBootstrapperDownloadUrls(mac, installer, c.installerSize, signature,
                                                        c.signatureSize));
    const auto expect = [](const char* buffer, uint64_t size, const std::string& full, char fill) {
      if (size == 0) {
        EXPECT_EQ(std::string(buffer, 600), std::string(600, fill));
        return;
      }
      EXPECT_EQ(std::string(buffer), full.substr(0, size - 1));
      EXPECT_EQ(buffer[size], fill);
    };
    expect(installer, c.installerSize, fullInstaller, 'I');
    expect(signature, c.signatureSize, fullSignature, 'S');
  }
}

using BootstrapperUrlsTest = PlatformInfoTest;

TEST_F(BootstrapperUrlsTest, UseTheSystemVersion) {
  writeProductVersion("10.6.8");
  char installer[512] = "old", signature[512] = "old";
  ASSERT_TRUE(install::getBootstrapperDownloadUrls(installer, sizeof installer, signature,
                                                   sizeof signature));
  EXPECT_EQ(std::string(installer), kBase + "macos10.6/x86/installer");
  EXPECT_EQ(std::string(signature), kBase + "macos10.6/x86/installer.p7");
}

TEST_F(BootstrapperUrlsTest, RefusedWhenTheSystemVersionIsUnknown) {
  platform::setOperatingSystemVersionForTesting(platform::OperatingSystemVersion{0, 0, 0});
  char installer[512] = "old", signature[512] = "old";
  EXPECT_FALSE(install::getBootstrapperDownloadUrls(installer, sizeof installer, signature,
                                                    sizeof signature));
  EXPECT_STREQ(installer, "old");
  EXPECT_STREQ(signature, "old");
}

}  // namespace
