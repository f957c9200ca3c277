#include "console.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <new>

#include "draxo.h"
#include "events/run_commands.h"
#include "events/run_menu.h"
#include "window_system/dc.h"
#include "surface/display.h"

namespace draxo {

char* console_lines[console_ring_size] = {};
int console_first = -1;
int console_next = 0;
bool logging = true;

namespace {

char* allocate_with_new(std::size_t size) { return new (std::nothrow) char[size]; }

int advance(int slot) { return slot == console_ring_size - 1 ? 0 : slot + 1; }

// Keeps one line in the ring, displacing the oldest once the ring is full.
// When no block can be had the ring is left exactly as it was.
void store_line(const char* text, std::size_t length) {
    char* block = allocate_console_line(length + 1);
    if (!block) return;
    std::memcpy(block, text, length);
    block[length] = '\0';
    if (console_first == console_next) {
        delete[] console_lines[console_first];
        console_lines[console_first] = nullptr;
        console_first = advance(console_first);
    }
    console_lines[console_next] = block;
    if (console_first < 0) console_first = console_next;
    console_next = advance(console_next);
}

void repaint_console(ws::window w) {
    ws::begin_paint(w);
    int slot = console_first;
    for (int count = 0; slot >= 0 && !(slot == console_next && count != 0); ++count) {
        console_show_line(console_lines[slot]);
        slot = advance(slot);
    }
    ws::end_paint(w);
}

}  // namespace

char* (*allocate_console_line)(std::size_t size) = allocate_with_new;

void console_show_line(char* text) {
    if (!ws::is_window(console_window)) return;
    draw_context* dc = get_dc(console_window);
    select_font(*dc, ws::stock_fixed_font());
    ws::text_metrics metrics = dc_text_metrics(*dc);
    int line_height = metrics.height + metrics.external_leading;
    dc_scroll(*dc, 0, -line_height);

    ws::rect client = ws::client_rect(console_window);
    brush previous_brush = select_brush(*dc, brush{dc->background_color, false});
    pen previous_pen = select_pen(*dc, pen{0, 0, true});
    dc_rectangle(*dc, client.left, client.bottom - line_height, client.right, client.bottom + 1);
    select_pen(*dc, previous_pen);
    select_brush(*dc, previous_brush);

    std::size_t length = std::strlen(text);
    if (length > 0 && text[length - 1] == '\n') text[--length] = '\0';
    dc_text_out(*dc, client.left + console_text_left, client.bottom - line_height, text, static_cast<int>(length));
    release_dc(dc);
}

ws::lresult console_window_proc(ws::window w, unsigned id, ws::wparam wp, ws::lparam lp) {
    switch (id) {
    case ws::WM_PAINT: repaint_console(w); return 0;
    case ws::WM_KEYDOWN:
    case ws::WM_KEYUP:
        // Keys typed into the console count as typed into the drawing window.
        ws::post_message(main_window, id, wp, lp);
        return 0;
    case ws::WM_KILLFOCUS:
        on_focus_lost(reinterpret_cast<ws::window>(wp));
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

extern "C" int DRAXO_console_printf(const char* format, ...) {
    char buffer[console_format_size];
    va_list args;
    va_start(args, format);
    int result = std::vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    if (result < 0) buffer[0] = '\0';
    store_line(buffer, std::strlen(buffer));
    console_show_line(buffer);
    return result;
}

extern "C" int DRAXO_set_logging(int flag) {
    if (!main_window) return 0;
    logging = flag != 0;
    set_run_menu_check(CMD_LOGGING, logging);
    if (logging) DRAXO_show_console(1);
    return 1;
}

extern "C" int DRAXO_show_console(int flag) {
    if (!console_window) return 0;
    return ws::show_window(console_window, flag ? ws::SW_SHOW : ws::SW_HIDE) ? 1 : 0;
}
