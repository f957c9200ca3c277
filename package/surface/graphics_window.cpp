// The drawing window's procedure: each message goes to the subsystem that
// owns it.
#include "display.h"
#include "events/run_menu.h"

namespace draxo {

ws::lresult graphics_window_proc(ws::window w, unsigned id, ws::wparam wp, ws::lparam lp) {
    switch (id) {
    case ws::WM_CREATE:
        build_run_menu(w);
        return 0;
    case ws::WM_SIZE:
        on_drawing_window_size(w);
        return 0;
    case ws::WM_PAINT:
        on_drawing_window_paint(w);
        return 0;
    default:
        return ws::def_window_proc(w, id, wp, lp);
    }
}

}  // namespace draxo
