// The console window, its ring of the last 25 lines, and printing to it.
#include "console.h"

#include <cstdio>
#include <cstring>
#include <new>
#include <string>
#include <string_view>

#include "console_capture.h"
#include "operation_guard.h"
#include "text/text_encoding.h"
#include "window_system/ws_dc.h"

namespace draxo {

console_state console;

namespace {

// The class background: white, the same as the drawing window's.
constexpr ws::colorref console_background = 0xFFFFFF;

char* allocate_with_new(std::size_t size) { return new (std::nothrow) char[size]; }

int advance(int slot) { return slot == console_ring_size - 1 ? 0 : slot + 1; }

// Keeps one line in the ring, displacing the oldest once the ring is full.
// When no block can be had the ring is left exactly as it was.
void store_line(const char* text, std::size_t length) {
    char* block = (console.allocate_line ? console.allocate_line : allocate_with_new)(length + 1);
    if (!block) return;
    std::memcpy(block, text, length);
    block[length] = '\0';
    if (console.console_first == console.console_next) {
        delete[] console.console_lines[console.console_first];
        console.console_lines[console.console_first] = nullptr;
        console.console_first = advance(console.console_first);
    }
    console.console_lines[console.console_next] = block;
    if (console.console_first < 0) console.console_first = console.console_next;
    console.console_next = advance(console.console_next);
}

void repaint_console(ws::window w) {
    ws::begin_paint(w);
    int slot = console.console_first;
    for (int count = 0; slot >= 0 && !(slot == console.console_next && count != 0); ++count) {
        console_show_line(console.console_lines[slot]);
        slot = advance(slot);
    }
    ws::end_paint(w);
}

}  // namespace

void reset_console() {
    for (char*& line : console.console_lines) delete[] line;
    console = console_state{};
}

void register_console_class() {
    // The console's text is drawn at the screen's own density.
    ws::register_class(console_class_name, ws::CS_HREDRAW | ws::CS_VREDRAW | ws::CS_DEVICE_PIXELS,
                       console_window_proc, console_background);
}

ws::rect console_geometry(int screen_width, int screen_height) {
    int top = (2 * screen_height) / 3 + 1;
    return ws::rect{0, top, screen_width, top + screen_height / 3};
}

void open_console(ws::extent screen) {
    if (ws::is_window(console.console_window)) return;  // the window of an earlier opening
    ws::rect r = console_geometry(screen.cx, screen.cy);
    console.console_window = ws::create_window(console_class_name, "DRAXO Text", ws::WS_OVERLAPPEDWINDOW, r.left,
                                               r.top, r.right - r.left, r.bottom - r.top);
}

int console_vprintf(const char* format, std::va_list args) {
    char buffer[console_format_size];
    // No format prints an empty line, as no text draws an empty one.
    int result = format ? std::vsnprintf(buffer, sizeof buffer, format, args) : 0;
    if (result <= 0) buffer[0] = '\0';
    // A line cut at the limit ends between two characters.
    if (result >= static_cast<int>(sizeof buffer)) buffer[text::length_without_split_character(buffer)] = '\0';
    store_line(buffer, std::strlen(buffer));
    capture_console_line(buffer);
    // Without a screen nobody sees the console window: its lines are kept
    // in the ring all the same, and drawn when it is painted.
    if (ws::headless()) return result;
    console_show_line(buffer);
    // The line is on the screen before the call returns, even in a program
    // that computes a long time before it next waits for an event.
    ws::present_now(console.console_window);
    return result;
}

int console_printf(const char* format, ...) {
    std::va_list args;
    va_start(args, format);
    int result = console_vprintf(format, args);
    va_end(args);
    return result;
}

void console_show_line(char* text) {
    if (!ws::is_window(console.console_window)) return;
    ws::draw_context* dc = get_dc(console.console_window);
    select_font(*dc, ws::stock_fixed_font());
    ws::text_metrics metrics = dc_text_metrics(*dc);
    int line_height = metrics.height + metrics.external_leading;
    dc_scroll(*dc, 0, -line_height);

    ws::rect client = ws::client_rect(console.console_window);
    ws::brush previous_brush = select_brush(*dc, ws::brush{dc->background_color, false});
    ws::pen previous_pen = select_pen(*dc, ws::pen{0, 0, true});
    dc_rectangle(*dc, client.left, client.bottom - line_height, client.right, client.bottom + 1);
    select_pen(*dc, previous_pen);
    select_brush(*dc, previous_brush);

    std::size_t length = std::strlen(text);
    if (length > 0 && text[length - 1] == '\n') text[--length] = '\0';
    // The line keeps the client's bytes; it is shown as UTF-8 or Latin-1 by
    // the package's rule, judged on the whole line.
    const std::string shown = text::text_as_utf8(std::string_view(text, length));
    dc_text_out(*dc, client.left + console_text_left, client.bottom - line_height, shown.c_str(),
                static_cast<int>(shown.size()));
    release_dc(dc);
}

int show_console(int flag) {
    if (!package.open) return 0;
    return ws::show_window(console.console_window, flag ? ws::SW_SHOW : ws::SW_HIDE) ? 1 : 0;
}

ws::lresult console_window_proc(ws::window w, unsigned id, ws::wparam wp, ws::lparam lp) {
    switch (id) {
    case ws::WM_PAINT: repaint_console(w); return 0;
    case ws::WM_KEYDOWN:
    case ws::WM_KEYUP:
        // Keys typed into the console count as typed into the drawing window.
        if (package.open) ws::post_message(package.drawing_window, id, wp, lp);
        return 0;
    case ws::WM_KILLFOCUS:
    case ws::WM_SETFOCUS:
        // So do the focus's comings and goings: the drawing window keeps track of Ctrl.
        if (package.open) ws::send_message(package.drawing_window, id, wp, lp);
        return ws::def_window_proc(w, id, wp, lp);
    case ws::WM_CLOSE:
        // Closing only hides the console, so that it can be shown again.
        ws::show_window(w, ws::SW_HIDE);
        return 0;
    default: return ws::def_window_proc(w, id, wp, lp);
    }
}

}  // namespace draxo

using namespace draxo;

extern "C" int DRAXO_console_printf(const char* format, ...) try {
    if (!on_package_thread(__func__)) return 0;
    std::va_list args;
    va_start(args, format);
    int result = console_vprintf(format, args);
    va_end(args);
    return result;
} catch (...) {
    return operation_failed(__func__, 0);
}

extern "C" int DRAXO_show_console(int flag) try {
    if (!on_package_thread(__func__)) return 0;
    return show_console(flag);
} catch (...) {
    return operation_failed(__func__, 0);
}
