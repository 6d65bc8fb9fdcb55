#include "launcher/Bootstrapper.h"

#include "install/app_installer.h"
#include "install/install.h"
#include "launcher/DebugTrace.h"
#include "launcher/Downloader.h"
#include "launcher/ErrorDialogController.h"
#include "launcher/LocalizedStrings.h"
#include "launcher/PSL.h"
#include "launcher/ParamChecker.h"
#include "launcher/SignatureVerification.h"
#include "platform/alert.h"
#include "platform/bundle.h"
#include "platform/error.h"
#include "platform/files.h"
#include "platform/interrupt_signals.h"
#include "platform/paths.h"
#include "platform/process.h"
#include "platform/task.h"

#include <string_view>

namespace {

constexpr const char* kApplication = "Bootstrapper";
constexpr std::string_view kInstallPrefix = "Install ";
constexpr std::size_t kUrlBufferSize = 512;

// Catalogue indices.
constexpr int32_t kMsgDownloadFailed = 0;
constexpr int32_t kMsgGenericFailure = 1;
constexpr int32_t kMsgOk = 2;
constexpr int32_t kMsgCancel = 3;
constexpr int32_t kMsgPleaseWait = 4;
constexpr int32_t kMsgInstallerRejected = 6;
constexpr int32_t kMsgNoRuntimeForSystem = 8;
constexpr int32_t kMsgWindowTitle = 9;
constexpr int32_t kMsgUpdatesDisabled = 10;

std::string message(int32_t index) {
  return LocalizedStrings::getEmbeddedMessage(index).value_or(std::string());
}

// "Install Sample" installs the folder "Sample"; any other name (a lower-case
// "install" too) is the package name as it stands.
std::string packageNameFor(const std::string& appName) {
  return appName.starts_with(kInstallPrefix) ? appName.substr(kInstallPrefix.size()) : appName;
}

std::string packageFolderFor(const std::string& appName) {
  return platform::appendingPathComponent(platform::Bundle::mainBundle().resourcePath(),
                                          packageNameFor(appName));
}

// The quoted installer name, then every argument followed by one space,
// nothing quoted: it is read by people, not parsed.
std::string commandLineText(std::string_view installerName, const std::vector<std::string>& args) {
  std::string text = "\"";
  text += installerName;
  text += "\" ";
  for (const auto& arg : args) {
    text += arg;
    text += ' ';
  }
  return text;
}

void logSubprocessEnd(const char* name, int32_t status) {
  if (status != 0)
    install::logSubprocessFailure(name, status);
  else
    install::logSubprocessSuccess(name);
}

}  // namespace

Bootstrapper::Bootstrapper() {
  const auto& arguments = platform::processArguments();
  exePath = arguments.empty() ? std::string() : arguments.front();
  setAppName(platform::lastPathComponent(exePath));
  setLocalizedWindowTitle(message(kMsgWindowTitle) + packageNameFor(appName_));

  const platform::Bundle& bundle = platform::Bundle::mainBundle();
  if (auto configPath = bundle.pathForResource("Config", "plist")) {
    config = platform::readPlistFile(*configPath);
    if (config && plist_get_node_type(config.get()) != PLIST_DICT) config.reset();
  }

  appPath = packageFolderFor(appName_);
  if (!platform::isDirectory(*appPath)) appPath.reset();

  auto& center = platform::NotificationCenter::defaultCenter();
  center.addObserver(this, InstallerDownloadDone,
                     [this](const platform::Notification& n) { notifyDownloaderDone(n); });
  center.addObserver(this, SignatureVerifyDone,
                     [this](const platform::Notification& n) { notifySignatureDone(n); });
}

Bootstrapper::~Bootstrapper() { platform::NotificationCenter::defaultCenter().removeObserver(this); }

