// The Run menu's commands and their Ctrl shortcuts.
#pragma once

#include "window_system/window_system.h"

namespace draxo {

// Carries out a Run menu command by id; any other id is ignored.
void run_command(unsigned id);

// Key messages of the drawing window (the console passes its keys on):
// Ctrl tracking and the Ctrl+letter shortcuts, then game input.
void on_key_down(ws::wparam virtual_key);
void on_key_up(ws::wparam virtual_key);
// A package window lost the keyboard focus to `to` (null: outside the
// package). A Ctrl release outside the package's windows never reaches them,
// so Ctrl is taken as released when the focus leaves them, and so is every
// key and button game input holds (input_events.h).
void on_focus_lost(ws::window to);
// A package window took the keyboard focus: Ctrl is as the keyboard says,
// since its release or press may have happened elsewhere.
void on_focus_gained();

}  // namespace draxo
