// The drawing window and its procedure: each message goes to the subsystem
// that owns it.
#include "graphics_window.h"

#include "draxo.h"
#include "event_wait.h"
#include "input_events.h"
#include "run_commands.h"
#include "run_menu.h"
#include "surface/display.h"
#include "surface/palette.h"

namespace draxo {

void register_drawing_class() {
    ws::register_class(drawing_class_name, ws::CS_HREDRAW | ws::CS_VREDRAW, graphics_window_proc,
                       palette_rgb[WHITE]);
}

ws::window create_drawing_window() {
    return ws::create_window(drawing_class_name, "DRAXO Graphics", ws::WS_CAPTION | ws::WS_SYSMENU, 0, 0,
                             frame_width, frame_height);
}

void start_ticks(ws::window drawing_window) {
    ws::set_timer(drawing_window, timer_id, event_control.periodic_interval_ms);
}

ws::lresult graphics_window_proc(ws::window w, unsigned id, ws::wparam wp, ws::lparam lp) {
    switch (id) {
    case ws::WM_CREATE: build_run_menu(w); return 0;
    case ws::WM_SIZE: on_drawing_window_size(w); return 0;
    case ws::WM_PAINT: on_drawing_window_paint(w); return 0;
    case ws::WM_LBUTTONDOWN: on_left_button_down(lp); return 0;
    case ws::WM_RBUTTONDOWN: on_button_down(DRAXO_BUTTON_RIGHT, lp); return 0;
    case ws::WM_MBUTTONDOWN: on_button_down(DRAXO_BUTTON_MIDDLE, lp); return 0;
    case ws::WM_LBUTTONUP: on_button_up(DRAXO_BUTTON_LEFT, lp); return 0;
    case ws::WM_RBUTTONUP: on_button_up(DRAXO_BUTTON_RIGHT, lp); return 0;
    case ws::WM_MBUTTONUP: on_button_up(DRAXO_BUTTON_MIDDLE, lp); return 0;
    case ws::WM_MOUSEMOVE: on_mouse_move(lp); return 0;
    case ws::WM_CHAR: on_character(wp); return 0;
    case ws::WM_TIMER: on_timer(); return 0;
    case ws::WM_DESTROY: on_drawing_window_destroyed(w); return 0;
    case ws::WM_COMMAND: run_command(static_cast<unsigned>(wp)); return 0;
    case ws::WM_KEYDOWN: on_key_down(wp); return 0;
    case ws::WM_KEYUP: on_key_up(wp); return 0;
    case ws::WM_SYSKEYUP:
        // A key pressed alone and released with Alt held is released all the same.
        on_input_key_up(wp);
        return ws::def_window_proc(w, id, wp, lp);
    case ws::WM_KILLFOCUS:
        on_focus_lost(reinterpret_cast<ws::window>(wp));
        return ws::def_window_proc(w, id, wp, lp);
    case ws::WM_SETFOCUS: on_focus_gained(); return ws::def_window_proc(w, id, wp, lp);
    default: return ws::def_window_proc(w, id, wp, lp);
    }
}

}  // namespace draxo