void Bootstrapper::applicationDidFinishLaunching(const platform::Notification&) {
  const std::optional<std::string> bundleVersion =
      platform::Bundle::mainBundle().infoString("CFBundleVersion");

  psl::ParamChecker checker(platform::processArguments());
  bool allowDownload = false;
  bool silent = false;
  psl::PSLErrorCode result = psl::kErrNone;
  if (!checker.CheckParams(allowDownload, silent, result)) platform::exitProcess(result);

  // From here on an interrupted run still ends in order: a download or a
  // verification stops and leaves nothing behind, a launched installer gets
  // the signal and decides the result itself.
  if (!platform::handleInterruptSignals([this](int signal) { handleInterruptSignal(signal); }))
    DebugTrace("Warning: Unable to catch interrupt signals");

  install::logApplicationBegin(kApplication, bundleVersion.value_or("unknown").c_str(), "Mac",
                               "x86");

  if (!appPath) {
    install::logCouldNotLocateAppDir(packageFolderFor(appName_).c_str());
    endRun(psl::kErrAppDirNotFound);
  }

  install::RuntimeVersionInfo version;
  bool runtimeAbsent = false;
  if (install::getRuntimeVersion(version) != 0) {
    install::logRuntimeNotInstalled();
    runtimeAbsent = true;
  } else {
    const std::optional<std::string> location = install::getRuntimeLocation();
    install::logRuntimeInstalled(version.major, version.minor, version.revision, version.build,
                                 location ? location->c_str() : "");
    if (location && version.major >= 2)
      endRun(installWithRuntime(*location, checker.ParamArray()));
  }

  if (!allowDownload) {
    install::logMissingAllowDownloadFlag();
    checker.PrintNeedsAllowDownloadFlag();
    endRun(psl::kErrDownloadNotAllowed);
  }

  if (!runtimeAbsent && !install::canUpdateRuntime()) {
    install::logImmediateUpdateDisabled();
    showDialog(message(kMsgUpdatesDisabled));
    endRun(psl::kErrUpdateDisabled);
  }

  char installerUrl[kUrlBufferSize] = {};
  char signatureUrl[kUrlBufferSize] = {};
  if (!install::getBootstrapperDownloadUrls(installerUrl, sizeof installerUrl, signatureUrl,
                                            sizeof signatureUrl)) {
    // No download address for this system: a failure, not the silent success
    // the option check's result would give.
    showDialog(message(kMsgNoRuntimeForSystem));
    endRun(psl::kErrDownloadFailed);
  }

  if (!downloader) endRun(psl::kErrDownloadFailed);  // the interface connects it
  auto urls = std::make_shared<const std::vector<std::string>>(
      std::vector<std::string>{installerUrl, signatureUrl});
  downloader->setUrlStrings(std::move(urls));
  downloader->setSilent(silent);
  downloader->setLocalizedCancel(message(kMsgCancel));
  downloader->setLocalizedPleaseWait(message(kMsgPleaseWait));
  downloader->setRuntimeArgs(checker.ParamArray());
  downloader->startDownload(InstallerDownloadDone);
  // The run goes on in notifyDownloaderDone.
}

void Bootstrapper::endRun(int32_t result) {
  install::logApplicationEnd(result == 0, kApplication, result);
  platform::exitProcess(result);
}

int32_t Bootstrapper::installWithInstaller(const std::string& path,
                                           const std::vector<std::string>& args) {
  std::vector<std::string> arguments = args;
  if (arguments.empty()) arguments.emplace_back("-x1");
  arguments.push_back(appPath.value_or(std::string()));

  install::logSubprocessBegin(commandLineText("Nimbra Runtime Installer", arguments).c_str());
  const int32_t status = platform::runTaskAndWait(path, arguments);
  logSubprocessEnd("Runtime Installer", status);
  return status;
}

int32_t Bootstrapper::installWithRuntime(const std::string&, const std::vector<std::string>* args) {
  // install::runAppInstaller finds the framework itself.
  std::vector<std::string> arguments = args ? *args : std::vector<std::string>{};
  arguments.push_back(appPath.value_or(std::string()));

  install::logSubprocessBegin(commandLineText("Nimbra Application Installer", arguments).c_str());
  const int32_t status = install::runAppInstaller(arguments);
  logSubprocessEnd("Application Installer", status);
  return status;
}

