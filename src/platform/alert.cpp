#include "platform/alert.h"

#include "platform/gtk_windows.h"

#include <cstdio>

namespace platform {

void runAlert(const std::string& messageText, const std::string& informativeText,
              const std::string& buttonTitle) {
  if (const GtkLibrary* gtk = gtkLibrary()) {
    runGtkAlert(*gtk, messageText, informativeText, buttonTitle);
    return;
  }
  std::fprintf(stderr, "[alert] %s\n%s\n[%s]\n", messageText.c_str(), informativeText.c_str(),
               buttonTitle.c_str());
  std::fflush(stderr);
}

}  // namespace platform
