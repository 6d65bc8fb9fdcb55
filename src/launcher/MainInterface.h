// What the bootstrapper's main interface definition creates and connects:
// the one Bootstrapper (the application's delegate), the one Downloader, the
// Bootstrapper's downloader outlet and the progress window.
#pragma once

#include "launcher/Bootstrapper.h"
#include "launcher/Downloader.h"
#include "platform/application.h"
#include "platform/progress_window.h"

#include <memory>

struct MainInterface {
  // First in, last out: the Downloader points to it.
  std::unique_ptr<platform::ProgressWindow> progressWindow = platform::makeProgressWindow();
  Downloader downloader;
  Bootstrapper bootstrapper;
};

// Creates and connects the objects; the process arguments must be stored
// already (the Bootstrapper reads them).
platform::LoadedInterface loadMainInterface();
