#include "platform/class_registry.h"

#include "nimbra/runtime.h"
#include "platform/paths.h"

#include <dlfcn.h>
#include <link.h>

#include <filesystem>
#include <memory>
#include <system_error>
#include <utility>
#include <vector>

namespace platform {

class Class {
 public:
  std::string name;
  void* (*alloc)(void) = nullptr;
  void* (*init)(void*) = nullptr;
  std::vector<std::pair<std::string, nimbra_method_imp>> methods;
};

namespace {

// In registration order. Libraries register from their constructors, which
// may run before anything else of ours, hence the function-local static.
std::vector<std::unique_ptr<Class>>& classes() {
  static std::vector<std::unique_ptr<Class>> registered;
  return registered;
}

bool hasBundleExtension(std::string_view folder) {
  for (std::string_view extension : {".framework", ".app", ".bundle"}) {
    if (folder.size() > extension.size() && folder.ends_with(extension)) return true;
  }
  return false;
}

// The file the class's code was loaded from; empty for the program itself.
std::optional<std::string> imagePath(const Class& cls) {
  Dl_info info{};
  link_map* image = nullptr;
  if (dladdr1(reinterpret_cast<void*>(cls.alloc), &info, reinterpret_cast<void**>(&image),
              RTLD_DL_LINKMAP) == 0 ||
      image == nullptr || image->l_name == nullptr)
    return std::nullopt;
  std::string path = image->l_name;
  if (path.empty() || isAbsolutePath(path)) return path;
  std::error_code error;
  auto absolute = std::filesystem::absolute(path, error);
  if (error) return std::nullopt;
  return absolute.string();
}

}  // namespace

const Class* lookUpClass(std::string_view name) {
  for (const auto& cls : classes()) {
    if (cls->name == name) return cls.get();
  }
  return nullptr;
}

const std::string& className(const Class& cls) { return cls.name; }

std::string bundleFolderForImage(const std::string& imagePath) {
  std::string imageFolder = deletingLastPathComponent(standardizingPath(imagePath));
  for (std::string folder = imageFolder; folder != "/" && !folder.empty();
       folder = deletingLastPathComponent(folder)) {
    if (hasBundleExtension(lastPathComponent(folder))) return folder;
  }
  return imageFolder;
}

std::optional<Bundle> bundleForClass(const Class& cls) {
  auto image = imagePath(cls);
  if (!image) return std::nullopt;
  if (image->empty()) return Bundle::mainBundle();
  return Bundle::withPath(bundleFolderForImage(*image));
}

const Class* classNamed(const Bundle& bundle, std::string_view name) {
  for (const auto& cls : classes()) {
    if (cls->name != name) continue;
    auto holder = bundleForClass(*cls);
    if (holder && holder->bundlePath() == bundle.bundlePath()) return cls.get();
  }
  return nullptr;
}

Object createInstance(const Class& cls) {
  void* allocated = cls.alloc();
  if (allocated == nullptr) return {};
  void* self = cls.init(allocated);
  if (self == nullptr) return {};
  return Object{&cls, self};
}

int32_t performSelector(const Object& receiver, std::string_view selector,
                        const std::string& argument) {
  // Like a message to nil: nothing happens, the result is zero.
  if (!receiver || receiver.isa == nullptr) return 0;
  for (const auto& [name, imp] : receiver.isa->methods) {
    if (name == selector) return imp(receiver.self, argument.c_str());
  }
  throw nimbra::Exception("NSInvalidArgumentException",
                          "-[" + receiver.isa->name + " " + std::string(selector) +
                              "]: unrecognized selector sent to instance");
}

}  // namespace platform

extern "C" int32_t nimbra_register_class(const nimbra_class_desc* description) {
  if (description == nullptr || description->size < sizeof(nimbra_class_desc))
    return NIMBRA_BAD_DESCRIPTION;
  // Only the fields this version knows are read; a newer library's extra
  // fields lie beyond them.
  const nimbra_class_desc& desc = *description;
  if (desc.abiVersion != NIMBRA_RUNTIME_ABI_VERSION) return NIMBRA_UNSUPPORTED_ABI;
  if (desc.name == nullptr || desc.name[0] == '\0' || desc.alloc == nullptr ||
      desc.init == nullptr || (desc.methodCount > 0 && desc.methods == nullptr))
    return NIMBRA_BAD_DESCRIPTION;

  auto cls = std::make_unique<platform::Class>();
  cls->name = desc.name;
  cls->alloc = desc.alloc;
  cls->init = desc.init;
  for (uint32_t i = 0; i < desc.methodCount; ++i) {
    const nimbra_method& method = desc.methods[i];
    if (method.selector == nullptr || method.imp == nullptr) return NIMBRA_BAD_DESCRIPTION;
    cls->methods.emplace_back(method.selector, method.imp);
  }
  platform::classes().push_back(std::move(cls));
  return NIMBRA_REGISTERED;
}
