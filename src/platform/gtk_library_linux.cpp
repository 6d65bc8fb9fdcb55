#include "platform/gtk_library.h"

#include <dlfcn.h>

#include <cstdlib>
#include <memory>

namespace platform {

namespace {

constexpr const char* kGtkLibrary = "libgtk-3.so.0";

// The library file to load; tests may name one that does not load.
const char* gtkLibraryFile() {
#if NIMBRA_TEST_SETTINGS
  if (const char* file = std::getenv("NIMBRA_TEST_GTK_LIBRARY"); file && *file) return file;
#endif
  return kGtkLibrary;
}

bool displayNamed() {
  for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY"})
    if (const char* value = std::getenv(name); value && *value) return true;
  return false;
}

struct LibraryClose {
  void operator()(void* handle) const { dlclose(handle); }
};
using LibraryHandle = std::unique_ptr<void, LibraryClose>;

struct LoadedGtk {
  // Never unmapped (RTLD_NODELETE): GTK cannot be unloaded once initialised,
  // and windows may still exist when the process exits.
  LibraryHandle handle;
  GtkLibrary functions{};
};

std::unique_ptr<LoadedGtk> loadGtk() {
  if (!displayNamed()) return nullptr;
  auto gtk = std::make_unique<LoadedGtk>();
  gtk->handle.reset(dlopen(gtkLibraryFile(), RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE));
  if (!gtk->handle) return nullptr;
  // dlsym searches the library's own dependencies too (GLib, GIO, GDK).
#define NIMBRA_GTK_RESOLVE(name)                                                               \
  gtk->functions.name =                                                                        \
      reinterpret_cast<decltype(gtk->functions.name)>(dlsym(gtk->handle.get(), #name));        \
  if (!gtk->functions.name) return nullptr;
  NIMBRA_GTK_FUNCTIONS(NIMBRA_GTK_RESOLVE)
#undef NIMBRA_GTK_RESOLVE
  // The process keeps the C locale its texts and log lines are made in.
  gtk->functions.gtk_disable_setlocale();
  if (!gtk->functions.gtk_init_check(nullptr, nullptr)) return nullptr;
  return gtk;
}

}  // namespace

const GtkLibrary* gtkLibrary() {
  static const std::unique_ptr<LoadedGtk> sGtk = loadGtk();
  return sGtk ? &sGtk->functions : nullptr;
}

}  // namespace platform
