// The progress window of a download: a title, a text, a progress indicator
// on a scale of 0 to 100, the amount received and a Cancel button.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace platform {

class ProgressWindow {
 public:
  virtual ~ProgressWindow() = default;

  virtual void setTitle(const std::string& title) = 0;
  virtual void setText(const std::string& text) = 0;
  virtual void setProgress(double percent) = 0;
  // Bytes received and the total announced (0 or less: none announced).
  virtual void setAmount(int64_t /*received*/, int64_t /*expected*/) {}
  virtual void setCancelTitle(const std::string& title) = 0;
  virtual void setCancelEnabled(bool enabled) = 0;
  // Shows the window in front of the others and gives it the keyboard.
  virtual void makeKeyAndOrderFront() = 0;
  virtual void close() = 0;

  // What the Cancel button does; a disabled button does nothing.
  void setCancelAction(std::function<void()> action) { cancelAction_ = std::move(action); }

 protected:
  ProgressWindow() = default;
  std::function<void()> cancelAction_;
};

// The window this process shows. Nothing is loaded or drawn until it is
// first brought to the front: then it is a GTK window when a display can be
// opened, else a line on standard error (updated in place on a terminal).
std::unique_ptr<ProgressWindow> makeProgressWindow();

// "12.4 MB / 80.0 MB" as GLib formats sizes, or only the amount received when
// no total is announced; empty before anything has arrived.
std::string progressAmountText(int64_t received, int64_t expected);

}  // namespace platform
