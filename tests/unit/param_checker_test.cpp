#include "launcher/ParamChecker.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using psl::PSLErrorCode;

namespace {

constexpr const char* kUsage =
    "Available Options: -silent { -eulaAccepted ( -location <dir> ) -desktopShortcut "
    "-programMenu -allowDownload }\n";

// Arguments handed over as they are; values are recorded with a leading "=".
class FakeChecker : public psl::ParamCheckerCore {
 public:
  explicit FakeChecker(std::vector<std::string> args) : args_(std::move(args)) {}
  uint32_t GetOrigArgCount() const override { return static_cast<uint32_t>(args_.size()); }
  const char* GetOrigUtf8Arg(uint32_t index) const override { return args_.at(index).c_str(); }
  void PutValidatedUtf8Arg(const char* arg, bool isValue) override {
    recorded.push_back(std::string(isValue ? "=" : "").append(arg));
  }
  void PutRuntimeInstallerUtf8Path(const char* path) override { installerPaths.emplace_back(path); }

  std::vector<std::string> recorded;
  std::vector<std::string> installerPaths;

 private:
  std::vector<std::string> args_;
};

struct CheckCase {
  const char* name;
  std::vector<std::string> args;
  bool accepted;
  PSLErrorCode code;
  bool allowDownload;
  bool silentMode;
  std::vector<std::string> recorded;
  std::string output;
};

const CheckCase kCheckCases[] = {
    {"no arguments", {}, true, psl::kErrNone, true, false, {}, ""},
    {"version alone", {"-version"}, false, psl::kErrNone, false, false, {}, "25.0.0.134\n"},
    {"version then another option", {"-version", "-silent"}, false, psl::kErrInvalidArgs, false,
     false, {}, kUsage},
    {"version after silent", {"-silent", "-version"}, false, psl::kErrInvalidArgs, false, true,
     {"-silent"}, kUsage},
    {"silent alone", {"-silent"}, true, psl::kErrNone, false, false, {"-silent"}, ""},
    {"allowDownload alone", {"-allowDownload"}, false, psl::kErrInvalidArgs, false, false, {},
     kUsage},
    {"eulaAccepted alone", {"-eulaAccepted"}, false, psl::kErrInvalidArgs, false, false, {},
     kUsage},
    {"location alone", {"-location"}, false, psl::kErrInvalidArgs, false, false, {}, kUsage},
    {"silent then allowDownload", {"-silent", "-allowDownload"}, true, psl::kErrNone, true, true,
     {"-silent"}, ""},
    {"allowDownload then silent", {"-allowDownload", "-silent"}, false, psl::kErrInvalidArgs,
     true, true, {"-silent"}, kUsage},
    {"silent repeated", {"-silent", "-eulaAccepted", "-silent"}, false, psl::kErrInvalidArgs,
     false, true, {"-silent", "-eulaAccepted", "-silent"}, kUsage},
    {"options without silent", {"-eulaAccepted", "-programMenu"}, true, psl::kErrNone, false,
     false, {"-eulaAccepted", "-programMenu"}, ""},
    {"every option", {"-silent", "-eulaAccepted", "-location", "/Apps", "-desktopShortcut",
                      "-programMenu", "-allowDownload"},
     true, psl::kErrNone, true, true,
     {"-silent", "-eulaAccepted", "-location", "=/Apps", "-desktopShortcut", "-programMenu"}, ""},
    {"location last", {"-silent", "-location"}, false, psl::kErrInvalidArgs, false, true,
     {"-silent"}, kUsage},
    {"location takes the next argument whatever it says", {"-silent", "-location", "-programMenu"},
     true, psl::kErrNone, false, true, {"-silent", "-location", "=-programMenu"}, ""},
    {"a location value that reads -silent is no option", {"-eulaAccepted", "-location", "-silent"},
     true, psl::kErrNone, false, false, {"-eulaAccepted", "-location", "=-silent"}, ""},
    {"silent in other letter case", {"-Silent"}, false, psl::kErrInvalidArgs, false, false, {},
     kUsage},
    {"silent with trailing characters", {"-silent", "-eulaAcceptedX"}, false,
     psl::kErrInvalidArgs, false, true, {"-silent"}, kUsage},
    {"prefix of an option", {"-silent", "-eula"}, false, psl::kErrInvalidArgs, false, true,
     {"-silent"}, kUsage},
    {"unknown option after accepted ones keeps what was recorded",
     {"-eulaAccepted", "-programMenu", "-bogus", "-desktopShortcut"}, false,
     psl::kErrInvalidArgs, false, false, {"-eulaAccepted", "-programMenu"}, kUsage},
    {"programMenu twice", {"-programMenu", "-programMenu"}, true, psl::kErrNone, false, false,
     {"-programMenu", "-programMenu"}, ""},
    {"allowDownload twice", {"-silent", "-allowDownload", "-allowDownload"}, true, psl::kErrNone,
     true, true, {"-silent"}, ""},
};

}  // namespace

