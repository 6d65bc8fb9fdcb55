// The bootstrapper's exit codes and its platform-independent option rules.
#pragma once

#include <cstdint>

namespace psl {

enum PSLErrorCode : int32_t {
  kErrNone = 0,
  kErrInvalidArgs = 2,
  kErrDownloadNotAllowed = 10,
  kErrDownloadFailed = 11,
  kErrAppDirNotFound = 12,
  kErrSignatureInvalid = 13,
  kErrUpdateDisabled = 15,
};

// The rules of the command line. A platform subclass supplies the incoming
// arguments and keeps the validated ones.
class ParamCheckerCore {
 public:
  virtual ~ParamCheckerCore() = default;

  virtual uint32_t GetOrigArgCount() const = 0;
  // Borrowed; valid for the duration of the check.
  virtual const char* GetOrigUtf8Arg(uint32_t index) const = 0;
  // isValue is true for the folder after "-location", false for an option.
  virtual void PutValidatedUtf8Arg(const char* arg, bool isValue) = 0;
  virtual void PutRuntimeInstallerUtf8Path(const char* path) = 0;

  // True when the run may go on (errorCode 0). On false the run ends with
  // errorCode: 0 after "-version", 2 for a refused command line. Both flags
  // are written in every case.
  bool CheckParams(bool& allowDownload, bool& silentMode, PSLErrorCode& errorCode);
  void PrintNeedsAllowDownloadFlag();

 protected:
  ParamCheckerCore() = default;
  ParamCheckerCore(const ParamCheckerCore&) = default;
  ParamCheckerCore& operator=(const ParamCheckerCore&) = default;
};

}  // namespace psl