void Bootstrapper::notifyDownloaderDone(const platform::Notification& notification) {
  const bool* success = platform::userInfoValue<bool>(notification, DownloaderKeySuccess);
  const PathList* files = platform::userInfoValue<PathList>(notification, DownloaderKeyFiles);
  handleDownloaderDone(success && *success, files && *files ? files->get() : nullptr);
}

void Bootstrapper::handleDownloaderDone(bool success, const std::vector<std::string>* files) {
  if (!success || !files || files->size() != 2)
    cleanupAndExit(true, psl::kErrDownloadFailed, message(kMsgDownloadFailed));

  installerLaunchPath = (*files)[0];
  const std::string signaturePath = (*files)[1];
  verifier = std::make_unique<SignatureVerification>();
  verifier->setDownloader(downloader);
  verifier->verifyDataAtPath(*installerLaunchPath, signaturePath);
  // The run goes on in notifySignatureDone.
}

void Bootstrapper::notifySignatureDone(const platform::Notification& notification) {
  const bool* valid = platform::userInfoValue<bool>(notification, SignatureKeyIsValid);
  handleSignatureDone(valid && *valid, notification.object);
}

void Bootstrapper::handleSignatureDone(bool valid, const void* signatureVerifier) {
  if (verifier && verifier.get() == signatureVerifier) verifier.reset();

  if (!valid) cleanupAndExit(true, psl::kErrSignatureInvalid, message(kMsgInstallerRejected));
  if (!installerLaunchPath || !markAsExecutable(*installerLaunchPath))
    cleanupAndExit(true, psl::kErrDownloadFailed, message(kMsgInstallerRejected));

  const std::vector<std::string> runtimeArgs =
      downloader ? downloader->runtimeArgs() : std::vector<std::string>{};
  const int32_t status = installWithInstaller(*installerLaunchPath, runtimeArgs);
  cleanupAndExit(false, status, std::nullopt);
}

void Bootstrapper::cleanupAndExit(bool show, int32_t errCode,
                                  const std::optional<std::string>& exitMessage) {
  if (errCode == 0) {
    install::logApplicationEnd(true, kApplication, 0);
  } else {
    if (show) {
      const std::optional<platform::Error> lastError =
          downloader ? downloader->lastError() : std::nullopt;
      if (lastError && lastError->domain == platform::kURLErrorDomain &&
          lastError->code == platform::URLErrorFileDoesNotExist)
        showDialog(message(kMsgNoRuntimeForSystem));
      else
        okAlert(exitMessage ? *exitMessage : message(kMsgGenericFailure));
    }
    install::logApplicationEnd(false, kApplication, errCode);
  }
  if (downloader) downloader->cleanupTempFiles();
  platform::exitProcess(errCode);
}

void Bootstrapper::handleInterruptSignal(int signal) {
  DebugTrace("Info: Ending the run on signal %@", signal);
  if (downloader && downloader->isDownloading()) downloader->stopDownLoad(this);
  // The user asked for the end: no alert.
  cleanupAndExit(false, platform::kTaskSignalBase + signal, std::nullopt);
}

bool Bootstrapper::markAsExecutable(const std::string& path) {
  const std::optional<mode_t> permissions =
      platform::posixPermissions(platform::resolvingSymlinksInPath(path));
  if (!permissions) return false;
  return platform::setPosixPermissions(path, *permissions | 0111);
}

void Bootstrapper::okAlert(const std::string& text) {
  platform::runAlert(appName_, text, message(kMsgOk));
}

void Bootstrapper::showDialog(const std::string& text) {
  ErrorDialogController controller("ErrorDialog");
  platform::DialogWindow& window = controller.window();
  controller.setMessage(text, message(kMsgOk), appName_);
  window.runModal();
}
