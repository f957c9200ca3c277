// The window-system layer's backend contract: everything a backend provides,
// grouped, one contract line each, and the records the core and a backend
// share.
//
// The layer's core (ws_*.cpp) keeps the message queue, the window-class and
// window registries, timers as messages, paint state, the menu model with
// the menu bar's keyboard rules, dialog templates and presentation (what
// changed in a window's surface, frame pacing: see ws_present.h), and draws
// shapes itself. A backend keeps the native side: windows on the screen and
// the copy of a surface's rectangle to them, menu bars, timers, the poll for
// native events, dialogs and their controls, images (NAME_images.cpp in each
// backend, or memory_images.cpp for those that keep them in memory), fonts
// and text (NAME_text.cpp). It turns native input into
// messages through the notifications at the end, and measures for the core
// what only it can (the screen, a font, a typed character) through the
// helpers there.
//
// Backends, one folder each:
//   qt/    Qt 6 Widgets: Linux and other Qt desktops
//   null/  no display: in-memory images and fonts, windows and menus as
//          records only, a poll that never blocks, input injected by tests
//   win32/ the Win32 API and GDI
//   web/   the browser: a page's canvas, WebAssembly built for wasm32-wasip1,
//          run by a JavaScript runtime of its own (web/runtime/)
//   template/  every entry as a stub that says what it must do: a port's
//          starting point, compiled in every test build
//
// The core calls init once before any other entry, and quit once, at the end
// of the process.
//
// In a run without a screen (ws::headless(), set before init) a backend needs
// no display: init succeeds without one, and the core never asks it to show a
// window, to put a surface on the screen or for a client size. Nobody being
// there, a crash ends the program at once, without a dialog or a debugger.
//
// Every entry receives live, checked records: the core checks each handle a
// client gives (a destroyed window, a null image, an area outside an image)
// before it calls a backend, so a backend trusts what it is given and checks
// only what is native (a failed native call). Records are created and owned
// by the core; a backend hangs its native object on `native` and converts it
// in one helper of its own, named native_of in every backend.
//
// Writing a backend: copy template/, give it a folder, a block in
// package/CMakeLists.txt and a DRAXO_BACKEND choice of its own, and replace
// the stubs one group at a time; it is done when it passes the backend
// contract suite (tests/contract/) through a driver of its own.
// docs/HACKING.md walks through it.
#pragma once

#include <cstdint>
#include <string>
#include <tuple>
#include <vector>

#include "window_system.h"
#include "ws_menu_keys.h"
#include "ws_present.h"

