// The GTK 3 library, loaded at run time by the first window that must really
// be shown. Neither program links it: a machine without GTK, and every run
// that shows nothing, never load it nor open the display.
#pragma once

#include <gtk/gtk.h>

#include <memory>

namespace platform {

// The few functions the windows use, resolved by name; each field has the
// type of GTK's own declaration.
#define NIMBRA_GTK_FUNCTIONS(X)                                                          \
  X(gtk_disable_setlocale)                                                               \
  X(gtk_init_check)                                                                      \
  X(g_signal_connect_data)                                                               \
  X(g_object_set)                                                                        \
  X(g_object_set_data_full)                                                              \
  X(g_object_get_data)                                                                   \
  X(g_slist_free)                                                                        \
  X(g_log_set_handler)                                                                   \
  X(gtk_widget_get_display)                                                              \
  X(g_app_info_launch_default_for_uri)                                                   \
  X(gtk_widget_show_all)                                                                 \
  X(gtk_widget_hide)                                                                     \
  X(gtk_widget_destroy)                                                                  \
  X(gtk_widget_set_sensitive)                                                            \
  X(gtk_widget_get_sensitive)                                                            \
  X(gtk_widget_set_can_default)                                                          \
  X(gtk_widget_grab_default)                                                             \
  X(gtk_widget_grab_focus)                                                               \
  X(gtk_widget_set_halign)                                                               \
  X(gtk_widget_set_size_request)                                                         \
  X(gtk_window_new)                                                                      \
  X(gtk_window_set_title)                                                                \
  X(gtk_window_set_position)                                                             \
  X(gtk_window_set_resizable)                                                            \
  X(gtk_window_set_modal)                                                                \
  X(gtk_window_set_type_hint)                                                            \
  X(gtk_window_set_keep_above)                                                           \
  X(gtk_window_present)                                                                  \
  X(gtk_container_add)                                                                   \
  X(gtk_container_set_border_width)                                                      \
  X(gtk_box_new)                                                                         \
  X(gtk_box_pack_start)                                                                  \
  X(gtk_label_new)                                                                       \
  X(gtk_label_set_text)                                                                  \
  X(gtk_label_set_line_wrap)                                                             \
  X(gtk_label_set_max_width_chars)                                                       \
  X(gtk_label_set_xalign)                                                                \
  X(gtk_progress_bar_new)                                                                \
  X(gtk_progress_bar_set_fraction)                                                       \
  X(gtk_button_new_with_label)                                                           \
  X(gtk_button_set_label)                                                                \
  X(gtk_message_dialog_new)                                                              \
  X(gtk_message_dialog_format_secondary_text)                                            \
  X(gtk_dialog_add_button)                                                               \
  X(gtk_dialog_set_default_response)                                                     \
  X(gtk_dialog_run)                                                                      \
  X(gtk_text_view_new)                                                                   \
  X(gtk_text_view_get_buffer)                                                            \
  X(gtk_text_view_set_editable)                                                          \
  X(gtk_text_view_set_cursor_visible)                                                    \
  X(gtk_text_view_set_wrap_mode)                                                         \
  X(gtk_text_view_set_left_margin)                                                       \
  X(gtk_text_view_set_right_margin)                                                      \
  X(gtk_text_view_window_to_buffer_coords)                                               \
  X(gtk_text_view_get_iter_at_location)                                                  \
  X(gtk_text_view_get_window)                                                            \
  X(gtk_text_buffer_set_text)                                                            \
  X(gtk_text_buffer_get_end_iter)                                                        \
  X(gtk_text_buffer_insert)                                                              \
  X(gtk_text_buffer_insert_with_tags)                                                    \
  X(gtk_text_buffer_create_tag)                                                          \
  X(gtk_text_buffer_get_has_selection)                                                   \
  X(gtk_text_iter_get_tags)                                                              \
  X(gdk_cursor_new_from_name)                                                            \
  X(gdk_window_set_cursor)                                                               \
  X(gtk_css_provider_new)                                                                \
  X(gtk_css_provider_load_from_data)                                                     \
  X(gtk_widget_get_style_context)                                                        \
  X(gtk_style_context_add_provider)                                                      \
  X(g_object_unref)

struct GtkLibrary {
#define NIMBRA_GTK_FIELD(name) decltype(&::name) name;
  NIMBRA_GTK_FUNCTIONS(NIMBRA_GTK_FIELD)
#undef NIMBRA_GTK_FIELD
};

// The library, loaded and initialised on the first call, when a display is
// named (DISPLAY or WAYLAND_DISPLAY); null when there is none, the library
// cannot be loaded or GTK cannot open the display. Decided once per process.
const GtkLibrary* gtkLibrary();

// A top-level widget owned by C++ code: destroyed with its owner.
struct WidgetDestroy {
  const GtkLibrary* gtk;
  void operator()(GtkWidget* widget) const { gtk->gtk_widget_destroy(widget); }
};
using UniqueWidget = std::unique_ptr<GtkWidget, WidgetDestroy>;

// A reference to a GObject (a cursor and the like).
struct ObjectUnref {
  const GtkLibrary* gtk;
  void operator()(gpointer object) const { gtk->g_object_unref(object); }
};
template <typename T>
using ObjectRef = std::unique_ptr<T, ObjectUnref>;

// Connects `handler` (any function type) to `signal` of `instance`.
template <typename Handler>
void connectSignal(const GtkLibrary& gtk, gpointer instance, const char* signal, Handler handler,
                   gpointer data) {
  gtk.g_signal_connect_data(instance, signal, reinterpret_cast<GCallback>(handler), data, nullptr,
                            GConnectFlags{});
}

}  // namespace platform
