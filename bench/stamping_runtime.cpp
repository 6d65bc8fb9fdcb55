// A runtime library whose EntryPoints stamps the moment its entry method is
// called, then returns 0.
#include "nimbra/runtime.h"
#include "stamp.h"

namespace {

int instance;

void* allocEntryPoints() { return &instance; }
void* initEntryPoints(void* self) { return self; }
int32_t runtimeAppStubMain(void*, const char*) {
  printStamp();
  return 0;
}

const nimbra_method kMethods[] = {{"runtimeAppStubMain:", runtimeAppStubMain}};

__attribute__((constructor)) void registerClasses() {
  nimbra_class_desc entryPoints{};
  entryPoints.size = sizeof entryPoints;
  entryPoints.abiVersion = NIMBRA_RUNTIME_ABI_VERSION;
  entryPoints.name = "EntryPoints";
  entryPoints.alloc = allocEntryPoints;
  entryPoints.init = initEntryPoints;
  entryPoints.methods = kMethods;
  entryPoints.methodCount = 1;
  nimbra_register_class(&entryPoints);
}

}  // namespace
