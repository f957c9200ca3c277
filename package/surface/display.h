// The package's display: the drawing window's frame buffer and its context,
// the logical origin, the dirty flag, and the copy of the frame buffer to
// the drawing window.
#pragma once

#include "draxo.h"
#include "package_facts.h"
#include "window_system/window_system.h"
#include "window_system/ws_dc.h"

namespace draxo {

constexpr int frame_width = DRAXO_WIDTH;    // 601
constexpr int frame_height = DRAXO_HEIGHT;  // 540

struct display_state {
    ws::draw_context* window_dc = nullptr;  // its client area: every copy to the screen goes through it
    ws::image frame_buffer = nullptr;       // the off-screen picture, 601 x 540
    ws::draw_context* buffer_dc = nullptr;  // the context every drawing operation renders through
    int origin_x = 0;                       // device column and row of logical (0, 0)
    int origin_y = 0;
    int frame_dirty = 1;  // the frame buffer holds drawing not yet copied to the window
};
extern display_state display;

// Back to the state before the package was first opened (for tests).
void reset_display();

// Opens the display on the drawing window: its context, the frame buffer
// and the buffer's context (made once, kept for a later opening), the frame
// buffer cleared as DRAXO_clear_window leaves it. Closing releases the
// window's context.
void open_display(ws::window drawing_window);
void close_display();

// The package is open and its drawing operations may draw: the calling
// thread is the package's and DRAXO_start has opened it. Otherwise the
// operation returns 0 at once.
bool may_draw(const char* operation);

// Device position of logical (0, 0) for a client rectangle: its centre,
// each half truncated.
struct origin {
    int x, y;
};
origin origin_of(const ws::rect& client);

// Fills the frame buffer white inside a one-pixel border drawn with the
// context's current pen, and marks it dirty.
void clear_frame_buffer();
// Copies the whole frame buffer to the drawing window; clears frame_dirty.
void copy_to_screen();

// The drawing window's size and paint notifications.
void on_drawing_window_size(ws::window w);
void on_drawing_window_paint(ws::window w);

}  // namespace draxo
