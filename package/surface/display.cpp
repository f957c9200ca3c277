// The display: the frame buffer and its context, the origin, clearing, and
// the copy of the frame buffer to the drawing window.
#include "display.h"

#include "console/console.h"
#include "operation_guard.h"
#include "palette.h"
#include "shown_picture.h"

namespace draxo {

display_state display;

void reset_display() { display = display_state{}; }

void open_display(ws::window drawing_window) {
    package.drawing_window = drawing_window;
    display.window_dc = get_dc(drawing_window);
    if (!display.frame_buffer) {
        display.frame_buffer = ws::create_image(frame_width, frame_height);
        display.buffer_dc = ws::create_memory_dc();
        select_image(*display.buffer_dc, display.frame_buffer);
    }
    // Defined from the start: a first program that draws before it clears
    // draws on white, as after a clear.
    clear_frame_buffer();
    package.open = true;
}

void close_display() {
    release_dc(display.window_dc);
    display.window_dc = nullptr;
    package.open = false;
}

bool may_draw(const char* operation) { return on_package_thread(operation) && package.open; }

origin origin_of(const ws::rect& client) {
    return origin{client.left + (client.right - client.left) / 2, client.top + (client.bottom - client.top) / 2};
}

void clear_frame_buffer() {
    ws::brush previous = select_brush(*display.buffer_dc, ws::brush{palette_rgb[WHITE], false});
    dc_rectangle(*display.buffer_dc, 0, 0, frame_width, frame_height);
    select_brush(*display.buffer_dc, previous);
    display.frame_dirty = 1;
}

void copy_to_screen() {
    if (display.window_dc && display.buffer_dc) {
        if (keeping_shown_pictures())
            show_frame_buffer();
        else
            dc_bit_blt(*display.window_dc, 0, 0, frame_width, frame_height, *display.buffer_dc, 0, 0);
    }
    display.frame_dirty = 0;
}

void on_drawing_window_size(ws::window w) {
    origin o = origin_of(ws::client_rect(w));
    display.origin_x = o.x;
    display.origin_y = o.y;
}

void on_drawing_window_paint(ws::window w) {
    ws::begin_paint(w);
    copy_to_screen();
    ws::end_paint(w);
}

}  // namespace draxo

using namespace draxo;

extern "C" int DRAXO_clear_window(void) try {
    if (!may_draw(__func__)) return 0;
    if (console.logging) console_printf("Clearing the graphics window\n");
    clear_frame_buffer();
    return 1;
} catch (...) {
    return operation_failed(__func__, 0);
}
