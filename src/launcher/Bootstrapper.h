// The application delegate of PackageSetupLauncher: decides, as soon as the
// application has finished launching, whether the installed runtime's
// Application Installer can take the package or a runtime must be fetched,
// verified and run first. Every run ends with the process exiting.
#pragma once

#include "launcher/notifications.h"
#include "platform/application.h"
#include "platform/notification.h"
#include "platform/plist.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class Downloader;
class SignatureVerification;

class Bootstrapper : public platform::ApplicationDelegate {
 public:
  Bootstrapper();            // init
  ~Bootstrapper() override;  // dealloc
  Bootstrapper(const Bootstrapper&) = delete;
  Bootstrapper& operator=(const Bootstrapper&) = delete;

  void applicationDidFinishLaunching(const platform::Notification& notification) override;

  // Both return the installer's status (see platform/task.h for signals and
  // children that cannot be started).
  int32_t installWithInstaller(const std::string& path, const std::vector<std::string>& args);
  int32_t installWithRuntime(const std::string& location, const std::vector<std::string>* args);

  void notifyDownloaderDone(const platform::Notification& notification);
  void handleDownloaderDone(bool success, const std::vector<std::string>* files);
  void notifySignatureDone(const platform::Notification& notification);
  void handleSignatureDone(bool valid, const void* signatureVerifier);

  void showDialog(const std::string& message);
  // Ends a run that has started a download: tells the user when asked to,
  // writes the end line, deletes every fetched file and exits with `errCode`.
  [[noreturn]] void cleanupAndExit(bool show, int32_t errCode,
                                   const std::optional<std::string>& exitMessage);
  // SIGINT, SIGTERM or SIGHUP: a transfer in progress is cancelled, the
  // fetched files deleted, and the run ends with 128 + the signal's number.
  [[noreturn]] void handleInterruptSignal(int signal);
  bool markAsExecutable(const std::string& path);
  void okAlert(const std::string& text);

  const std::string& appName() const { return appName_; }
  void setAppName(std::string name) { appName_ = std::move(name); }
  const std::string& localizedWindowTitle() const { return localizedWindowTitle_; }
  void setLocalizedWindowTitle(std::string title) { localizedWindowTitle_ = std::move(title); }

  // The outlet the main interface connects; not owned.
  void setDownloader(Downloader* outlet) { downloader = outlet; }

  // Read-only views for the main interface and for tests.
  const std::optional<std::string>& packagePath() const { return appPath; }
  const platform::Plist& configuration() const { return config; }

 private:
  [[noreturn]] void endRun(int32_t result);

  std::string exePath;
  std::optional<std::string> appPath;
  std::string appName_;
  std::optional<std::string> installerLaunchPath;
  std::string localizedWindowTitle_;
  platform::Plist config;
  Downloader* downloader = nullptr;
  // The one verifier of a run, from the finished download until its verdict.
  std::unique_ptr<SignatureVerification> verifier;
};
