#include "platform/gtk_windows.h"
#include "platform/run_loop.h"

namespace platform {

namespace {

// Wide enough for a few lines of catalogue text; the height follows it.
constexpr int kTextWidth = 420;
constexpr const char* kLinkKey = "nimbra-link-address";
constexpr const char* kTextCss = "textview, textview text { background-color: transparent; }";

class GtkDialogButton final : public Button {
 public:
  GtkDialogButton(const GtkLibrary& gtk, GtkWidget* widget) : gtk_(gtk), widget_(widget) {}

 protected:
  void titleChanged() override {
    gtk_.gtk_button_set_label(reinterpret_cast<GtkButton*>(widget_), title().c_str());
  }

 private:
  const GtkLibrary& gtk_;
  GtkWidget* widget_;
};

// Links are text tags carrying their address; a click on one opens it with
// the desktop's default handler.
class GtkDialogTextView final : public TextView {
 public:
  GtkDialogTextView(const GtkLibrary& gtk, GtkWidget* widget)
      : gtk_(gtk),
        widget_(widget),
        view_(reinterpret_cast<GtkTextView*>(widget)),
        handCursor_(gtk.gdk_cursor_new_from_name(gtk.gtk_widget_get_display(widget), "pointer"),
                    ObjectUnref{&gtk}) {
    gtk_.gtk_text_view_set_editable(view_, FALSE);
    gtk_.gtk_text_view_set_cursor_visible(view_, FALSE);
    gtk_.gtk_text_view_set_wrap_mode(view_, GTK_WRAP_WORD_CHAR);
    gtk_.gtk_text_view_set_left_margin(view_, 4);
    gtk_.gtk_text_view_set_right_margin(view_, 4);
    gtk_.gtk_widget_set_size_request(widget_, kTextWidth, -1);
    // The message reads as part of the window, not as a field to type in.
    const ObjectRef<GtkCssProvider> css(gtk_.gtk_css_provider_new(), ObjectUnref{&gtk_});
    gtk_.gtk_css_provider_load_from_data(css.get(), kTextCss, -1, nullptr);
    gtk_.gtk_style_context_add_provider(gtk_.gtk_widget_get_style_context(widget_),
                                        reinterpret_cast<GtkStyleProvider*>(css.get()),
                                        GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
    connectSignal(gtk_, widget_, "event-after", &GtkDialogTextView::onEventAfter, this);
    connectSignal(gtk_, widget_, "motion-notify-event", &GtkDialogTextView::onMotion, this);
  }

 protected:
  void textChanged() override {
    GtkTextBuffer* buffer = gtk_.gtk_text_view_get_buffer(view_);
    gtk_.gtk_text_buffer_set_text(buffer, "", 0);
    for (const AttributedRun& run : attributedString()) {
      GtkTextIter end;
      gtk_.gtk_text_buffer_get_end_iter(buffer, &end);
      const TextAttributes& a = run.attributes;
      if (!a.link && !a.foregroundColor && !a.underlineStyle) {
        gtk_.gtk_text_buffer_insert(buffer, &end, run.text.c_str(),
                                    static_cast<gint>(run.text.size()));
        continue;
      }
      GtkTextTag* tag = gtk_.gtk_text_buffer_create_tag(buffer, nullptr, nullptr);
      if (a.foregroundColor) setProperty(tag, "foreground", colorName(*a.foregroundColor));
      if (a.underlineStyle)
        setProperty(tag, "underline",
                    *a.underlineStyle == UnderlineStyleSingle ? PANGO_UNDERLINE_SINGLE
                                                              : PANGO_UNDERLINE_NONE);
      if (a.link)
        gtk_.g_object_set_data_full(reinterpret_cast<GObject*>(tag), kLinkKey,
                                    new std::string(*a.link), &deleteAddress);
      gtk_.gtk_text_buffer_insert_with_tags(buffer, &end, run.text.c_str(),
                                            static_cast<gint>(run.text.size()), tag, nullptr);
    }
  }

 private:
  template <typename T>
  void setProperty(GtkTextTag* tag, const char* name, T value) {
    gtk_.g_object_set(tag, name, value, nullptr);
  }
  static void deleteAddress(gpointer address) { delete static_cast<std::string*>(address); }

  // The address of a link at a point of the widget's text window, if any.
  const std::string* linkAt(gdouble x, gdouble y) {
    gint bx = 0;
    gint by = 0;
    gtk_.gtk_text_view_window_to_buffer_coords(view_, GTK_TEXT_WINDOW_WIDGET,
                                               static_cast<gint>(x), static_cast<gint>(y), &bx,
                                               &by);
    GtkTextIter iter;
    if (!gtk_.gtk_text_view_get_iter_at_location(view_, &iter, bx, by)) return nullptr;
    GSList* tags = gtk_.gtk_text_iter_get_tags(&iter);
    const std::string* address = nullptr;
    for (GSList* t = tags; t && !address; t = t->next)
      address = static_cast<const std::string*>(
          gtk_.g_object_get_data(static_cast<GObject*>(t->data), kLinkKey));
    gtk_.g_slist_free(tags);
    return address;
  }

  static void onEventAfter(GtkWidget*, GdkEvent* event, gpointer data) {
    auto* self = static_cast<GtkDialogTextView*>(data);
    if (event->type != GDK_BUTTON_RELEASE || event->button.button != 1) return;
    // A drag that selected text is not a click on the link under it.
    if (self->gtk_.gtk_text_buffer_get_has_selection(
            self->gtk_.gtk_text_view_get_buffer(self->view_)))
      return;
    if (const std::string* address = self->linkAt(event->button.x, event->button.y))
      self->gtk_.g_app_info_launch_default_for_uri(address->c_str(), nullptr, nullptr);
  }

  static gboolean onMotion(GtkWidget*, GdkEventMotion* event, gpointer data) {
    auto* self = static_cast<GtkDialogTextView*>(data);
    GdkWindow* window = self->gtk_.gtk_text_view_get_window(self->view_, GTK_TEXT_WINDOW_TEXT);
    self->gtk_.gdk_window_set_cursor(
        window, self->linkAt(event->x, event->y) ? self->handCursor_.get() : nullptr);
    return FALSE;
  }

  const GtkLibrary& gtk_;
  GtkWidget* widget_;
  GtkTextView* view_;
  ObjectRef<GdkCursor> handCursor_;
};

class GtkDialogWindow final : public DialogWindow {
 public:
  explicit GtkDialogWindow(const GtkLibrary& gtk)
      : gtk_(gtk),
        owned_(gtk.gtk_window_new(GTK_WINDOW_TOPLEVEL), WidgetDestroy{&gtk}),
        window_(reinterpret_cast<GtkWindow*>(owned_.get())),
        text_(gtk.gtk_text_view_new()),
        buttonWidget_(gtk.gtk_button_new_with_label("")),
        textView_(gtk, text_),
        button_(gtk, buttonWidget_) {
    gtk_.gtk_window_set_position(window_, GTK_WIN_POS_CENTER);
    gtk_.gtk_window_set_resizable(window_, FALSE);
    gtk_.gtk_window_set_modal(window_, TRUE);
    gtk_.gtk_window_set_type_hint(window_, GDK_WINDOW_TYPE_HINT_DIALOG);
    gtk_.gtk_window_set_keep_above(window_, TRUE);
    gtk_.gtk_container_set_border_width(reinterpret_cast<GtkContainer*>(window_), 16);

    GtkWidget* box = gtk_.gtk_box_new(GTK_ORIENTATION_VERTICAL, 12);
    gtk_.gtk_widget_set_halign(buttonWidget_, GTK_ALIGN_END);
    gtk_.gtk_widget_set_can_default(buttonWidget_, TRUE);
    gtk_.gtk_box_pack_start(reinterpret_cast<GtkBox*>(box), text_, TRUE, TRUE, 0);
    gtk_.gtk_box_pack_start(reinterpret_cast<GtkBox*>(box), buttonWidget_, FALSE, FALSE, 0);
    gtk_.gtk_container_add(reinterpret_cast<GtkContainer*>(window_), box);

    connectSignal(gtk_, buttonWidget_, "clicked", &GtkDialogWindow::onClicked, this);
    connectSignal(gtk_, window_, "key-press-event", &GtkDialogWindow::onKey, this);
    connectSignal(gtk_, window_, "delete-event", &GtkDialogWindow::onDelete, this);
  }

