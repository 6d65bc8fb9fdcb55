#include "install/app_installer.h"

#include "install/install.h"
#include "platform/bundle.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "platform/task.h"
#include "platform/trace.h"

namespace install {

int32_t runAppInstaller(const std::vector<std::string>& args) {
  const std::optional<std::string> location = getRuntimeLocation();
  if (!location || location->empty()) return 3;
  const std::string installerPath =
      platform::appendingPathComponent(*location, kAppInstallerRelativePath);

  const auto bundle = platform::Bundle::withPath(installerPath);
  if (!bundle) {
    platform::trace("Error: No Application Installer bundle at %@", installerPath);
    return 5;
  }
  const auto executable = bundle->executablePath();
  if (!executable || !platform::fileExists(*executable)) {
    platform::trace("Error: No executable in the Application Installer at %@", installerPath);
    return 5;
  }
  platform::trace("Info: Application Installer is %@", executable);

  return platform::runTaskAndWait(*executable, args);
}

}  // namespace install
