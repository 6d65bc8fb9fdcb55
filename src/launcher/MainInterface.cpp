#include "launcher/MainInterface.h"

#include <memory>

platform::LoadedInterface loadMainInterface() {
  auto objects = std::make_shared<MainInterface>();
  objects->bootstrapper.setDownloader(&objects->downloader);
  objects->progressWindow->setTitle(objects->bootstrapper.localizedWindowTitle());
  connectProgressWindow(objects->downloader, *objects->progressWindow);
  return {objects, &objects->bootstrapper};
}
