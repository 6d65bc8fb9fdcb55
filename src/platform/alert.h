// The standard alert: with a display a GTK message dialog, else its texts on
// standard error, and the run goes on as if its button had been pressed.
#pragma once

#include <string>

namespace platform {

// A modal alert: heading, informative text and one button, the default one
// (Return presses it, Escape dismisses the alert the same way); returns when
// it has been dismissed.
void runAlert(const std::string& messageText, const std::string& informativeText,
              const std::string& buttonTitle);

}  // namespace platform
