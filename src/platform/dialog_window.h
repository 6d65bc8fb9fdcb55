// A window of its own with a text view and one button, as a window
// controller loads it from an interface definition. With a display it is a
// GTK window; without one it is written to standard error, and running it
// modally presses its button.
#pragma once

#include "platform/attributed_string.h"

#include <functional>
#include <memory>
#include <string>

namespace platform {

class Button {
 public:
  virtual ~Button() = default;
  void setTitle(std::string title) {
    title_ = std::move(title);
    titleChanged();
  }
  const std::string& title() const { return title_; }
  void setAction(std::function<void()> action) { action_ = std::move(action); }
  void performClick() {
    if (action_) action_();
  }

 protected:
  virtual void titleChanged() {}

 private:
  std::string title_;
  std::function<void()> action_;
};

// Selectable, not editable; a click on a link opens its address.
class TextView {
 public:
  virtual ~TextView() = default;
  void setAttributedString(AttributedString text) {
    text_ = std::move(text);
    textChanged();
  }
  const AttributedString& attributedString() const { return text_; }

 protected:
  virtual void textChanged() {}

 private:
  AttributedString text_;
};

class DialogWindow {
 public:
  virtual ~DialogWindow() = default;
  void setTitle(std::string title) {
    title_ = std::move(title);
    titleChanged();
  }
  const std::string& title() const { return title_; }
  virtual TextView& textView() = 0;
  virtual Button& button() = 0;
  // Shows the window and runs the main run loop modally until stopModal;
  // returns the code given there. Return and Escape press the button.
  virtual int runModal() = 0;

 protected:
  virtual void titleChanged() {}

 private:
  std::string title_;
};

// Creates the window; GTK is loaded here, on the first window.
std::unique_ptr<DialogWindow> loadDialogWindow();

}  // namespace platform
