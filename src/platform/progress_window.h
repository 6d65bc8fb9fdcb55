// The progress window of a download: a title, a text, a progress indicator
// on a scale of 0 to 100 and a Cancel button.
#pragma once

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

// The presentation this build has: one line on standard error when the
// window comes up, nothing else (there is no pointer to press Cancel with).
std::unique_ptr<ProgressWindow> makeProgressWindow();

}  // namespace platform
