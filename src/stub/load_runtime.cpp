#include "stub/load_runtime.h"

#include "install/install.h"
#include "messages/embedded_messages.h"
#include "nimbra/runtime.h"
#include "platform/alert.h"
#include "platform/bundle.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "platform/process.h"
#include "platform/trace.h"
#include "stub/stub_messages.h"

#include <dlfcn.h>


namespace stub {

namespace {

std::string runningExecutable() {
  if (auto path = platform::Bundle::mainBundle().executablePath()) return *path;
  return platform::executablePath();
}

std::optional<std::string> existing(std::string path) {
  const bool found = platform::fileExists(path);
  platform::trace("Info: Runtime library %@: %@", path, found ? "found" : "nothing there");
  if (!found) return std::nullopt;
  return path;
}

const char* dlopenFailure() {
  const char* text = dlerror();
  return text ? text : "no reason given";
}

// The exit status of every failure, whatever GetProc said.
constexpr int32_t kFailureExitStatus = 4;

// The row is chosen now, from the user's current languages.
int32_t showRuntimeNotFound() {
  const StubMessageRow& row = allMessages[GetFatalErrorMessageIndex()];
  platform::runAlert("Zandrel Nimbra", wchartoNSString(row.message), wchartoNSString(row.button));
  return kFailureExitStatus;
}

}  // namespace

ProcessView ProcessView::current() {
  return ProcessView{platform::processArguments(), runningExecutable(),
                     platform::currentDirectory, install::getRuntimeLocation};
}

std::optional<std::string> FindSDKRuntimePath(const std::string& base,
                                              const std::string& relative) {
  using platform::appendingPathComponent;
  if (auto path = existing(appendingPathComponent(
          appendingPathComponent(base, kRuntimeSDKFolder), relative)))
    return path;
  return existing(
      appendingPathComponent(appendingPathComponent(base, kRuntimesFolder), relative));
}

RuntimeSearchResult FindRuntimeLibrary(int32_t flags, const ProcessView& process) {
  using platform::appendingPathComponent;
  using platform::deletingLastPathComponent;
  std::optional<std::string> path;

  if ((flags & kRuntimeFromArgument) && process.arguments.size() > 2 &&
      process.arguments[1] == kRuntimeSwitch) {
    std::string candidate = appendingPathComponent(process.arguments[2], kFrameworkLibraryPath);
    if (!platform::isAbsolutePath(candidate))
      candidate = appendingPathComponent(process.currentDirectory(), candidate);
    // A runtime named on the command line is the only one wanted.
    path = existing(candidate);
    if (!path) return {kRuntimeNotFound, {}};
  }

  std::string executable = platform::standardizingPath(process.executablePath);
  std::string contents = deletingLastPathComponent(deletingLastPathComponent(executable));
  if (!path && (flags & kRuntimeInAppFrameworks)) {
    path = existing(appendingPathComponent(appendingPathComponent(contents, kFrameworksFolder),
                                           kFrameworkLibraryPath));
  }
  if (!path && (flags & kRuntimeInAppSDK)) path = FindSDKRuntimePath(contents, kFrameworkLibraryPath);
  if (!path && (flags & kRuntimeBesideApp)) {
    std::string besideApp = deletingLastPathComponent(deletingLastPathComponent(contents));
    path = FindSDKRuntimePath(besideApp, kFrameworkLibraryPath);
  }
  if (!path && (flags & kRuntimeInstalled)) {
    auto framework = process.runtimeLocation();
    if (!framework) return {kRuntimeNotFound, {}};
    path = appendingPathComponent(*framework, kInstalledLibraryPath);
    platform::trace("Info: Runtime library %@: in the installed framework", path);
  }

  if (!path) {
    platform::trace("Error: No runtime library found");
    return {kRuntimeNotFound, {}};
  }
  return {kRuntimeLoaded, *path};
}

int32_t GetProc(int32_t flags, const ProcessView& process, platform::Object& entryPoints,
                std::optional<std::string>& versionFolder) {
  RuntimeSearchResult found = FindRuntimeLibrary(flags, process);
  if (found.status != kRuntimeLoaded) return found.status;

  // RTLD_LAZY alone. The library stays loaded for the life of the process,
  // so the handle is deliberately never closed.
  if (dlopen(found.libraryPath.c_str(), RTLD_LAZY) == nullptr) {
    platform::trace("Error: Unable to load %@: %@", found.libraryPath, dlopenFailure());
    return kRuntimeNotLoadable;
  }
  platform::trace("Info: Loaded %@", found.libraryPath);

  const platform::Class* registered = platform::lookUpClass("EntryPoints");
  auto bundle = registered ? platform::bundleForClass(*registered) : std::nullopt;
  const platform::Class* entryClass =
      bundle ? platform::classNamed(*bundle, "EntryPoints") : nullptr;
  if (entryClass == nullptr) {
    platform::trace("Error: %@ offers no class EntryPoints", found.libraryPath);
    return kRuntimeNotLoadable;
  }

  platform::Object instance = platform::createInstance(*entryClass);
  if (!instance) {
    platform::trace("Error: EntryPoints of %@ made no instance", found.libraryPath);
    return kRuntimeNotLoadable;
  }
  entryPoints = instance;
  versionFolder = platform::deletingLastPathComponent(found.libraryPath);
  return kRuntimeLoaded;
}

int32_t GetProc(int32_t flags, platform::Object& entryPoints,
                std::optional<std::string>& versionFolder) {
  return GetProc(flags, ProcessView::current(), entryPoints, versionFolder);
}

int32_t RuntimeAppMain(const char* selectorName, int32_t flags) {
  // The instance lives as long as the process, like the library it came from.
  static platform::Object sEntryPoints;
  std::optional<std::string> versionFolder;
  if (GetProc(flags, sEntryPoints, versionFolder) == kRuntimeLoaded) {
    try {
      return platform::performSelector(sEntryPoints, selectorName ? selectorName : "",
                                       *versionFolder);
    } catch (const nimbra::Exception& exception) {
      platform::trace("Error: The runtime's entry method raised %@: %@", exception.name(),
                      exception.reason());
      // The runtime could not start: the same alert as when it is missing.
    }
  }
  return showRuntimeNotFound();
}

}  // namespace stub
