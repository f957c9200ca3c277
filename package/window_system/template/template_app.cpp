// Template backend: opening and closing the display, the screen, the clock,
// timers and the poll for native events.
#include <chrono>

#include "template_backend.h"

namespace draxo::ws::backend {

// Opens the display; false with the reason first when there is none (a
// backend's why_not is shown to the user as it is). Measures the screen's
// density and takes the windows' scale from fitting_scale (ws_present.h),
// so that a window of must_fit still fits. On a POSIX system, also calls
// watch_termination_signals (backend.h) and watches the descriptor it
// returns in the event loop: readable, the loop calls termination_signalled.
// Elsewhere the system's own requests to end the program (a console's
// close) become native_termination_requested from the event handling, and
// the grace time is waited out with wait_out_grace_time on a thread.
bool init(std::string&, extent) { return true; }

// At the end of the process: releases what the process's end would not
// (a connection to the display that must be closed, timers of the system).
void quit() {}

// The primary screen in logical pixels (device pixels divided by the scale).
extent screen_size() { return extent{1024, 768}; }

// A steady clock in milliseconds from any start: the core paces frames and
// timers by it.
double now_ms() {
    using namespace std::chrono;
    return duration<double, std::milli>(steady_clock::now().time_since_epoch()).count();
}

// A periodic timer of the system: each expiry calls native_timer_fired(w, id)
// from the poll (the core coalesces expiries into one WM_TIMER). Starting
// a running timer again restarts it with the new period.
void start_timer(window, unsigned, unsigned) {}

// No expiry of the timer is reported after this returns, even one already
// pending in the system's queue.
void stop_timer(window, unsigned) {}

// Handles the pending native events, turning them into the notifications
// (backend.h: enqueue_input for mouse and keys, native_timer_fired,
// native_close_requested, ...). Input carries the modifier keys the system
// reported with it (message::modifiers, HELD_*); WM_MOUSEMOVE is sent only
// while a button is held, and a window keeps the mouse during a drag, so
// that the release comes to it even outside. With block, first waits for
// at least one: the program's every wait ends here. A port must block for
// real: this stub returns at once, so that a program waiting here spins.
void poll_events(bool) {}

// The keyboard's state now, as the system reports it, for VK_CONTROL,
// VK_SHIFT and VK_MENU.
bool key_held(unsigned) { return false; }

}  // namespace draxo::ws::backend
