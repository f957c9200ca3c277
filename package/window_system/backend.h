// What a backend of the window-system layer provides, and the records and
// notifications it shares with the layer's core (ws_core.cpp). The core keeps
// the queue, the window registry, the menu model, timers and paint state;
// a backend keeps the native windows, menus, timers, images and fonts.
// One backend exists: Qt 6 Widgets (qt/).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "window_system.h"

namespace draxo::ws {

struct window_record {
    std::string class_name;
    unsigned class_style = 0;
    window_proc proc = nullptr;
    colorref background = 0xFFFFFF;
    std::string title;
    unsigned style = 0;
    rect outer;
    bool created = false;    // WM_CREATE has been handled
    bool destroyed = false;  // WM_DESTROY sent; the handle stays valid but dead
    bool paint_pending = false;
    bool erase_pending = false;
    extent client;  // the client size last reported
    image surface = nullptr;
    menu menu_bar = nullptr;
    bool input_disabled = false;  // owner of an open dialog: native input is dropped
    void* native = nullptr;
};

struct menu_record {
    bool is_bar = false;
    std::vector<menu_item> items;
    menu parent = nullptr;   // the menu this popup is appended to
    window owner = nullptr;  // the window whose bar holds this menu
    void* native = nullptr;
};

// A dialog template as read from its bytes (dialog_box_indirect).
struct dialog_item_template {
    std::uint32_t style = 0;
    std::uint32_t ex_style = 0;
    int x = 0, y = 0, cx = 0, cy = 0;  // dialog units
    unsigned id = 0;
    unsigned class_atom = 0;  // 0 when the class is given by name
    std::u16string class_name;
    std::u16string text;  // empty when given as a resource number
};

struct dialog_template {
    std::uint32_t style = 0;
    std::uint32_t ex_style = 0;
    int x = 0, y = 0, cx = 0, cy = 0;
    bool has_menu = false;   // a menu named by number or name
    bool has_class = false;  // a window class other than the dialog's own
    std::u16string title;
    int point_size = 0;  // with DS_SETFONT
    std::u16string face;
    std::vector<dialog_item_template> items;
};

// Reads a template of `size` bytes; false when it is malformed (shorter than
// its records claim) or in the extended format, which the layer does not read.
bool parse_dialog_template(const void* bytes, std::size_t size, dialog_template& out);

struct dialog_record {
    dialog_template layout;
    window owner = nullptr;
    dialog_proc proc = nullptr;
    bool ended = false;
    lresult result = 0;
    void* native = nullptr;
};

// --- Provided by the backend -------------------------------------------------
namespace backend {

void create_window(window w);  // hidden, at w->outer, client laid out
void destroy_window(window w);
bool show_window(window w, int show_command);
bool window_visible(window w);
extent client_size(window w);
extent screen_size();
void surface_changed(window w);

void create_menu(menu m);
void menu_item_appended(menu m, int position);
void menu_item_changed(menu m, int position);
void attach_menu(window w, menu m);

void start_timer(window w, unsigned id, unsigned period_ms);
void stop_timer(window w, unsigned id);

// Processes pending native events; with `block`, waits for at least one.
void poll_events(bool block);

// A dialog and its controls, hidden, placed relative to the owner's client
// area. False when a control cannot be made (an unknown class).
bool create_dialog(dialog d);
void show_dialog(dialog d);
void focus_first_tab_stop(dialog d);
// The text of the control with this id, as Latin-1; false for no such control.
bool dialog_item_text(dialog d, unsigned id, std::string& latin1);
// Hides and removes the dialog; the owner, if it still exists, becomes the
// active window again. Called only outside the dialog's own native handlers.
void destroy_dialog(dialog d);

}  // namespace backend

// --- Notifications from the backend to the core --------------------------------

void enqueue_input(const message& m);  // mouse and key input
void native_timer_fired(window w, unsigned id);
void native_client_resized(window w, extent size);  // also while hidden
void native_window_shown(window w);
void native_close_requested(window w);   // the close box
void native_window_destroyed(window w);  // destroyed from outside
void native_menu_command(menu m, unsigned id);
void native_focus_changed(window from, window to);  // either may be null
// A command from a dialog: a button click, Enter, Escape, the close box.
void native_dialog_command(dialog d, unsigned id);
// The window is being destroyed: open dialogs it owns end without a result.
void end_dialogs_owned_by(window w);

// Copies the overlapping top-left part of one image into another.
void copy_image(image from, image to);

}  // namespace draxo::ws
