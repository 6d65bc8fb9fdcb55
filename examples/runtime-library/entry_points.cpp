// The sample runtime: one class, EntryPoints, whose runtimeAppStubMain:
// names the application and the version folder it was given.
#include "nimbra/runtime.h"

#include <unistd.h>

#include <climits>
#include <cstdio>
#include <stdexcept>
#include <string>

namespace {

enum class Behaviour { Normal, ExitSeven, Raise, RaiseForeign, NoClass, NoInstance };
constexpr Behaviour kBehaviour = Behaviour::SAMPLE_BEHAVIOUR;

struct EntryPoints {
  std::string application;
};

// "X" for a program in X.app/Contents/MacOS/, else the program's file name.
std::string applicationName() {
  char buffer[PATH_MAX];
  ssize_t length = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
  if (length <= 0) return "?";
  std::string path(buffer, static_cast<size_t>(length));
  const std::string marker = ".app/Contents/MacOS/";
  if (auto end = path.rfind(marker); end != std::string::npos) path.resize(end);
  return path.substr(path.rfind('/') + 1);
}

void* allocEntryPoints() { return new EntryPoints; }

void* initEntryPoints(void* self) {
  auto* entryPoints = static_cast<EntryPoints*>(self);
  if constexpr (kBehaviour == Behaviour::NoInstance) {
    delete entryPoints;
    return nullptr;
  }
  entryPoints->application = applicationName();
  return entryPoints;
}

int32_t runtimeAppStubMain(void* self, const char* versionFolder) {
  auto* entryPoints = static_cast<EntryPoints*>(self);
  if constexpr (kBehaviour == Behaviour::Raise)
    throw nimbra::Exception("NSGenericException", "the sample runtime refuses to start");
  if constexpr (kBehaviour == Behaviour::RaiseForeign)
    throw std::runtime_error("not the platform's exception");
  std::printf("sample runtime: application \"%s\", version folder \"%s\"\n",
              entryPoints->application.c_str(), versionFolder);
  std::fflush(stdout);
  return kBehaviour == Behaviour::ExitSeven ? 7 : 0;
}

const nimbra_method kMethods[] = {
    {"runtimeAppStubMain:", runtimeAppStubMain},
};

__attribute__((constructor)) void registerClasses() {
  if constexpr (kBehaviour == Behaviour::NoClass) return;
  nimbra_class_desc entryPoints{};
  entryPoints.size = sizeof entryPoints;
  entryPoints.abiVersion = NIMBRA_RUNTIME_ABI_VERSION;
  entryPoints.name = "EntryPoints";
  entryPoints.alloc = allocEntryPoints;
  entryPoints.init = initEntryPoints;
  entryPoints.methods = kMethods;
  entryPoints.methodCount = sizeof kMethods / sizeof kMethods[0];
  if (nimbra_register_class(&entryPoints) != NIMBRA_REGISTERED)
    std::fprintf(stderr, "sample runtime: EntryPoints was not registered\n");
}

}  // namespace
