#include "platform/gtk_windows.h"

#include <string>

namespace platform {

namespace {

// A dialog without a parent window is all a program without a main window
// can show; GTK's note about that is no news to the user.
void dropGtkMessage(const gchar*, GLogLevelFlags, const gchar*, gpointer) {}

}  // namespace

void runGtkAlert(const GtkLibrary& gtk, const std::string& messageText,
                 const std::string& informativeText, const std::string& buttonTitle) {
  gtk.g_log_set_handler("Gtk", G_LOG_LEVEL_MESSAGE, dropGtkMessage, nullptr);
  const UniqueWidget owned(gtk.gtk_message_dialog_new(nullptr, GTK_DIALOG_MODAL, GTK_MESSAGE_ERROR,
                                                      GTK_BUTTONS_NONE, "%s", messageText.c_str()),
                           WidgetDestroy{&gtk});
  GtkWidget* dialog = owned.get();
  auto* messageDialog = reinterpret_cast<GtkMessageDialog*>(dialog);
  auto* asDialog = reinterpret_cast<GtkDialog*>(dialog);
  auto* window = reinterpret_cast<GtkWindow*>(dialog);
  gtk.gtk_message_dialog_format_secondary_text(messageDialog, "%s", informativeText.c_str());
  gtk.gtk_dialog_add_button(asDialog, buttonTitle.c_str(), GTK_RESPONSE_OK);
  gtk.gtk_dialog_set_default_response(asDialog, GTK_RESPONSE_OK);
  gtk.gtk_window_set_title(window, messageText.c_str());
  gtk.gtk_window_set_position(window, GTK_WIN_POS_CENTER);
  gtk.gtk_window_set_keep_above(window, TRUE);
  // Whichever way it ends (the button, Return, Escape, closing) is the same.
  gtk.gtk_dialog_run(asDialog);
}

}  // namespace platform
