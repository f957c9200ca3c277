// The event wait: pumps the window system's queue one message per pass,
// copies the frame buffer to the window when drawing changed it, produces
// periodic events for animation, and plays back or records script events.
#pragma once

#include "event_control.h"
#include "package_facts.h"
#include "window_system/window_system.h"

namespace draxo {

// Opening and closing event control: the animation starts halted with no step
// pending; closing ends a recording, writing its waiting run of periodic
// events, or closes the script file.
void open_event_control();
void close_event_control();

// What one pass of the pump took from the queue.
enum class pumped { nothing, message, quit };

// Takes at most one message and dispatches it (the quit message ends the
// wait instead); then copies the frame buffer if it is dirty, except in a
// pass that took the quit message.
pumped pump_one_message();

// Waits for the next event; fills `out` and returns its kind.
int wait_for_event(event_record* out);

// The drawing window's event messages.
void on_left_button_down(ws::lparam position);
void on_character(ws::wparam character);
void on_timer();
void on_drawing_window_destroyed(ws::window w);

}  // namespace draxo
