// Modal alerts and dialogs. Until windows are drawn, a presentation prints
// the title, text and button to standard error and returns at once.
#pragma once

#include <string>

namespace platform {

// A standard alert: heading, informative text and one button; returns when
// the button has been pressed.
void runAlert(const std::string& messageText, const std::string& informativeText,
              const std::string& buttonTitle);

// A dialog whose text may carry links, titled `windowTitle`; returns when its
// one button has been pressed.
void runErrorDialog(const std::string& windowTitle, const std::string& message,
                    const std::string& buttonTitle);

}  // namespace platform
