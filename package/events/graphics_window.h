// The drawing window "DRAXO Graphics": its class, its creation with the Run
// menu, its timer (100 ms unless the program sets another period), and its procedure, which sends each message to
// the subsystem that owns it.
#pragma once

#include "window_system/window_system.h"

namespace draxo {

constexpr const char* drawing_class_name = "DrawWndClass";
constexpr unsigned timer_id = 2;
constexpr unsigned timer_period_ms = 100;  // until the program sets its own

void register_drawing_class();
// Creates the drawing window, hidden, at the top-left corner of the screen
// with an outer size of 601 x 540; its Run menu is built and its origin set
// before this returns.
ws::window create_drawing_window();
// Starts the timer whose ticks drive periodic events, at the period the
// program set (event_control.periodic_interval_ms).
void start_ticks(ws::window drawing_window);

ws::lresult graphics_window_proc(ws::window w, unsigned id, ws::wparam wp, ws::lparam lp);

}  // namespace draxo
