// Game input, for a program that asks for it (DRAXO_set_input): keys that
// type no character and every key's release, the right and middle buttons,
// releases, and movement with a button held; the keys and buttons held as
// the delivered events tell; the queries about the last event; the clock's
// period. A program that has not asked gets none of it: the drawing
// window's new messages are dropped, and script lines of game input are
// passed over.
#pragma once

#include "event_control.h"
#include "script_line.h"
#include "window_system/window_system.h"

namespace draxo {

bool keys_asked();
bool mouse_asked();
// The modifier keys held at the message being dispatched (DRAXO_SHIFT, ...):
// as the backend saw them with the input, or, for a posted message, as the
// keyboard reports them now.
int modifiers_now();

// The drawing window's mouse messages: a press of button 2 or 3 (the left's
// is on_left_button_down), a release, a move; positions in client pixels.
void on_button_down(int button, ws::lparam position);
void on_button_up(int button, ws::lparam position);
void on_mouse_move(ws::lparam position);
// A key-down the Run menu did not take, and a key-up: presses of keys that
// type no character, releases of keys held. A key that types a character
// gives its code to the DRAXO_KBD that follows (typed_key_code).
void on_input_key_down(ws::wparam virtual_key);
void on_input_key_up(ws::wparam virtual_key);
// The focus left the package's windows: every key and button held gets its
// release, as posted messages, so that nothing stays down for ever.
void release_held_input();

// An event the wait returns (live or played) changes the keys and buttons
// held, and becomes what the queries tell: sets its repeat and held buttons.
void note_delivered_input(int kind, event_record& event);
// A script line's event is for this program: lines of game input only when
// it asked for that input.
bool asked_for(const script_line& line);
// Back to the four events, nothing held, the clock at 100 ms (DRAXO_start).
void reset_input();

}  // namespace draxo
