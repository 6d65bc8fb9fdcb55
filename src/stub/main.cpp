// The executable of an installed application: it only enters the runtime.
#include "platform/process.h"
#include "stub/load_runtime.h"

int main(int argc, char** argv) {
  platform::setProcessArguments(argc, argv);
  return stub::RuntimeAppMain("runtimeAppStubMain:", stub::kRuntimeInstalled);
}
