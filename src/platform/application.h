// The application main function: process arguments, the main interface's
// objects, the launch message to the delegate, then the main run loop.
#pragma once

#include "platform/notification.h"

#include <functional>
#include <memory>

namespace platform {

inline constexpr const char* ApplicationDidFinishLaunchingNotification =
    "ApplicationDidFinishLaunchingNotification";

class ApplicationDelegate {
 public:
  virtual ~ApplicationDelegate() = default;
  virtual void applicationDidFinishLaunching(const Notification& notification) = 0;
};

// What loading the main interface definition created: every object of it,
// kept alive for the rest of the process, and the one among them that is the
// application's delegate.
struct LoadedInterface {
  std::shared_ptr<void> objects;
  ApplicationDelegate* delegate = nullptr;
};

// Stores the arguments, loads the main interface (after the arguments are
// stored, so its objects can read them), sends applicationDidFinishLaunching
// to the delegate from the run loop and runs the loop. Returns only if the
// loop is stopped.
int applicationMain(int argc, const char* const* argv,
                    const std::function<LoadedInterface()>& loadMainInterface);

}  // namespace platform