  TextView& textView() override { return textView_; }
  Button& button() override { return button_; }

  int runModal() override {
    gtk_.gtk_widget_show_all(owned_.get());
    gtk_.gtk_widget_grab_default(buttonWidget_);
    gtk_.gtk_widget_grab_focus(buttonWidget_);
    gtk_.gtk_window_present(window_);
    return RunLoop::main().runModal();
  }

 protected:
  void titleChanged() override { gtk_.gtk_window_set_title(window_, title().c_str()); }

 private:
  static void onClicked(GtkWidget*, gpointer self) {
    static_cast<GtkDialogWindow*>(self)->button_.performClick();
  }
  // Return and Escape press the button, whatever has the focus.
  static gboolean onKey(GtkWidget*, GdkEventKey* event, gpointer self) {
    switch (event->keyval) {
      case GDK_KEY_Return:
      case GDK_KEY_KP_Enter:
      case GDK_KEY_Escape:
        static_cast<GtkDialogWindow*>(self)->button_.performClick();
        return TRUE;
      default:
        return FALSE;
    }
  }
  // Closing the window is the button too: the run must go on.
  static gboolean onDelete(GtkWidget*, GdkEvent*, gpointer self) {
    static_cast<GtkDialogWindow*>(self)->button_.performClick();
    return TRUE;
  }

  const GtkLibrary& gtk_;
  UniqueWidget owned_;
  GtkWindow* window_;
  GtkWidget* text_;
  GtkWidget* buttonWidget_;
  GtkDialogTextView textView_;
  GtkDialogButton button_;
};

}  // namespace

std::unique_ptr<DialogWindow> makeGtkDialogWindow(const GtkLibrary& gtk) {
  return std::make_unique<GtkDialogWindow>(gtk);
}

}  // namespace platform
