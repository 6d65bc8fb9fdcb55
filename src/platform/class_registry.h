// The class registry: classes that loaded libraries register through
// nimbra_register_class (include/nimbra/runtime.h), looked up by name, their
// bundles, their instances and their methods by selector name.
#pragma once

#include "platform/bundle.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace platform {

// A registered class. Registered classes are never removed, so a pointer to
// one stays valid for the rest of the process.
class Class;

// An instance: what its class's init returned, with the class it came from.
struct Object {
  const Class* isa = nullptr;
  void* self = nullptr;
  explicit operator bool() const { return self != nullptr; }
};

// The first class registered under `name`, or null.
const Class* lookUpClass(std::string_view name);

const std::string& className(const Class& cls);

// The bundle that holds the image `cls` was registered from (the main bundle
// for the program itself); nothing when the image cannot be told.
std::optional<Bundle> bundleForClass(const Class& cls);

// The folder of the bundle that holds the file `imagePath` (absolute): its
// innermost enclosing ".framework", ".app" or ".bundle" folder, else its own
// folder.
std::string bundleFolderForImage(const std::string& imagePath);

// The class named `name` whose image lies in `bundle`, or null.
const Class* classNamed(const Bundle& bundle, std::string_view name);

// alloc, then init; an empty Object when either gives none.
Object createInstance(const Class& cls);

// Calls the receiver's method named `selector`. An unrecognised selector
// raises nimbra::Exception "NSInvalidArgumentException", as any exception
// the method throws passes through.
int32_t performSelector(const Object& receiver, std::string_view selector,
                        const std::string& argument);

}  // namespace platform
