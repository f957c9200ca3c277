#include "event_wait.h"

#include "draxo.h"
#include "script.h"
#include "surface/display.h"

namespace draxo {

pumped pump_one_message() {
    ws::message m;
    bool taken = ws::peek_message(m);
    if (taken && m.id == ws::WM_QUIT) {
        pending_event = DRAXO_QUIT;
        return pumped::quit;
    }
    if (taken) {
        ws::translate_message(m);
        ws::dispatch_message(m);
    }
    if (frame_dirty) copy_to_screen();
    return taken ? pumped::message : pumped::nothing;
}

namespace {

bool still_waiting() {
    return pending_event == no_event || (pending_event == DRAXO_PERIODIC && tick_arrived == 0);
}

void record_delivered_event() {
    if (pending_event == DRAXO_PERIODIC) {
        ++periodic_run;
        return;
    }
    if (periodic_run > 0) {
        record_script_event(DRAXO_PERIODIC, last_event);
        periodic_run = 0;
    }
    record_script_event(pending_event, last_event);
}

}  // namespace

int wait_for_event(event_record* out) {
    pending_event = no_event;
    last_event = event_record{};
    while (still_waiting()) {
        pumped taken = pump_one_message();
        // A quit taken in this pass ends the wait; a script event read now
        // would hide it, and no second quit comes.
        if ((play_one || playing) && taken != pumped::quit) {
            play_one = false;
            if (read_script_event()) break;
            play_one = false;
            playing = false;
        }
        if ((single_step || animation_running) && pending_event == no_event) {
            pending_event = DRAXO_PERIODIC;
            tick_arrived = 0;
            single_step = false;
        }
        if (taken == pumped::nothing && still_waiting() && !(playing || play_one)) {
            // Only a new message can end this wait: sleep until one comes
            // instead of spinning. With the drawing window gone none ever
            // will, so the wait reports the end of the program instead.
            if (!ws::is_window(main_window)) {
                pending_event = DRAXO_QUIT;
                break;
            }
            ws::wait_message();
        }
    }
    if (recording) record_delivered_event();
    *out = last_event;
    return quit_requested ? DRAXO_QUIT : pending_event;
}

void on_left_button_down(ws::lparam position) {
    auto packed = static_cast<std::uint32_t>(position);
    int column = static_cast<int>(packed & 0xFFFFu), row = static_cast<int>((packed >> 16) & 0xFFFFu);
    last_event.x = column - origin_x;
    last_event.y = origin_y - row;
    pending_event = DRAXO_MOUSE;
}

void on_character(ws::wparam character) {
    if (ctrl_down) return;
    last_event.key = static_cast<char>(static_cast<signed char>(character & 0xFFu));
    pending_event = DRAXO_KBD;
}

void on_timer() { tick_arrived = 1; }

void on_drawing_window_destroyed(ws::window w) {
    ws::kill_timer(w, timer_id);
    ws::post_quit_message(0);
}

}  // namespace draxo

using namespace draxo;

extern "C" int DRAXO_next_event(int* x, int* y, char* key) {
    event_record event;
    // Without the drawing window there is nothing to wait for.
    int kind = main_window ? wait_for_event(&event) : DRAXO_QUIT;
    if (x) *x = event.x;
    if (y) *y = event.y;
    if (key) *key = event.key;
    return kind;
}

extern "C" int DRAXO_set_animation(int action) {
    if (!main_window) return 0;
    switch (action) {
    case DRAXO_ANIMATE_HALT:
        single_step = false;
        animation_running = false;
        break;
    case DRAXO_ANIMATE_STEP: single_step = true; break;
    case DRAXO_ANIMATE_RUN: animation_running = true; break;
    case DRAXO_ANIMATE_QUIT: quit_requested = true; break;
    default: break;
    }
    return 1;
}
