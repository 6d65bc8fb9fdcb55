#include "launcher/MainInterface.h"

#include <memory>

platform::LoadedInterface loadMainInterface() {
  auto objects = std::make_shared<MainInterface>();
  objects->bootstrapper.setDownloader(&objects->downloader);
  // Progress window: created here and connected to the Downloader, its title
  // showing objects->bootstrapper.localizedWindowTitle().
  return {objects, &objects->bootstrapper};
}
