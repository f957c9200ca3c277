// The web backend of the window-system layer: the browser, the package
// compiled for wasm32-wasip1 (__wasi__) and run by the web runtime beside
// these files (runtime/). Files of this backend, and the runtime, are the
// only ones in the package that know about the page.
//
// The runtime runs the program in a Worker of its own (program_worker.mjs),
// with the system interface (wasi.mjs) and the functions declared below:
// imports of the module "draxo", carried out in the worker. The worker posts
// what changes the page (windows, pixels, menus, dialogs) to the page side
// (runtime.mjs), which makes the page's elements; the page holds each
// package window as a frame with a title bar, an optional menu bar and a
// canvas as its client area, which is exactly the outer size the package
// asks for. What the page hears (input, menu choices, dialog buttons, focus)
// comes back as native events into a queue the worker keeps; the program
// takes them from there whenever it polls. A blocking poll suspends the
// program until the next native event, by Asyncify (the program's frames
// unwound and wound up again; the pass is done at build time, asyncify.mjs)
// or, for a program built without it, by the browser's promise integration,
// which keeps its stack. A busy program holds only the worker's thread, and
// the page stays responsive. Nothing calls into the program but for the one
// function it exports besides its start, the menu bar's keyboard rules
// (draxo_web_menu_bar_key, web_menus.cpp): they read and change nothing of
// the program's, and the worker asks them only while the program is
// suspended.
//
// Text travels as UTF-8, to the page and back. It is drawn from TrueType
// fonts rasterised in the program itself, from font files the runtime puts
// in the program's font folder before it starts (from the site's fonts/);
// without them text is drawn as boxes, and a message says so. The fallback
// font, for characters those lack, is fetched when first needed.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "../backend.h"
#include "../memory_images.h"

