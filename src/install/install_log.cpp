#include "install/install.h"

#include <cstdio>

namespace install {

bool _logToStdout = false;
const char* const sAllowDownloadFlagMsg =
    "Unable to download runtime installer without -allowDownload";

int installLog(severity_t severity, const char* format, ...) {
  va_list arguments;
  if (_logToStdout) {
    va_start(arguments, format);
    std::fputs("status ", stdout);
    std::vfprintf(stdout, format, arguments);
    std::fputc('\n', stdout);
    std::fflush(stdout);
    va_end(arguments);
  }
  va_start(arguments, format);
  const int status = platform_installLog(severity, format, arguments);
  va_end(arguments);
  return status;
}

void logApplicationBegin(const char* application, const char* version, const char* system,
                         const char* processor) {
  installLog(severityNotice, "%s begin with version %s on %s %s", application, version, system,
             processor);
}

void logApplicationEnd(bool success, const char* application, int exitCode) {
  installLog(success ? severityNotice : severityError, "%s end with exit code %d", application,
             exitCode);
}

void logRuntimeInstalled(int major, int minor, int revision, int build, const char* location) {
  installLog(severityNotice, "Installed runtime (%d.%d.%d.%d) located at %s", major, minor,
             revision, build, location);
}

void logRuntimeNotInstalled() { installLog(severityNotice, "No installed runtime detected"); }

void logImmediateUpdateDisabled() {
  installLog(severityError,
             "Cannot complete installation because runtime updates are disabled on this machine");
}

void logSubprocessBegin(const char* commandLine) {
  installLog(severityNotice, "Launching subprocess with commandline %s", commandLine);
}

void logSubprocessSuccess(const char* name) {
  installLog(severityNotice, "Subprocess %s succeeded", name);
}

void logSubprocessFailure(const char* name, int status) {
  installLog(severityError, "Subprocess %s failed (%d)", name, status);
}

void logDownloadBegin(const char* what, const char* url) {
  installLog(severityNotice, "Begin %s download from %s", what, url);
}

void logDownloadDest(const char* path) {
  installLog(severityNotice, "Download destination is %s", path);
}

void logDownloadSuccess() { installLog(severityNotice, "Download success"); }

void logDownloadFailure(const char* reason) {
  installLog(severityError, "Download failure: %s", reason);
}

void logDownloadCancel() { installLog(severityNotice, "Download cancelled"); }

void logSigValid(const char* what) { installLog(severityNotice, "%s signature verified", what); }

void logSigInvalid(const char* what) {
  installLog(severityError, "%s signature validation failed", what);
}

void logCouldNotLocateAppDir(const char* path) {
  installLog(severityError, "Could not locate native install directory (\"%s\")", path);
}

// The shared text goes through "%s": the same line, and a format the compiler
// can check.
void logMissingAllowDownloadFlag() { installLog(severityError, "%s", sAllowDownloadFlagMsg); }

void logCertChainBegin() { installLog(severityNotice, "Begin cert chain validation"); }

void logCertRevocationFound() { installLog(severityNotice, "Cert revocation found"); }

void logCertChainSuccess() { installLog(severityNotice, "Cert chain validation succeeded"); }

void logCertChainFailure() { installLog(severityError, "Cert chain validation failed"); }

}  // namespace install
