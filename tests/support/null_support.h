// Helpers for tests on the null backend: input as the platform would deliver
// it, and waits that fail at once, with a message, when they would never end.
#pragma once

#include "window_system/null/null_backend.h"
#include "window_system/window_system.h"

namespace draxo::test {

// Input into a window as its native events would arrive: a left-button
// press at a client pixel, and a key with the character it types (-1: none).
void inject_press(ws::window w, int column, int row);
void inject_key_down(ws::window w, unsigned virtual_key, int character = -1);
void inject_key_up(ws::window w, unsigned virtual_key);
// A typed character: the key-down that types it and its key-up.
void inject_typed(ws::window w, char character);
// A mouse message (a button's press or release, WM_MOUSEMOVE) at a client
// pixel, with the buttons held (MK_*).
void inject_mouse(ws::window w, unsigned id, int column, int row, unsigned held = 0);

// A wait that would never end fails the test that met it, and throws to end
// the test at once; the failure is what tells, since a DRAXO_ operation
// gives up on any exception. A test of such a wait calls this first: the
// wait then only throws. Without exceptions (wasm32-wasip1) the wait ends
// the test's process instead, failing it, or passing it after this call.
void expect_a_wait_for_ever();

}  // namespace draxo::test
