#include "stub/load_runtime.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

constexpr const char* kLibrary = "Zandrel Nimbra.framework/Versions/1.0/Zandrel Nimbra_64";

// A scratch tree: TREE/Apps/X.app/Contents/MacOS/RuntimeAppStub, plus the
// library files each case lays out below TREE.
class RuntimeSearchTest : public testing::Test {
 protected:
  void SetUp() override { fs::create_directories(tree_.at("Apps/X.app/Contents/MacOS")); }

  void touch(const std::string& relative) const { tree_.write(relative, "not a library"); }

  stub::ProcessView process(std::vector<std::string> arguments,
                            std::optional<std::string> installed = std::nullopt) {
    locationAsked_ = false;
    return stub::ProcessView{
        std::move(arguments), tree_.at("Apps/X.app/Contents/MacOS/RuntimeAppStub"),
        [this] { return tree_.at("work"); },
        [this, installed] {
          locationAsked_ = true;
          return installed;
        }};
  }

  test_support::TempDir tree_;
  bool locationAsked_ = false;
};

TEST_F(RuntimeSearchTest, FlaggedPlacesInTheirOrder) {
  struct Case {
    const char* name;
    int32_t flags;
    std::vector<std::string> arguments;
    std::vector<std::string> files;  // below TREE
    bool installed;                            // a framework at TREE/Installed.framework
    int32_t status;
    std::string found;  // below TREE; empty when nothing is found
    bool locationAsked;
  };
  const std::string lib = kLibrary;
  const std::string installedLib = "Installed.framework/Versions/1.0/Zandrel Nimbra_64";
  const Case cases[] = {
      {"relative -runtime folder against the current directory", stub::kRuntimeFromArgument,
       {"prog", "-runtime", "rt"}, {"work/rt/Zandrel Nimbra.framework/Versions/1.0/Zandrel Nimbra_64"},
       false, 0, "work/rt/" + lib, false},
      {"missing -runtime folder ends the search", stub::kRuntimeFromArgument |
       stub::kRuntimeInAppFrameworks | stub::kRuntimeInstalled,
       {"prog", "-runtime", "rt"}, {"Apps/X.app/Contents/Frameworks/Zandrel Nimbra.framework/Versions/1.0/Zandrel Nimbra_64"},
       true, 3, "", false},
      {"-runtime without a folder is no -runtime", stub::kRuntimeFromArgument | stub::kRuntimeInAppFrameworks,
       {"prog", "-runtime"}, {"Apps/X.app/Contents/Frameworks/Zandrel Nimbra.framework/Versions/1.0/Zandrel Nimbra_64"},
       false, 0, "Apps/X.app/Contents/Frameworks/" + lib, false},
      {"other second argument", stub::kRuntimeFromArgument | stub::kRuntimeInstalled,
       {"prog", "-psn_0_1", "rt"}, {"work/rt/Zandrel Nimbra.framework/Versions/1.0/Zandrel Nimbra_64"},
       true, 0, installedLib, true},
      {"-runtime found without its flag is ignored", stub::kRuntimeInstalled,
       {"prog", "-runtime", "rt"}, {"work/rt/Zandrel Nimbra.framework/Versions/1.0/Zandrel Nimbra_64"},
       true, 0, installedLib, true},
      {"application Frameworks folder", stub::kRuntimeInAppFrameworks, {"prog"},
       {"Apps/X.app/Contents/Frameworks/Zandrel Nimbra.framework/Versions/1.0/Zandrel Nimbra_64"},
       false, 0, "Apps/X.app/Contents/Frameworks/" + lib, false},
      {"application Frameworks folder empty", stub::kRuntimeInAppFrameworks, {"prog"}, {}, false, 3, "",
       false},
      {"SDK inside the bundle: runtimeSDK first", stub::kRuntimeInAppSDK, {"prog"},
       {"Apps/X.app/Contents/runtimeSDK/Zandrel Nimbra.framework/Versions/1.0/Zandrel Nimbra_64",
        "Apps/X.app/Contents/runtimes/nimbra/mac/Zandrel Nimbra.framework/Versions/1.0/Zandrel Nimbra_64"},
       false, 0, "Apps/X.app/Contents/runtimeSDK/" + lib, false},
      {"SDK inside the bundle: runtimes/nimbra/mac", stub::kRuntimeInAppSDK, {"prog"},
       {"Apps/X.app/Contents/runtimes/nimbra/mac/Zandrel Nimbra.framework/Versions/1.0/Zandrel Nimbra_64"},
       false, 0, "Apps/X.app/Contents/runtimes/nimbra/mac/" + lib, false},
      {"SDK beside the bundle: runtimeSDK first", stub::kRuntimeBesideApp, {"prog"},
       {"Apps/runtimeSDK/Zandrel Nimbra.framework/Versions/1.0/Zandrel Nimbra_64",
        "Apps/runtimes/nimbra/mac/Zandrel Nimbra.framework/Versions/1.0/Zandrel Nimbra_64"},
       false, 0, "Apps/runtimeSDK/" + lib, false},
      {"SDK beside the bundle: runtimes/nimbra/mac", stub::kRuntimeBesideApp, {"prog"},
       {"Apps/runtimes/nimbra/mac/Zandrel Nimbra.framework/Versions/1.0/Zandrel Nimbra_64"},
       false, 0, "Apps/runtimes/nimbra/mac/" + lib, false},
      {"SDK beside the bundle is not looked for inside it", stub::kRuntimeBesideApp, {"prog"},
       {"Apps/X.app/Contents/runtimeSDK/Zandrel Nimbra.framework/Versions/1.0/Zandrel Nimbra_64"},
       false, 3, "", false},
      {"Frameworks before the SDKs", stub::kRuntimeInAppFrameworks | stub::kRuntimeInAppSDK |
       stub::kRuntimeBesideApp,
       {"prog"},
       {"Apps/X.app/Contents/Frameworks/Zandrel Nimbra.framework/Versions/1.0/Zandrel Nimbra_64",
        "Apps/X.app/Contents/runtimeSDK/Zandrel Nimbra.framework/Versions/1.0/Zandrel Nimbra_64",
        "Apps/runtimeSDK/Zandrel Nimbra.framework/Versions/1.0/Zandrel Nimbra_64"},
       false, 0, "Apps/X.app/Contents/Frameworks/" + lib, false},
      {"SDK inside before SDK beside", stub::kRuntimeInAppSDK | stub::kRuntimeBesideApp, {"prog"},
       {"Apps/X.app/Contents/runtimes/nimbra/mac/Zandrel Nimbra.framework/Versions/1.0/Zandrel Nimbra_64",
        "Apps/runtimeSDK/Zandrel Nimbra.framework/Versions/1.0/Zandrel Nimbra_64"},
       false, 0, "Apps/X.app/Contents/runtimes/nimbra/mac/" + lib, false},
      {"bundle places before the installed runtime", stub::kRuntimeBesideApp | stub::kRuntimeInstalled,
       {"prog"}, {"Apps/runtimeSDK/Zandrel Nimbra.framework/Versions/1.0/Zandrel Nimbra_64"}, true, 0,
       "Apps/runtimeSDK/" + lib, false},
      // The installed library is not checked here; loading it is.
      {"installed runtime", stub::kRuntimeInstalled, {"prog"}, {}, true, 0, installedLib, true},
      {"no installed runtime", stub::kRuntimeInstalled, {"prog"}, {}, false, 3, "", true},
      {"no flags", 0, {"prog", "-runtime", "rt"}, {"work/rt/Zandrel Nimbra.framework/Versions/1.0/Zandrel Nimbra_64"},
       true, 3, "", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    tree_.clear();
    fs::create_directories(tree_.at("Apps/X.app/Contents/MacOS"));
    for (const std::string& file : c.files) touch(file);
    auto view = process(c.arguments, c.installed
                                         ? std::optional(tree_.at("Installed.framework"))
                                         : std::nullopt);
    stub::RuntimeSearchResult result = stub::FindRuntimeLibrary(c.flags, view);
    EXPECT_EQ(result.status, c.status);
    EXPECT_EQ(result.libraryPath, c.found.empty() ? "" : tree_.at(c.found));
    EXPECT_EQ(locationAsked_, c.locationAsked);
  }
}

TEST_F(RuntimeSearchTest, AbsoluteRuntimeFolderAndUntidyExecutablePath) {
  touch(std::string("rt/") + kLibrary);
  touch(std::string("Apps/runtimeSDK/") + kLibrary);

  auto absolute = process({"prog", "-runtime", tree_.at("rt")});
  EXPECT_EQ(stub::FindRuntimeLibrary(stub::kRuntimeFromArgument, absolute).libraryPath,
            tree_.at(std::string("rt/") + kLibrary));

  // The executable path is standardized before components are cut off.
  auto untidy = process({"prog"});
  untidy.executablePath = tree_.at("Apps//X.app/Contents/./MacOS/../MacOS/RuntimeAppStub");
  EXPECT_EQ(stub::FindRuntimeLibrary(stub::kRuntimeBesideApp, untidy).libraryPath,
            tree_.at(std::string("Apps/runtimeSDK/") + kLibrary));
}

TEST_F(RuntimeSearchTest, FindSDKRuntimePathNeedsTheWholeRelativePath) {
  fs::create_directories(tree_.at("base/runtimeSDK/Zandrel Nimbra.framework/Versions/1.0"));
  EXPECT_EQ(stub::FindSDKRuntimePath(tree_.at("base"), kLibrary), std::nullopt);
  touch(std::string("base/runtimes/nimbra/mac/") + kLibrary);
  EXPECT_EQ(stub::FindSDKRuntimePath(tree_.at("base"), kLibrary),
            tree_.at(std::string("base/runtimes/nimbra/mac/") + kLibrary));
}

TEST_F(RuntimeSearchTest, UnloadableLibraryIsStatusFourAndLeavesTheOutputsAlone) {
  touch("Installed.framework/Versions/1.0/Zandrel Nimbra_64");  // not an ELF file
  struct Case {
    const char* name;
    std::optional<std::string> installed;
    int32_t status;
  };
  const Case cases[] = {
      {"no framework", std::nullopt, stub::kRuntimeNotFound},
      {"framework without a library", tree_.at("Missing.framework"), stub::kRuntimeNotLoadable},
      {"library that does not load", tree_.at("Installed.framework"), stub::kRuntimeNotLoadable},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    platform::Object entryPoints;
    std::optional<std::string> versionFolder;
    EXPECT_EQ(stub::GetProc(stub::kRuntimeInstalled, process({"prog"}, c.installed), entryPoints,
                            versionFolder),
              c.status);
    EXPECT_FALSE(entryPoints);
    EXPECT_EQ(versionFolder, std::nullopt);
  }
}

}  // namespace
