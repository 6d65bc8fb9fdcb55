// The least a program must do to enter a runtime library: load it, take the
// class it registers and call its entry method.
//
//   bench_minimal_loader LIBRARY VERSION_FOLDER
#include "nimbra/runtime.h"

#include <dlfcn.h>

#include <cstdio>
#include <cstring>

namespace {
nimbra_class_desc registered{};
}

extern "C" NIMBRA_EXPORT int32_t nimbra_register_class(const nimbra_class_desc* description) {
  registered = *description;
  return NIMBRA_REGISTERED;
}

int main(int argc, char** argv) {
  if (argc != 3) return 2;
  if (!dlopen(argv[1], RTLD_LAZY)) {
    std::fprintf(stderr, "%s\n", dlerror());
    return 4;
  }
  void* self = registered.alloc ? registered.init(registered.alloc()) : nullptr;
  for (uint32_t i = 0; self && i < registered.methodCount; ++i)
    if (std::strcmp(registered.methods[i].selector, "runtimeAppStubMain:") == 0)
      return registered.methods[i].imp(self, argv[2]);
  return 4;
}
