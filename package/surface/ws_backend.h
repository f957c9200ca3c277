// What a backend of the window-system layer provides, and the records and
// notifications it shares with the layer's core (ws_core.cpp). The core keeps
// the queue, the window registry, the menu model, timers and paint state;
// a backend keeps the native windows, menus, timers, images and fonts.
// One backend exists: Qt 6 Widgets (qt/).
#pragma once

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
    void* native = nullptr;
};

struct menu_record {
    bool is_bar = false;
    std::vector<menu_item> items;
    menu parent = nullptr;     // the menu this popup is appended to
    window owner = nullptr;    // the window whose bar holds this menu
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

}  // namespace backend

// --- Notifications from the backend to the core --------------------------------

void enqueue_input(const message& m);                // mouse and key input
void native_timer_fired(window w, unsigned id);
void native_client_resized(window w, extent size);   // also while hidden
void native_window_shown(window w);
void native_close_requested(window w);                // the close box
void native_window_destroyed(window w);               // destroyed from outside
void native_menu_command(menu m, unsigned id);
void native_focus_changed(window from, window to);   // either may be null

// Copies the overlapping top-left part of one image into another.
void copy_image(image from, image to);

}  // namespace draxo::ws
