#include "platform/progress_window.h"

#include "platform/gtk_library.h"
#include "platform/progress_presentation.h"

#include <glib.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>

namespace platform {

namespace {

class LazyProgressWindow final : public ProgressWindow {
 public:
  void setTitle(const std::string& title) override {
    state_.title = title;
    changed();
  }
  void setText(const std::string& text) override {
    state_.text = text;
    changed();
  }
  void setProgress(double percent) override {
    state_.percent = percent;
    changed();
  }
  void setAmount(int64_t received, int64_t expected) override {
    std::string amount = progressAmountText(received, expected);
    if (amount == state_.amount) return;
    state_.amount = std::move(amount);
    changed();
  }
  void setCancelTitle(const std::string& title) override {
    state_.cancelTitle = title;
    changed();
  }
  void setCancelEnabled(bool enabled) override {
    state_.cancelEnabled = enabled;
    changed();
  }
  void makeKeyAndOrderFront() override {
    if (!presentation_) presentation_ = choosePresentation();
    visible_ = true;
    presentation_->show(state_);
  }
  void close() override {
    if (visible_ && presentation_) presentation_->hide();
    visible_ = false;
  }

 private:
  std::unique_ptr<ProgressPresentation> choosePresentation() {
    auto cancel = [this] {
      if (state_.cancelEnabled && cancelAction_) cancelAction_();
    };
    if (const GtkLibrary* gtk = gtkLibrary()) return makeGtkProgressPresentation(*gtk, cancel);
    return makeConsoleProgressPresentation(isatty(STDERR_FILENO) == 1);
  }
  void changed() {
    if (visible_) presentation_->update(state_);
  }

  ProgressState state_;
  std::unique_ptr<ProgressPresentation> presentation_;
  bool visible_ = false;
};

class ConsoleProgress final : public ProgressPresentation {
 public:
  explicit ConsoleProgress(bool inPlace) : inPlace_(inPlace) {}

  void show(const ProgressState& state) override {
    if (shown_) return;
    shown_ = true;
    if (inPlace_) {
      update(state);
    } else {
      std::fprintf(stderr, "%s: %s\n", state.title.c_str(), state.text.c_str());
    }
  }
  void update(const ProgressState& state) override {
    if (!inPlace_) return;
    const int percent = static_cast<int>(std::clamp(state.percent, 0.0, 100.0));
    std::fprintf(stderr, "\r%s: %s %3d%%%s%s\033[K", state.title.c_str(), state.text.c_str(),
                 percent, state.amount.empty() ? "" : "  ", state.amount.c_str());
    std::fflush(stderr);
  }
  void hide() override {
    if (shown_ && inPlace_) std::fputs("\n", stderr);
    shown_ = false;
  }

 private:
  bool inPlace_;
  bool shown_ = false;
};

}  // namespace

std::unique_ptr<ProgressWindow> makeProgressWindow() {
  return std::make_unique<LazyProgressWindow>();
}

std::unique_ptr<ProgressPresentation> makeConsoleProgressPresentation(bool inPlace) {
  return std::make_unique<ConsoleProgress>(inPlace);
}

std::string progressAmountText(int64_t received, int64_t expected) {
  // Until data arrives the total may still be the previous transfer's.
  if (received <= 0) return {};
  auto size = [](int64_t bytes) {
    std::unique_ptr<char, decltype(&g_free)> text(
        g_format_size(static_cast<guint64>(std::max<int64_t>(bytes, 0))), g_free);
    return std::string(text.get());
  };
  if (expected <= 0) return size(received);
  return size(received) + " / " + size(expected);
}

}  // namespace platform
