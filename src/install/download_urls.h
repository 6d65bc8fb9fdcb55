// The runtime download addresses for a given platform record.
#pragma once

#include "install/install.h"

namespace install {

// What getBootstrapperDownloadUrls does once it has the platform record.
bool formatBootstrapperDownloadUrls(const PlatformInfo& info, char* installerUrl,
                                    uint64_t installerUrlSize, char* signatureUrl,
                                    uint64_t signatureUrlSize);

}  // namespace install
