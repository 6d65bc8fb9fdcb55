// The platform-independent half of the install services.
#include "install/install.h"
#include "install/download_urls.h"
#include "install/scanner.h"

#include <cstdio>

namespace install {

int getRuntimeVersion(RuntimeVersionInfo& info) { return platform_getRuntimeVersion(info); }

int scanRuntimeVersion(std::string_view text, RuntimeVersionInfo& info) {
  // Read into a scratch record so that a failure leaves the caller's alone.
  RuntimeVersionInfo read;
  Scanner scanner(text);
  if (!scanner.scanInt(read.major) || !scanner.scanString(".") ||
      !scanner.scanInt(read.minor) || !scanner.scanString(".") ||
      !scanner.scanInt(read.revision) || !scanner.scanString(".") ||
      !scanner.scanInt(read.build))
    return -3;
  info = read;
  return 0;
}

bool canUpdateRuntime() {
  if (platform_updateDisabledFileExists()) return false;
  return platform_getConfigurationValue("UpdateDisabled") != 1;
}

namespace {

const char* systemWord(int32_t os) {
  switch (os) {
    case 1: return "windows";
    case 2: return "macos";
    default: return "unknown";
  }
}

const char* processorWord(int32_t processor) {
  switch (processor) {
    case 1: return "x86";
    case 2: return "ppc";
    default: return "unknown";
  }
}

// Plain HTTP: the download's integrity rests on its signature, not the transport.
void formatUrl(char* buffer, uint64_t size, const PlatformInfo& info, const char* file) {
  if (size == 0) return;
  std::snprintf(buffer, size, "http://%s/nimbra/3/psu/%s%d.%d/%s/%s", NIMBRA_DOWNLOAD_HOST,
                systemWord(info.os), info.osMajorVersion, info.osMinorVersion,
                processorWord(info.processor), file);
}

}  // namespace

bool formatBootstrapperDownloadUrls(const PlatformInfo& info, char* installerUrl,
                                    uint64_t installerUrlSize, char* signatureUrl,
                                    uint64_t signatureUrlSize) {
  if (info.os == 0 || info.processor == 0 || info.osMajorVersion == 0) return false;
  formatUrl(installerUrl, installerUrlSize, info, "installer");
  formatUrl(signatureUrl, signatureUrlSize, info, "installer.p7");
  return true;
}

bool getBootstrapperDownloadUrls(char* installerUrl, uint64_t installerUrlSize,
                                 char* signatureUrl, uint64_t signatureUrlSize) {
  PlatformInfo info{};
  platform_getPlatformInfo(info);
  return formatBootstrapperDownloadUrls(info, installerUrl, installerUrlSize, signatureUrl,
                                        signatureUrlSize);
}

}  // namespace install
