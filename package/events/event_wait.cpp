// The event wait and its pump, the drawing window's event messages, and
// animation control.
#include "event_wait.h"

#include <cstdlib>

#include "console/console.h"
#include "draxo.h"
#include "graphics_window.h"
#include "input_events.h"
#include "operation_guard.h"
#include "run_menu.h"
#include "script.h"
#include "surface/display.h"
#include "unattended_script.h"

namespace draxo {

void open_event_control() {
    event_control.animation_running = false;
    event_control.single_step = false;
    reset_input();
    // However the process ends, a recording keeps its waiting run of
    // periodic events: at exit (the display gone, a client that returns
    // without DRAXO_stop), and before a busy program is ended.
    static bool registered = false;
    if (!registered) std::atexit(write_waiting_run);
    registered = true;
    ws::on_forced_end(write_waiting_run);
}

void close_event_control() {
    // A recording keeps its waiting run of periodic events, as switching
    // recording off would; a later opening starts with neither recording
    // nor playback on.
    if (event_control.recording)
        end_recording();
    else
        close_script_file();
    event_control.recording = false;
    event_control.periodic_run = 0;
    stop_playback();
    set_run_menu_check(CMD_RECORD_SCRIPT, false);
}

pumped pump_one_message() {
    ws::message m;
    bool taken = ws::peek_message(m);
    if (taken && m.id == ws::WM_QUIT) {
        event_control.pending_event = DRAXO_QUIT;
        return pumped::quit;
    }
    if (taken) {
        event_control.key_types_character = ws::translate_message(m);
        event_control.message_modifiers = m.modifiers;
        ws::dispatch_message(m);
    }
    if (display.frame_dirty) copy_to_screen();
    return taken ? pumped::message : pumped::nothing;
}

namespace {

bool still_waiting() {
    return event_control.pending_event == no_event ||
           (event_control.pending_event == DRAXO_PERIODIC && event_control.tick_arrived == 0);
}

void record_delivered_event() {
    if (event_control.pending_event == DRAXO_PERIODIC) {
        ++event_control.periodic_run;
        return;
    }
    if (event_control.periodic_run > 0) {
        record_script_event(DRAXO_PERIODIC, event_control.last_event);
        event_control.periodic_run = 0;
    }
    record_script_event(event_control.pending_event, event_control.last_event);
}

}  // namespace

int wait_for_event(event_record* out) {
    event_control.pending_event = no_event;
    event_control.last_event = event_record{};
    while (still_waiting()) {
        pumped taken = pump_one_message();
        // An unattended run's script is the program's only input. A quit
        // taken in this pass ends the wait, as below.
        if (unattended_script_active() && taken != pumped::quit) {
            next_unattended_event();
            break;
        }
        // A quit taken in this pass ends the wait; a script event read now
        // would hide it, and no second quit comes.
        if ((event_control.play_one || event_control.playing) && taken != pumped::quit) {
            event_control.play_one = false;
            // A failed read has switched playback off; the wait goes on with live input.
            if (read_script_event()) break;
        }
        if ((event_control.single_step || event_control.animation_running) &&
            event_control.pending_event == no_event) {
            event_control.pending_event = DRAXO_PERIODIC;
            event_control.tick_arrived = 0;
            event_control.single_step = false;
        }
        if (taken == pumped::nothing && still_waiting() && !(event_control.playing || event_control.play_one)) {
            // Only a new message can end this wait: sleep until one comes
            // instead of spinning. With the drawing window gone none ever
            // will, so the wait reports the end of the program instead.
            if (!ws::is_window(package.drawing_window)) {
                event_control.pending_event = DRAXO_QUIT;
                break;
            }
            ws::wait_message();
        }
    }
    int kind = event_control.quit_requested ? DRAXO_QUIT : event_control.pending_event;
    note_delivered_input(kind, event_control.last_event);
    if (event_control.recording) record_delivered_event();
    *out = event_control.last_event;
    return kind;
}

void on_left_button_down(ws::lparam position) {
    auto packed = static_cast<std::uint32_t>(position);
    int column = static_cast<int>(packed & 0xFFFFu), row = static_cast<int>((packed >> 16) & 0xFFFFu);
    event_control.last_event.x = column - display.origin_x;
    event_control.last_event.y = display.origin_y - row;
    event_control.last_event.button = DRAXO_BUTTON_LEFT;
    if (mouse_asked()) {
        event_control.last_event.modifiers = modifiers_now();
        event_control.last_mouse_position = position;
    }
    event_control.pending_event = DRAXO_MOUSE;
}

void on_character(ws::wparam character) {
    int key_code = event_control.typed_key_code;
    event_control.typed_key_code = 0;
    if (event_control.ctrl_down) return;
    event_control.last_event.key = static_cast<char>(static_cast<signed char>(character & 0xFFu));
    if (keys_asked()) {
        event_control.last_event.key_code = key_code;
        event_control.last_event.modifiers = modifiers_now();
    }
    event_control.pending_event = DRAXO_KBD;
}

void on_timer() { event_control.tick_arrived = 1; }

void on_drawing_window_destroyed(ws::window w) {
    ws::kill_timer(w, timer_id);
    ws::post_quit_message(0);
}

}  // namespace draxo

using namespace draxo;

extern "C" int DRAXO_next_event(int* x, int* y, char* key) try {
    if (!on_package_thread(__func__)) return 0;
    event_record event;
    // Without the open package there is nothing to wait for.
    int kind = package.open ? wait_for_event(&event) : DRAXO_QUIT;
    if (x) *x = event.x;
    if (y) *y = event.y;
    if (key) *key = event.key;
    return kind;
} catch (...) {
    return operation_failed(__func__, DRAXO_QUIT);
}

extern "C" int DRAXO_set_animation(int action) try {
    if (!on_package_thread(__func__) || !drawing_window_open()) return 0;
    switch (action) {
    case DRAXO_ANIMATE_HALT:
        event_control.single_step = false;
        event_control.animation_running = false;
        break;
    case DRAXO_ANIMATE_STEP: event_control.single_step = true; break;
    case DRAXO_ANIMATE_RUN: event_control.animation_running = true; break;
    case DRAXO_ANIMATE_QUIT: event_control.quit_requested = true; break;
    default: break;
    }
    return 1;
} catch (...) {
    return operation_failed(__func__, 0);
}
