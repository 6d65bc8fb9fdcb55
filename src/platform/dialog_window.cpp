#include "platform/dialog_window.h"

#include "platform/gtk_windows.h"
#include "platform/run_loop.h"

#include <cstdio>

namespace platform {

namespace {

class ConsoleDialogWindow final : public DialogWindow {
 public:
  TextView& textView() override { return textView_; }
  Button& button() override { return button_; }

  // Each link is its text followed by its address, which cannot be clicked
  // here.
  int runModal() override {
    std::string text;
    for (const AttributedRun& run : textView_.attributedString()) {
      text += run.text;
      if (run.attributes.link) text += " <" + *run.attributes.link + ">";
    }
    std::fprintf(stderr, "[dialog] %s\n%s\n[%s]\n", title().c_str(), text.c_str(),
                 button_.title().c_str());
    std::fflush(stderr);
    // Nobody can press the button: the run goes on as if someone had.
    RunLoop& loop = RunLoop::main();
    loop.addIdle([this] { button_.performClick(); });
    return loop.runModal();
  }

 private:
  TextView textView_;
  Button button_;
};

}  // namespace

std::unique_ptr<DialogWindow> loadDialogWindow() {
  if (const GtkLibrary* gtk = gtkLibrary()) return makeGtkDialogWindow(*gtk);
  return std::make_unique<ConsoleDialogWindow>();
}

}  // namespace platform
