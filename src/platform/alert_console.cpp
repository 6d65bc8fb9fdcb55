#include "platform/alert.h"

#include <cstdio>

namespace platform {

void runAlert(const std::string& messageText, const std::string& informativeText,
              const std::string& buttonTitle) {
  std::fprintf(stderr, "[alert] %s\n%s\n[%s]\n", messageText.c_str(), informativeText.c_str(),
               buttonTitle.c_str());
  std::fflush(stderr);
}

void runErrorDialog(const std::string& windowTitle, const std::string& message,
                    const std::string& buttonTitle) {
  std::fprintf(stderr, "[dialog] %s\n%s\n[%s]\n", windowTitle.c_str(), message.c_str(),
               buttonTitle.c_str());
  std::fflush(stderr);
}

}  // namespace platform
