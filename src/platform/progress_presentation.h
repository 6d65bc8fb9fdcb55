// What a shown progress window draws: the state it shows and the two ways of
// drawing it.
#pragma once

#include <functional>
#include <memory>
#include <string>

namespace platform {

struct GtkLibrary;

struct ProgressState {
  std::string title;
  std::string text;
  double percent = 0;
  std::string amount;
  std::string cancelTitle;
  bool cancelEnabled = false;
};

class ProgressPresentation {
 public:
  virtual ~ProgressPresentation() = default;
  virtual void show(const ProgressState& state) = 0;
  // Any change while shown.
  virtual void update(const ProgressState& state) = 0;
  virtual void hide() = 0;
};

// `cancel` is what the Cancel button, Escape and closing the window do.
std::unique_ptr<ProgressPresentation> makeGtkProgressPresentation(const GtkLibrary& gtk,
                                                                  std::function<void()> cancel);
// `inPlace`: one line rewritten as the transfer goes (a terminal).
std::unique_ptr<ProgressPresentation> makeConsoleProgressPresentation(bool inPlace);

}  // namespace platform
