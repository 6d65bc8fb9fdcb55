#include "launcher/PSL.h"

#include "install/install.h"

#include <cstdio>
#include <cstring>

namespace psl {

namespace {

constexpr const char* kVersion = "25.0.0.134";
constexpr const char* kUsage =
    "Available Options: -silent { -eulaAccepted ( -location <dir> ) -desktopShortcut "
    "-programMenu -allowDownload }";

bool is(const char* arg, const char* option) { return std::strcmp(arg, option) == 0; }

void printLine(const char* text) {
  std::fputs(text, stdout);
  std::fputc('\n', stdout);
  std::fflush(stdout);
}

}  // namespace

bool ParamCheckerCore::CheckParams(bool& allowDownload, bool& silentMode,
                                   PSLErrorCode& errorCode) {
  allowDownload = false;
  silentMode = false;
  errorCode = kErrInvalidArgs;

  const uint32_t count = GetOrigArgCount();
  if (count == 0) {
    // A start without options, as from the file manager, may always download.
    allowDownload = true;
    errorCode = kErrNone;
    return true;
  }

  if (count == 1) {
    const char* arg = GetOrigUtf8Arg(0);
    if (is(arg, "-version")) {
      printLine(kVersion);
      errorCode = kErrNone;
      return false;
    }
    if (is(arg, "-silent")) {
      PutValidatedUtf8Arg(arg, false);
      errorCode = kErrNone;
      return true;
    }
    printLine(kUsage);
    return false;
  }

  // Tracks the last "-silent" seen, so one that is not first and a repeated
  // one are both refused after the loop.
  bool lateSilent = false;
  for (uint32_t i = 0; i < count; ++i) {
    const char* arg = GetOrigUtf8Arg(i);
    if (is(arg, "-silent")) {
      PutValidatedUtf8Arg(arg, false);
      silentMode = true;
      lateSilent = i != 0;
    } else if (is(arg, "-eulaAccepted") || is(arg, "-desktopShortcut") ||
               is(arg, "-programMenu")) {
      PutValidatedUtf8Arg(arg, false);
    } else if (is(arg, "-location")) {
      if (i + 1 == count) {
        printLine(kUsage);
        return false;
      }
      PutValidatedUtf8Arg(arg, false);
      PutValidatedUtf8Arg(GetOrigUtf8Arg(++i), true);
    } else if (is(arg, "-allowDownload")) {
      allowDownload = true;
    } else {
      printLine(kUsage);
      return false;
    }
  }
  if (lateSilent) {
    printLine(kUsage);
    return false;
  }
  errorCode = kErrNone;
  return true;
}

void ParamCheckerCore::PrintNeedsAllowDownloadFlag() { printLine(install::sAllowDownloadFlagMsg); }

}  // namespace psl
