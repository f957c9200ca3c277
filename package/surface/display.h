// The package's display state: the two windows, the frame buffer and its
// context, the logical origin and the dirty flag.
#pragma once

#include "draxo.h"
#include "window_system/dc.h"
#include "window_system/window_system.h"

namespace draxo {

constexpr int frame_width = DRAXO_WIDTH;    // 601
constexpr int frame_height = DRAXO_HEIGHT;  // 540
constexpr unsigned timer_id = 2;
constexpr unsigned timer_period_ms = 100;
constexpr const char* drawing_class_name = "DrawWndClass";
constexpr const char* console_class_name = "TextWndClass";

extern ws::window main_window;
extern ws::window console_window;
extern draw_context* window_dc;
extern ws::image frame_buffer;
extern draw_context* buffer_dc;
extern int origin_x;
extern int origin_y;
extern int frame_dirty;

// Device position of logical (0, 0) for a client rectangle: its centre,
// each half truncated.
struct origin {
    int x, y;
};
origin origin_of(const ws::rect& client);

// Outer geometry of the console window for a screen of width x height.
ws::rect console_geometry(int screen_width, int screen_height);

// Fills the frame buffer white inside a one-pixel border drawn with the
// context's current pen, and marks it dirty.
void clear_frame_buffer();
// Copies the whole frame buffer to the drawing window; clears frame_dirty.
void copy_to_screen();

// The drawing window's procedure.
ws::lresult graphics_window_proc(ws::window w, unsigned id, ws::wparam wp, ws::lparam lp);
// Its size and paint notifications.
void on_drawing_window_size(ws::window w);
void on_drawing_window_paint(ws::window w);

}  // namespace draxo
