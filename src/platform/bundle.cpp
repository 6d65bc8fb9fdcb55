#include "platform/bundle.h"

#include "platform/files.h"
#include "platform/paths.h"
#include "platform/process.h"


namespace platform {

Bundle::Bundle(std::string path, Layout layout) : path_(std::move(path)), layout_(layout) {
  std::string infoPath;
  switch (layout_) {
    case Layout::Application: infoPath = appendingPathComponent(path_, "Contents/Info.plist"); break;
    case Layout::Framework: infoPath = appendingPathComponent(path_, "Resources/Info.plist"); break;
    case Layout::Flat: infoPath = appendingPathComponent(path_, "Info.plist"); break;
  }
  info_ = std::shared_ptr<std::remove_pointer_t<plist_t>>(readPlistFile(infoPath).release(),
                                                          PlistFree());
}

std::optional<Bundle> Bundle::withPath(const std::string& path) {
  if (!isDirectory(path)) return std::nullopt;
  std::string clean = standardizingPath(path);
  if (isDirectory(appendingPathComponent(clean, "Contents")))
    return Bundle(clean, Layout::Application);
  if (fileExists(appendingPathComponent(clean, "Resources/Info.plist")))
    return Bundle(clean, Layout::Framework);
  return Bundle(clean, Layout::Flat);
}

const Bundle& Bundle::mainBundle() {
  static const Bundle bundle = [] {
    std::string folder = deletingLastPathComponent(platform::executablePath());
    if (lastPathComponent(folder) == "MacOS") {
      std::string contents = deletingLastPathComponent(folder);
      if (lastPathComponent(contents) == "Contents")
        return Bundle(deletingLastPathComponent(contents), Layout::Application);
    }
    return Bundle(folder, Layout::Flat);
  }();
  return bundle;
}

std::string Bundle::resourcePath() const {
  switch (layout_) {
    case Layout::Application: return appendingPathComponent(path_, "Contents/Resources");
    case Layout::Framework: return appendingPathComponent(path_, "Resources");
    case Layout::Flat: break;
  }
  return path_;
}

std::optional<std::string> Bundle::executablePath() const {
  auto name = infoString("CFBundleExecutable");
  if (!name || name->empty()) return std::nullopt;
  if (layout_ == Layout::Application)
    return appendingPathComponent(appendingPathComponent(path_, "Contents/MacOS"), *name);
  return appendingPathComponent(path_, *name);
}

std::optional<std::string> Bundle::infoString(std::string_view key) const {
  return dictionaryString(info_.get(), key);
}

std::optional<std::string> Bundle::pathForResource(std::string_view name,
                                                   std::string_view type) const {
  std::string file(name);
  if (!type.empty()) {
    file += '.';
    file += type;
  }
  std::string path = appendingPathComponent(resourcePath(), file);
  if (!fileExists(path)) return std::nullopt;
  return path;
}

}  // namespace platform
