// Driving the event wait with posted messages: the package's timer is
// stopped so that only the messages a test posts reach the wait.
#pragma once

#include "draxo.h"
#include "events/event_control.h"
#include "events/graphics_window.h"
#include "support/test_support.h"
#include "surface/display.h"

namespace draxo::test {

struct event {
    int kind = 0, x = 0, y = 0;
    char key = 0;
};

inline event next_event() {
    event e;
    e.kind = DRAXO_next_event(&e.x, &e.y, &e.key);
    return e;
}

// Opens the package, stops its timer and settles the first paints.
inline void open_quietly() {
    open_package();
    ws::kill_timer(package.drawing_window, timer_id);
    pump_messages();
}

inline void post(unsigned id, ws::wparam w = 0, ws::lparam l = 0) {
    ws::post_message(package.drawing_window, id, w, l);
}

// A left-button press at a logical point.
inline void post_press(int x, int y) {
    post(ws::WM_LBUTTONDOWN, ws::MK_LBUTTON, ws::make_lparam(display.origin_x + x, display.origin_y - y));
}

}  // namespace draxo::test