namespace draxo::ws {

namespace web {
struct face;
}

struct font_record {
    const web::face* face = nullptr;  // null: no font file, boxes are drawn
    float scale = 0;                  // font units to pixels
    int em = 0;                       // the character height in pixels
    text_metrics metrics;
    bool kept = false;  // the stock and system fonts: never deleted
};

namespace web {

// --- The runtime's functions (module "draxo", program_worker.mjs) ------------
// Handles cross as numbers: the records' addresses.
#define DRAXO_WEB_IMPORT(name) __attribute__((import_module("draxo"), import_name(#name)))
extern "C" {
DRAXO_WEB_IMPORT(draxo_web_open_page) int draxo_web_open_page();  // 0 when there is no page (not in a browser)
DRAXO_WEB_IMPORT(draxo_web_create_window)
void draxo_web_create_window(const void* w, const char* title_utf8, int width, int height, int closable);
DRAXO_WEB_IMPORT(draxo_web_destroy_window) void draxo_web_destroy_window(const void* w);
DRAXO_WEB_IMPORT(draxo_web_show_window) void draxo_web_show_window(const void* w, int visible, int activate);
// Copies the area (x, y, width, height) of `rgba` (RGBA bytes, `stride` pixels a row) to the canvas.
DRAXO_WEB_IMPORT(draxo_web_put_pixels)
void draxo_web_put_pixels(const void* w, const void* rgba, int stride, int canvas_width, int canvas_height, int x,
                          int y, int width, int height);
DRAXO_WEB_IMPORT(draxo_web_create_menu) void draxo_web_create_menu(const void* m, int is_bar);
DRAXO_WEB_IMPORT(draxo_web_append_menu_item)
void draxo_web_append_menu_item(const void* m, int position, unsigned flags, unsigned id, const char* text_utf8,
                                const void* popup);
DRAXO_WEB_IMPORT(draxo_web_change_menu_item)
void draxo_web_change_menu_item(const void* m, int position, unsigned flags);
DRAXO_WEB_IMPORT(draxo_web_attach_menu) void draxo_web_attach_menu(const void* w, const void* m);
DRAXO_WEB_IMPORT(draxo_web_select_menu_bar)
void draxo_web_select_menu_bar(const void* w);  // the bar takes the keyboard, no menu open
DRAXO_WEB_IMPORT(draxo_web_start_timer) void draxo_web_start_timer(const void* w, unsigned id, unsigned period_ms);
DRAXO_WEB_IMPORT(draxo_web_stop_timer) void draxo_web_stop_timer(const void* w, unsigned id);
// Takes the oldest native event into `out` (kind, handle, a, b, c, d, and for input the
// modifier keys held, HELD_*); 0 when there is none.
DRAXO_WEB_IMPORT(draxo_web_take_event) int draxo_web_take_event(std::int32_t* out);
// Suspends the program until a native event is queued (returns at once if one is).
DRAXO_WEB_IMPORT(draxo_web_wait_for_event) void draxo_web_wait_for_event();
// Suspends the program for a moment, so that the worker takes the page's input.
DRAXO_WEB_IMPORT(draxo_web_yield) void draxo_web_yield();
// Suspends the program until the site's fonts/`file` is in the font folder,
// or could not be had.
DRAXO_WEB_IMPORT(draxo_web_fetch_font) void draxo_web_fetch_font(const char* file);
DRAXO_WEB_IMPORT(draxo_web_key_held) int draxo_web_key_held(unsigned virtual_key);
// The base units of the dialog font of `point_size` points: its average
// character width into units[0], its character height into units[1].
DRAXO_WEB_IMPORT(draxo_web_dialog_base_units) void draxo_web_dialog_base_units(int point_size, int* units);
// Dialogs: laid out in pixels, in the dialog font of `point_size` points.
DRAXO_WEB_IMPORT(draxo_web_create_dialog)
void draxo_web_create_dialog(const void* d, const void* owner, const char* title_utf8, int x, int y, int cx,
                             int cy, int point_size, int closable);
DRAXO_WEB_IMPORT(draxo_web_add_dialog_control)
void draxo_web_add_dialog_control(const void* d, int kind, unsigned id, unsigned style, int x, int y, int cx,
                                  int cy, const char* text_utf8);
DRAXO_WEB_IMPORT(draxo_web_show_dialog) void draxo_web_show_dialog(const void* d);
DRAXO_WEB_IMPORT(draxo_web_focus_first_tab_stop) void draxo_web_focus_first_tab_stop(const void* d);
// The control's text as UTF-8 into `buffer` (at most size - 1 bytes, whole
// characters, and a NUL); returns its length; -1: no such control.
DRAXO_WEB_IMPORT(draxo_web_dialog_item_text)
int draxo_web_dialog_item_text(const void* d, unsigned id, char* buffer, int size);
DRAXO_WEB_IMPORT(draxo_web_destroy_dialog) void draxo_web_destroy_dialog(const void* d);
#ifdef __wasi__
// The web runtime's only, for a program that drives its own page (the
// contract suite's driver): asks the page to do what `request` says (a JSON
// object as UTF-8, `request_length` bytes) and suspends the program until it
// is done. The page's answer, as text, goes into `answer` (at most
// answer_capacity - 1 bytes, whole characters, and a NUL). Returns the
// answer's whole length; -1 when the page refused the request (a page
// carries out only what it allows), the answer then saying why.
DRAXO_WEB_IMPORT(draxo_web_page_call)
int draxo_web_page_call(const char* request, int request_length, char* answer, int answer_capacity);
#endif
}

// The kinds of native events in the runtime's queue, with what
// a, b, c and d carry.
enum native_event_kind : std::int32_t {
    EVENT_INPUT = 1,          // window: message id, wparam, lparam, typed code point (-1: none)
    EVENT_TIMER = 2,          // window: timer id
    EVENT_CLOSE = 3,          // window: its close box
    EVENT_MENU_COMMAND = 4,   // menu: command id
    EVENT_FOCUS = 5,          // window gaining the focus (null: none); a: the one losing it
    EVENT_DIALOG_COMMAND = 6  // dialog: command id
};

// The virtual screen the windows are placed on: as wide as the drawing
// window, and tall enough that the console's band (the lowest third) lies
// below it.
constexpr int screen_width = 601;
constexpr int screen_height = 810;

// The native side of a package window.
struct native_window {
    bool visible = false;
    double frame_due_ms = -1;        // when the frame the core asked for is due; -1: none asked for
    std::vector<std::uint8_t> rgba;  // the canvas's pixels, in its byte order
};

struct platform_state {
    bool opened = false;
    double last_yield_ms = 0;     // when the worker's event loop last had the thread
    std::vector<window> windows;  // with a native side, in creation order
};
platform_state& platform();

native_window* native_of(window w);

// Milliseconds from an arbitrary start, fractions included.
double now_ms();
// Gives the worker's event loop the thread when the program has kept it for
// long: a program that computes or plays a script back without ever waiting
// still shows its frames and takes the page's input about ten times a second.
void yield_now_and_then();

// The page has no timer that could call into the program: the frames the
// core asked for are looked at whenever the program polls, and each one due
// (each one asked for, with `all`) is shown then.
void show_frames_due(bool all);

// The layer's UTF-8 as the page takes it: well formed, a byte that starts no
// character as U+FFFD.
std::string page_text(const std::string& utf8);

}  // namespace web
}  // namespace draxo::ws