namespace draxo::ws {

// --- Records shared with the core ----------------------------------------------

struct window_record {
    std::string class_name;
    unsigned class_style = 0;
    window_proc proc = nullptr;
    colorref background = 0xFFFFFF;
    std::string title;
    unsigned style = 0;
    rect outer;              // requested outer geometry: left, top, right, bottom
    bool created = false;    // WM_CREATE has been handled
    bool destroyed = false;  // WM_DESTROY sent; the handle stays valid but dead
    bool paint_pending = false;
    bool erase_pending = false;
    extent client;  // the client size last reported
    image surface = nullptr;
    menu menu_bar = nullptr;
    bool input_disabled = false;  // owner of an open dialog: native input is dropped
    bool shown_headless = false;  // shown, in a run without a screen (ws::headless())
    presentation presented;       // the core's: what the screen was given, the frame asked for
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
    // The template's bytes as the package gave them, for a backend whose
    // system makes dialogs from templates itself.
    std::vector<unsigned char> template_bytes;
    window owner = nullptr;
    dialog_proc proc = nullptr;
    bool ended = false;
    lresult result = 0;
    void* native = nullptr;
};

// image_record and font_record are each backend's own. A backend that keeps
// the fonts it made keys them by their request.
struct font_request {
    int height;
    int weight;
    std::string face;
    bool operator<(const font_request& other) const {
        return std::tie(height, weight, face) < std::tie(other.height, other.weight, other.face);
    }
};

// --- Provided by the backend -----------------------------------------------------
namespace backend {

// Initialisation
// Opens the display; false, with the reason, when there is none. Windows of
// `must_fit` (logical, outer) fit the screen at the scale chosen.
bool init(std::string& why_not, extent must_fit);
void quit();  // at the end of the process: releases what the process's end would not

// The screen
extent screen_size();  // the primary screen in logical pixels

// Windows
void create_window(window w);                  // hidden, at w->outer, client laid out below any menu bar
void destroy_window(window w);                 // hides and removes the native window; w->native becomes null
bool show_window(window w, int show_command);  // applies SW_*; returns whether it was visible
bool window_visible(window w);                 // shown on the screen (or, headless, marked shown)
extent client_size(window w);  // the client area's size: device pixels with CS_DEVICE_PIXELS, else logical

// Presentation
//
// The core finds what changed in a window's surface, keeps the copy the
// screen was given and paces the frames of a program drawing without
// waiting (ws_present.h); a backend copies the rectangles it is handed.
// `area` is in w->surface's pixels, right and bottom exclusive.
double now_ms();                              // a steady clock, in milliseconds from any start
void show_area(window w, const rect& area);   // the screen is to show area anew: hand it over, never blocking
void present(window w, const rect& area);     // the same (area may be empty); shown, with all before it, on return
void schedule_frame(window w, int delay_ms);  // once, delay_ms from now: native_frame_due(w), from the poll

// Menus
//
// The menu bar and the keyboard, the same on every platform; a backend
// whose system lacks these rules takes them from the core (ws_menu_keys.h).
// Alt with a title's mnemonic (Alt+R) opens that menu. F10, or Alt pressed and released
// alone, selects the bar: the bar holds the keyboard, its first title
// highlighted, no menu open. While the bar holds the keyboard, with or
// without a menu open, its title stays highlighted, the window gets no key
// (Ctrl shortcuts and typed characters included) and:
// - Escape closes the open menu, leaving the bar selected; with no menu open
//   it gives the keyboard back to the window;
// - F10 or Alt alone gives the keyboard back to the window, a menu open or not;
// - Down, Up or Enter opens the selected title's menu, and a title's
//   mnemonic letter opens that menu; other keys are ignored;
// - choosing an item closes the menu and gives the keyboard back.
void create_menu(menu m);                       // an empty bar (m->is_bar) or popup
void menu_item_appended(menu m, int position);  // m->items[position] is new
void menu_item_changed(menu m, int position);   // its flags (check, gray) changed
void attach_menu(window w, menu m);             // the window's bar; null removes it; relays out
void activate_menu_bar(window w);               // F10: the bar takes the keyboard, no menu open (see above)

// Timers
void start_timer(window w, unsigned id, unsigned period_ms);  // each expiry: native_timer_fired
void stop_timer(window w, unsigned id);                       // no expiry is reported afterwards

// Native events
void poll_events(bool block);         // handles pending native events; with block, waits for at least one
bool key_held(unsigned virtual_key);  // the keyboard's state now (VK_CONTROL, VK_SHIFT, VK_MENU)
// From init on, the backend turns the system's requests to end the program
// (SIGTERM, SIGINT, SIGHUP; the console's close) into native_termination_requested,
// from its event handling, never from a signal handler. From then on every
// wait of the program gets the quit message. A second request ends the
// program as the system would without the package, and so does the first
// when the program still runs after the grace time, which the backend waits
// out with wait_out_grace_time on a thread of its own.

// Dialogs
bool create_dialog(dialog d);         // hidden, placed from the owner's client area; false: unknown control
void show_dialog(dialog d);           // shows and activates it
void focus_first_tab_stop(dialog d);  // the keyboard focus to the first control with WS_TABSTOP, if any
bool dialog_item_text(dialog d, unsigned id, std::string& utf8);  // false: no such control
void destroy_dialog(dialog d);  // hides and removes it; the owner becomes active again

// Images: 32-bit pixels 0xffRRGGBB, rows `stride` pixels apart
image create_image(int width, int height);  // filled with black
void delete_image(image img);               // never null; frees the image and its pixels
pixels image_pixels(image img);             // stays valid until the image is deleted
bool encode_png(image img, const rect& area, std::vector<unsigned char>& png);  // 24-bit PNG; area inside img

// Fonts and text
font create_font(int height, int weight, const char* face);  // see ws::create_font
void delete_font(font f);                                    // never called for the stock and system fonts
font stock_fixed_font();  // the fixed-pitch font of the console, at the screen's density; lives until quit
font system_font();       // the font of a fresh drawing context; lives until quit
text_metrics font_metrics(font f);  // the font's cell, leadings and average character width, in pixels
extent text_extent(font f, const char* text, int length);  // the cell height as cy
// Draws UTF-8 text (`length` bytes) with the top-left of its cell at (x, y),
// characters the font lacks from the platform's fallback fonts; opaque
// paints the cell's background first.
void draw_text(image target, font f, int x, int y, const char* text, int length, colorref color, bool opaque,
               colorref background);

}  // namespace backend

// --- Notifications from the backend to the core ------------------------------------

// Mouse and key input: WM_KEYDOWN/WM_KEYUP with the key's code (VK_*,
// letters and digits as their capitals) and the character it types, the
// buttons' WM_*BUTTONDOWN/UP and WM_MOUSEMOVE (sent while a button is held)
// with MK_* in wparam and the client position in lparam; each with the
// modifier keys held as the system reported them with the input (HELD_*). A
// move replaces an unread move at the queue's end.
void enqueue_input(const message& m);
void native_timer_fired(window w, unsigned id);
void native_client_resized(window w, extent size);  // also while hidden
void native_window_shown(window w);
void native_close_requested(window w);   // the close box
void native_window_destroyed(window w);  // destroyed from outside the program
void native_menu_command(menu m, unsigned id);
void native_frame_due(window w);  // the frame schedule_frame asked for: the surface's changes go to the screen
void native_focus_changed(window from, window to);  // either may be null
// A command from a dialog: a button click, Enter, Escape, the close box.
void native_dialog_command(dialog d, unsigned id);
void native_dialog_destroyed(dialog d);  // its window destroyed from outside the program
void native_termination_requested();     // the system asks the program to end: the quit, at every wait
// Runs the package's last words (see ws::on_forced_end) before the backend
// ends a program that did not take a request to end in time; any thread.
void before_forced_end();

// --- Helpers the core gives a backend -----------------------------------------------

// Waits termination_grace_ms after the first request to end the program, on
// the caller's thread (a watch of the backend's own, or the one the system
// calls its handler on), then runs before_forced_end. The caller then ends
// the program as the request would have without the package. A program that
// ends by itself meanwhile ends the wait with it.
void wait_out_grace_time();
// The requests to end the program on a POSIX system (ws_termination_posix.cpp,
// compiled only for the ports to one): handles SIGTERM, SIGINT and SIGHUP
// (but a signal the program handles itself, or was started with ignored),
// waits out the grace time on a thread of its own and ends the program as
// the signal would. A POSIX port calls watch_termination_signals from init
// and watches the descriptor it returns (-1: none could be made) in its
// event loop; when it is readable, the loop calls termination_signalled,
// which passes the request on (native_termination_requested).
int watch_termination_signals();
void termination_signalled();
// Also, for what a backend measures: fitting_scale (the windows' scale),
// typed_character (a key's character), dialog_units (ws_present.h), and the
// menu bar's keyboard rules, menu_bar_key (ws_menu_keys.h).

}  // namespace draxo::ws
