// The GTK presentations of the alert and the dialog window, for the calls
// that choose between them and the console.
#pragma once

#include "platform/dialog_window.h"
#include "platform/gtk_library.h"

#include <memory>
#include <string>

namespace platform {

void runGtkAlert(const GtkLibrary& gtk, const std::string& messageText,
                 const std::string& informativeText, const std::string& buttonTitle);

std::unique_ptr<DialogWindow> makeGtkDialogWindow(const GtkLibrary& gtk);

}  // namespace platform
