// Running the installed runtime's own Application Installer.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace install {

// Where the Application Installer lives inside the runtime framework folder.
inline constexpr const char* kAppInstallerRelativePath =
    "Versions/1.0/Zandrel Nimbra Application Installer.app";

// Runs the Application Installer of the installed runtime with `args` (the
// options to pass on, then the package folder) and waits for it. Returns 3
// when no runtime is installed, 5 when the installer bundle or its executable
// is missing, otherwise the child's status as platform::runTaskAndWait
// reports it (128 + signal when killed, 127 when it could not be started).
int32_t runAppInstaller(const std::vector<std::string>& args);

}  // namespace install
