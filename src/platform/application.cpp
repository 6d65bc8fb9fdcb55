#include "platform/application.h"

#include "platform/process.h"
#include "platform/run_loop.h"

namespace platform {

int applicationMain(int argc, const char* const* argv,
                    const std::function<LoadedInterface()>& loadMainInterface) {
  setProcessArguments(argc, argv);
  // The interface lives as long as the process: its objects are still in use
  // when the process ends through exit(), so nothing may destroy them then.
  static LoadedInterface* const interface = new LoadedInterface(loadMainInterface());

  RunLoop& loop = RunLoop::main();
  if (ApplicationDelegate* delegate = interface->delegate) {
    loop.addIdle([delegate] {
      delegate->applicationDidFinishLaunching({ApplicationDidFinishLaunchingNotification, nullptr, {}});
    });
  }
  loop.run();
  return 0;
}

}  // namespace platform
