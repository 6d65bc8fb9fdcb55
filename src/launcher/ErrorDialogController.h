// The error dialog: a window of its own whose text may carry clickable
// links, and one button that ends the modal run.
#pragma once

#include "launcher/LinkMarkup.h"
#include "platform/attributed_string.h"
#include "platform/dialog_window.h"

#include <memory>
#include <optional>
#include <string>

class ErrorDialogController {
 public:
  // initWithWindowNibName; the definition is loaded by the first window().
  explicit ErrorDialogController(std::string windowNibName);

  // Loads the definition on the first call and connects the outlets.
  platform::DialogWindow& window();
  const std::string& windowNibName() const { return windowNibName_; }

  void OK(const void* sender);  // ends the modal run with 1
  // The button's title, the window's title and the message, links made
  // clickable; no message leaves the text empty.
  void setMessage(const std::optional<std::string>& message, const std::string& localizedOKText,
                  const std::string& appName);

  // Outlets, owned by the window.
  platform::TextView* textView = nullptr;
  platform::Button* okButton = nullptr;

 private:
  std::string windowNibName_;
  std::unique_ptr<platform::DialogWindow> window_;
};

// The displayed text of a message: plain segments without attributes, links
// with their address, the platform blue and a single underline.
platform::AttributedString attributedMessage(const std::optional<std::string>& message);