TEST(ParamCheckerCore, CheckParamsCases) {
  for (const CheckCase& c : kCheckCases) {
    SCOPED_TRACE(c.name);
    FakeChecker checker(c.args);
    // Flags and code start opposite to the expected values: each must be written.
    bool allowDownload = !c.allowDownload;
    bool silentMode = !c.silentMode;
    PSLErrorCode code = c.code == psl::kErrNone ? psl::kErrInvalidArgs : psl::kErrNone;
    testing::internal::CaptureStdout();
    const bool accepted = checker.CheckParams(allowDownload, silentMode, code);
    const std::string output = testing::internal::GetCapturedStdout();
    EXPECT_EQ(accepted, c.accepted);
    EXPECT_EQ(code, c.code);
    EXPECT_EQ(allowDownload, c.allowDownload);
    EXPECT_EQ(silentMode, c.silentMode);
    EXPECT_EQ(checker.recorded, c.recorded);
    EXPECT_EQ(output, c.output);
    EXPECT_TRUE(checker.installerPaths.empty());
  }
}

TEST(ParamCheckerCore, AllowDownloadHint) {
  FakeChecker checker({});
  testing::internal::CaptureStdout();
  checker.PrintNeedsAllowDownloadFlag();
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            "Unable to download runtime installer without -allowDownload\n");
}

namespace {

struct ArgvCase {
  const char* name;
  std::vector<std::string> argv;  // program path included
  bool accepted;
  PSLErrorCode code;
  bool allowDownload;
  bool silentMode;
  std::optional<std::vector<std::string>> paramArray;  // nothing for nil
  std::string output;
};

const ArgvCase kArgvCases[] = {
    {"program path only", {"/Apps/Install Demo"}, true, psl::kErrNone, true, false, std::nullopt,
     ""},
    {"only a process serial number", {"/Apps/Install Demo", "-psn_0_123456"}, true, psl::kErrNone,
     true, false, std::nullopt, ""},
    {"serial numbers between options do not count",
     {"/Apps/Install Demo", "-psn_0_1", "-silent", "-psn", "-location", "-psnX", "/Target",
      "-allowDownload"},
     true, psl::kErrNone, true, true,
     std::vector<std::string>{"-silent", "-location", "/Target"}, ""},
    {"serial number beside version leaves it alone",
     {"/Apps/Install Demo", "-version", "-psn_0_9"}, false, psl::kErrNone, false, false,
     std::nullopt, "25.0.0.134\n"},
    {"prefix test is case-sensitive", {"/Apps/Install Demo", "-PSN_0_1"}, false,
     psl::kErrInvalidArgs, false, false, std::nullopt, kUsage},
};

}  // namespace

TEST(ParamChecker, RealArgumentVectors) {
  for (const ArgvCase& c : kArgvCases) {
    SCOPED_TRACE(c.name);
    psl::ParamChecker checker(c.argv);
    bool allowDownload = false;
    bool silentMode = false;
    PSLErrorCode code = psl::kErrAppDirNotFound;
    testing::internal::CaptureStdout();
    const bool accepted = checker.CheckParams(allowDownload, silentMode, code);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), c.output);
    EXPECT_EQ(accepted, c.accepted);
    EXPECT_EQ(code, c.code);
    EXPECT_EQ(allowDownload, c.allowDownload);
    EXPECT_EQ(silentMode, c.silentMode);
    const std::vector<std::string>* params = checker.ParamArray();
    ASSERT_EQ(params != nullptr, c.paramArray.has_value());
    if (params) {
      EXPECT_EQ(*params, *c.paramArray);
    }
  }
}

TEST(ParamChecker, EmptyArgumentVector) {
  psl::ParamChecker checker({});
  EXPECT_EQ(checker.GetOrigArgCount(), 0u);
  bool allowDownload = false;
  bool silentMode = true;
  PSLErrorCode code = psl::kErrInvalidArgs;
  EXPECT_TRUE(checker.CheckParams(allowDownload, silentMode, code));
  EXPECT_TRUE(allowDownload);
  EXPECT_FALSE(silentMode);
  EXPECT_EQ(code, psl::kErrNone);
  EXPECT_EQ(checker.ParamArray(), nullptr);
}
