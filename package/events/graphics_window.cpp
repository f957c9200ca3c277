// The drawing window's procedure: each message goes to the subsystem that
// owns it.
#include "surface/display.h"
#include "events/event_wait.h"
#include "events/run_commands.h"
#include "events/run_menu.h"

namespace draxo {

ws::lresult graphics_window_proc(ws::window w, unsigned id, ws::wparam wp, ws::lparam lp) {
    switch (id) {
    case ws::WM_CREATE: build_run_menu(w); return 0;
    case ws::WM_SIZE: on_drawing_window_size(w); return 0;
    case ws::WM_PAINT: on_drawing_window_paint(w); return 0;
    case ws::WM_LBUTTONDOWN: on_left_button_down(lp); return 0;
    case ws::WM_CHAR: on_character(wp); return 0;
    case ws::WM_TIMER: on_timer(); return 0;
    case ws::WM_DESTROY: on_drawing_window_destroyed(w); return 0;
    case ws::WM_COMMAND: run_command(static_cast<unsigned>(wp)); return 0;
    case ws::WM_KEYDOWN: on_key_down(wp); return 0;
    case ws::WM_KEYUP: on_key_up(wp); return 0;
    case ws::WM_KILLFOCUS:
        on_focus_lost(reinterpret_cast<ws::window>(wp));
        return ws::def_window_proc(w, id, wp, lp);
    default: return ws::def_window_proc(w, id, wp, lp);
    }
}

}  // namespace draxo
