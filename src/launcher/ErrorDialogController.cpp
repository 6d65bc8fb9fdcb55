#include "launcher/ErrorDialogController.h"

#include "platform/run_loop.h"

ErrorDialogController::ErrorDialogController(std::string windowNibName)
    : windowNibName_(std::move(windowNibName)) {}

platform::DialogWindow& ErrorDialogController::window() {
  if (!window_) {
    // "ErrorDialog" is the one definition there is.
    window_ = platform::loadDialogWindow();
    textView = &window_->textView();
    okButton = &window_->button();
    okButton->setAction([this] { OK(okButton); });
  }
  return *window_;
}

void ErrorDialogController::OK(const void*) { platform::RunLoop::main().stopModal(1); }

void ErrorDialogController::setMessage(const std::optional<std::string>& message,
                                       const std::string& localizedOKText,
                                       const std::string& appName) {
  if (okButton) okButton->setTitle(localizedOKText);
  window().setTitle(appName);
  if (textView) textView->setAttributedString(attributedMessage(message));
}

platform::AttributedString attributedMessage(const std::optional<std::string>& message) {
  platform::AttributedString text;
  if (!message) return text;
  for (LinkSegment& segment : parseLinkMarkup(*message)) {
    platform::TextAttributes attributes;
    if (segment.address) {
      attributes.link = std::move(segment.address);
      attributes.foregroundColor = platform::Color::Blue;
      attributes.underlineStyle = platform::UnderlineStyleSingle;
    }
    text.push_back({std::move(segment.text), std::move(attributes)});
  }
  return text;
}
