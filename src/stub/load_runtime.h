// Finding, loading and entering the runtime library.
#pragma once

#include "platform/class_registry.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace stub {

// Where GetProc looks for the runtime library; a bit mask.
enum RuntimeSearchFlags : int32_t {
  kRuntimeFromArgument = 1,     // the folder after "-runtime" on the command line
  kRuntimeInAppFrameworks = 2,  // Contents/Frameworks of the application bundle
  kRuntimeInAppSDK = 4,         // an SDK layout inside the bundle's Contents folder
  kRuntimeInstalled = 8,        // the installed framework
  kRuntimeBesideApp = 16,       // an SDK layout beside the application bundle
};

// Library path below a folder that holds the framework, and below the
// installed framework folder itself.
inline constexpr const char* kFrameworkLibraryPath =
    "Zandrel Nimbra.framework/Versions/1.0/Zandrel Nimbra_64";
inline constexpr const char* kInstalledLibraryPath = "Versions/1.0/Zandrel Nimbra_64";
inline constexpr const char* kRuntimeSDKFolder = "runtimeSDK";
inline constexpr const char* kRuntimesFolder = "runtimes/nimbra/mac";
inline constexpr const char* kRuntimeSwitch = "-runtime";
inline constexpr const char* kFrameworksFolder = "Frameworks";

// GetProc's statuses.
enum : int32_t {
  kRuntimeLoaded = 0,
  kRuntimeNotFound = 3,
  kRuntimeNotLoadable = 4,
};

// What the search reads of the process; tests hand in their own.
struct ProcessView {
  std::vector<std::string> arguments;  // program path first
  std::string executablePath;          // the main bundle's executable
  std::function<std::string()> currentDirectory;
  std::function<std::optional<std::string>()> runtimeLocation;  // the installed framework

  static ProcessView current();
};

struct RuntimeSearchResult {
  int32_t status = kRuntimeNotFound;  // kRuntimeLoaded when `libraryPath` was found
  std::string libraryPath;
};

// The path of an existing library below base/"runtimeSDK" or, failing that,
// below base/"runtimes/nimbra/mac"; nothing when neither exists.
std::optional<std::string> FindSDKRuntimePath(const std::string& base,
                                              const std::string& relative);

// The search alone: the flagged places in their fixed order.
RuntimeSearchResult FindRuntimeLibrary(int32_t flags, const ProcessView& process);

// Finds and loads the library and makes its EntryPoints instance. Returns
// kRuntimeLoaded with both outputs filled, or kRuntimeNotFound /
// kRuntimeNotLoadable with both untouched.
int32_t GetProc(int32_t flags, const ProcessView& process, platform::Object& entryPoints,
                std::optional<std::string>& versionFolder);
int32_t GetProc(int32_t flags, platform::Object& entryPoints,
                std::optional<std::string>& versionFolder);

// Loads and enters the runtime; the result is the exit status: the entry
// method's result, or 4 after the alert when anything failed.
int32_t RuntimeAppMain(const char* selectorName, int32_t flags);

}  // namespace stub
