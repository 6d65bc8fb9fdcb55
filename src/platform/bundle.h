// Bundles: a folder with an information dictionary and a resource folder.
//
//   X.app/Contents/Info.plist, Contents/MacOS/<exe>, Contents/Resources/
//   X.framework/Resources/Info.plist (executable and resources beside it)
//   any other folder: flat, Info.plist and resources in the folder itself
#pragma once

#include "platform/plist.h"

#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace platform {

class Bundle {
 public:
  // A bundle for an existing folder, or nothing.
  static std::optional<Bundle> withPath(const std::string& path);
  // The bundle of the running executable (/proc/self/exe): X for an
  // executable in X/Contents/MacOS/, otherwise the executable's own folder.
  static const Bundle& mainBundle();

  const std::string& bundlePath() const { return path_; }
  std::string resourcePath() const;
  // The executable the information dictionary names (CFBundleExecutable).
  std::optional<std::string> executablePath() const;
  // Borrowed; null when the bundle has no readable dictionary.
  plist_t infoDictionary() const { return info_.get(); }
  std::optional<std::string> infoString(std::string_view key) const;
  // <resources>/<name>.<type> when it exists.
  std::optional<std::string> pathForResource(std::string_view name,
                                             std::string_view type) const;

 private:
  enum class Layout { Application, Framework, Flat };
  Bundle(std::string path, Layout layout);

  std::string path_;
  Layout layout_;
  std::shared_ptr<std::remove_pointer_t<plist_t>> info_;
};

}  // namespace platform
