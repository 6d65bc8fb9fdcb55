#include "platform/progress_window.h"

#include <cstdio>

namespace platform {

namespace {

class ConsoleProgressWindow final : public ProgressWindow {
 public:
  void setTitle(const std::string& title) override { title_ = title; }
  void setText(const std::string& text) override { text_ = text; }
  void setProgress(double) override {}
  void setCancelTitle(const std::string&) override {}
  void setCancelEnabled(bool) override {}
  void makeKeyAndOrderFront() override {
    if (visible_) return;
    visible_ = true;
    std::fprintf(stderr, "%s: %s\n", title_.c_str(), text_.c_str());
  }
  void close() override { visible_ = false; }

 private:
  std::string title_;
  std::string text_;
  bool visible_ = false;
};

}  // namespace

std::unique_ptr<ProgressWindow> makeProgressWindow() {
  return std::make_unique<ConsoleProgressWindow>();
}

}  // namespace platform
