// What the bootstrapper's main interface definition creates and connects:
// the one Bootstrapper (the application's delegate), the one Downloader, the
// Bootstrapper's downloader outlet and the progress window.
#pragma once

#include "launcher/Bootstrapper.h"
#include "launcher/Downloader.h"
#include "platform/application.h"

struct MainInterface {
  Downloader downloader;
  Bootstrapper bootstrapper;
};

// Creates and connects the objects; the process arguments must be stored
// already (the Bootstrapper reads them).
platform::LoadedInterface loadMainInterface();
