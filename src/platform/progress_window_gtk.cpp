#include "platform/gtk_library.h"
#include "platform/progress_presentation.h"

#include <algorithm>

namespace platform {

namespace {

// Wide enough for the longest catalogue text on one line.
constexpr int kBarWidth = 360;

class GtkProgress final : public ProgressPresentation {
 public:
  GtkProgress(const GtkLibrary& gtk, std::function<void()> cancel)
      : gtk_(gtk),
        cancel_(std::move(cancel)),
        owned_(gtk.gtk_window_new(GTK_WINDOW_TOPLEVEL), WidgetDestroy{&gtk}),
        window_(owned_.get()) {
    auto* window = reinterpret_cast<GtkWindow*>(window_);
    gtk_.gtk_window_set_position(window, GTK_WIN_POS_CENTER);
    gtk_.gtk_window_set_resizable(window, FALSE);
    gtk_.gtk_window_set_type_hint(window, GDK_WINDOW_TYPE_HINT_DIALOG);
    gtk_.gtk_container_set_border_width(reinterpret_cast<GtkContainer*>(window_), 16);

    GtkWidget* box = gtk_.gtk_box_new(GTK_ORIENTATION_VERTICAL, 8);
    text_ = gtk_.gtk_label_new("");
    gtk_.gtk_label_set_xalign(label(text_), 0);
    gtk_.gtk_label_set_line_wrap(label(text_), TRUE);
    bar_ = gtk_.gtk_progress_bar_new();
    gtk_.gtk_widget_set_size_request(bar_, kBarWidth, -1);
    amount_ = gtk_.gtk_label_new("");
    gtk_.gtk_label_set_xalign(label(amount_), 0);
    button_ = gtk_.gtk_button_new_with_label("");
    gtk_.gtk_widget_set_halign(button_, GTK_ALIGN_END);

    auto* boxed = reinterpret_cast<GtkBox*>(box);
    gtk_.gtk_box_pack_start(boxed, text_, FALSE, FALSE, 0);
    gtk_.gtk_box_pack_start(boxed, bar_, FALSE, FALSE, 0);
    gtk_.gtk_box_pack_start(boxed, amount_, FALSE, FALSE, 0);
    gtk_.gtk_box_pack_start(boxed, button_, FALSE, FALSE, 4);
    gtk_.gtk_container_add(reinterpret_cast<GtkContainer*>(window_), box);

    connectSignal(gtk_, button_, "clicked", &GtkProgress::onClicked, this);
    connectSignal(gtk_, window_, "key-press-event", &GtkProgress::onKey, this);
    connectSignal(gtk_, window_, "delete-event", &GtkProgress::onDelete, this);
  }

  void show(const ProgressState& state) override {
    update(state);
    gtk_.gtk_widget_show_all(window_);
    gtk_.gtk_window_present(reinterpret_cast<GtkWindow*>(window_));
  }
  void update(const ProgressState& state) override {
    gtk_.gtk_window_set_title(reinterpret_cast<GtkWindow*>(window_), state.title.c_str());
    gtk_.gtk_label_set_text(label(text_), state.text.c_str());
    // The value is not bounded above; past 100 the bar is simply full.
    gtk_.gtk_progress_bar_set_fraction(reinterpret_cast<GtkProgressBar*>(bar_),
                                       std::clamp(state.percent / 100.0, 0.0, 1.0));
    gtk_.gtk_label_set_text(label(amount_), state.amount.c_str());
    gtk_.gtk_button_set_label(reinterpret_cast<GtkButton*>(button_), state.cancelTitle.c_str());
    gtk_.gtk_widget_set_sensitive(button_, state.cancelEnabled);
  }
  void hide() override { gtk_.gtk_widget_hide(window_); }

 private:
  GtkLabel* label(GtkWidget* widget) { return reinterpret_cast<GtkLabel*>(widget); }

  static void onClicked(GtkWidget*, gpointer self) { static_cast<GtkProgress*>(self)->cancel_(); }
  static gboolean onKey(GtkWidget*, GdkEventKey* event, gpointer self) {
    if (event->keyval != GDK_KEY_Escape) return FALSE;
    static_cast<GtkProgress*>(self)->cancel_();
    return TRUE;
  }
  // Closing the window is Cancel; the Downloader hides it.
  static gboolean onDelete(GtkWidget*, GdkEvent*, gpointer self) {
    static_cast<GtkProgress*>(self)->cancel_();
    return TRUE;
  }

  const GtkLibrary& gtk_;
  std::function<void()> cancel_;
  UniqueWidget owned_;
  GtkWidget* window_;
  GtkWidget* text_ = nullptr;
  GtkWidget* bar_ = nullptr;
  GtkWidget* amount_ = nullptr;
  GtkWidget* button_ = nullptr;
};

}  // namespace

std::unique_ptr<ProgressPresentation> makeGtkProgressPresentation(const GtkLibrary& gtk,
                                                                  std::function<void()> cancel) {
  return std::make_unique<GtkProgress>(gtk, std::move(cancel));
}

}  // namespace platform
