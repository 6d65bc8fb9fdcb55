// The install services both programs link: the install log, runtime
// discovery, platform information, update policy and the runtime download
// addresses.
#pragma once

#include "install/system_version.h"

#include <cstdarg>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace install {

// ---- Install log: one system log line per step of an install run.

enum severity_t : int32_t {
  severityError = 0,
  severityWarning = 1,
  severityNotice = 2,
  severityDebug = 3,
};

// When true, every log line is also echoed to standard output as
// "status <line>". False at start; neither program sets it.
extern bool _logToStdout;
// "Unable to download runtime installer without -allowDownload"; the option
// checker prints the same text.
extern const char* const sAllowDownloadFlagMsg;

// Formats by printf rules and writes one line. Returns 0, or -3 when the
// severity is out of range (nothing reaches the system log then).
int installLog(severity_t severity, const char* format, ...)
    __attribute__((format(printf, 2, 3)));
int platform_installLog(severity_t severity, const char* format, va_list arguments)
    __attribute__((format(printf, 2, 0)));

// Callers log only through these; all wording lives with them.
void logApplicationBegin(const char* application, const char* version, const char* system,
                         const char* processor);
void logApplicationEnd(bool success, const char* application, int exitCode);
void logRuntimeInstalled(int major, int minor, int revision, int build, const char* location);
void logRuntimeNotInstalled();
void logImmediateUpdateDisabled();
void logSubprocessBegin(const char* commandLine);
void logSubprocessSuccess(const char* name);
void logSubprocessFailure(const char* name, int status);
void logDownloadBegin(const char* what, const char* url);
void logDownloadDest(const char* path);
void logDownloadSuccess();
void logDownloadFailure(const char* reason);
void logDownloadCancel();
void logSigValid(const char* what);
void logSigInvalid(const char* what);
void logCouldNotLocateAppDir(const char* path);
void logMissingAllowDownloadFlag();
void logCertChainBegin();
void logCertRevocationFound();
void logCertChainSuccess();
void logCertChainFailure();

// ---- Runtime discovery and version. Statuses: 0 success, -3 any failure;
// on -3 the caller's record keeps its previous contents.

struct RuntimeVersionInfo {
  int32_t major = 0;
  int32_t minor = 0;
  int32_t revision = 0;
  int32_t build = 0;
};

// The installed framework folder ("Zandrel Nimbra.framework" in the
// Frameworks folder of the local, network or system Library, first found
// wins; the user's own Library is never searched), or nothing. Not cached.
std::optional<std::string> getRuntimeLocation();
int getRuntimeVersion(RuntimeVersionInfo& info);
int platform_getRuntimeVersion(RuntimeVersionInfo& info);
// Reads the four numbers of the CFBundleVersion of the bundle at `path`.
int platform_getFileVersion(const char* path, RuntimeVersionInfo& info);
// The four dot-separated numbers at the start of a CFBundleVersion text
// (white space allowed around each item, anything after the fourth ignored).
int scanRuntimeVersion(std::string_view text, RuntimeVersionInfo& info);

// ---- Platform information and update policy.

struct PlatformInfo {
  int32_t os = 0;  // 0 not determined, 1 Windows, 2 macOS
  int32_t osMajorVersion = 0;
  int32_t osMinorVersion = 0;
  int32_t osPatchVersion = 0;
  int32_t processor = 0;  // 0 not determined, 1 x86, 2 PowerPC
};

// Fills all five fields; the system version is read once and cached in
// MacSystemVersion::sCachedSystemVersion.
void platform_getPlatformInfo(PlatformInfo& info);
// The administrator's value for `key`; there is no configuration store, so 0.
int32_t platform_getConfigurationValue(const char* key);
// Anything at ~/Library/Application Support/Zandrel/Nimbra/updateDisabled.
bool platform_updateDisabledFileExists();
// True when runtime updates may be downloaded.
bool canUpdateRuntime();

// ---- Runtime download addresses.

// Writes the installer URL and its signature URL (bounded, NUL-terminated,
// cut when too long; a size of 0 leaves that buffer alone). False, with both
// buffers untouched, when the platform information is incomplete.
bool getBootstrapperDownloadUrls(char* installerUrl, uint64_t installerUrlSize,
                                 char* signatureUrl, uint64_t signatureUrlSize);

}  // namespace install
