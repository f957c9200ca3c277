// The backend contract suite's driver: what the cases ask of a backend's
// user and of its system, each backend's way (BACKEND_driver.cpp, one a
// backend; the suite's executable links exactly one). A driver acts as the
// user does through the system wherever it can (real input events, the
// close box, a signal), so that the backend's own handling is what is
// tested; the null backend's driver uses its hooks (null_backend.h).
#pragma once

#include <cstdint>
#include <string>

#include "window_system/window_system.h"

namespace draxo::contract {

// What only some backends can: the cases that need it are skipped elsewhere.
struct abilities {
    bool input = true;                 // mouse, keys, menus and the close box reach the window
    bool shows = true;                 // what is shown can be read back
    bool dialogs = true;               // dialogs open, and can be typed into
    bool termination_signals = false;  // the POSIX signals that ask a program to end
    int scale = 1;                     // screen pixels a logical pixel takes in this run
};
abilities what_the_backend_can();

// A left-button press and release at a logical point of the window's
// client area.
void click(ws::window w, int x, int y);
// A key typing this character (a Unicode code point) into the window.
void type(ws::window w, char32_t code_point);
// Chooses the item titled `item` of the bar's menu titled `title`.
void choose_menu_item(ws::window w, const std::string& title, const std::string& item);
// The window's close box.
void close_box(ws::window w);
// The system asks the program to end (SIGTERM).
void request_termination();
// Once a dialog titled `title` is open: types `utf8` into its field that has
// the keyboard focus and presses Enter. Called before the dialog opens.
void answer_dialog(const std::string& title, const std::string& utf8);
// Lets `ms` milliseconds pass with the window system's events handled: the
// null backend's virtual clock moves on, others wait.
void let_time_pass(int ms);
// The pixel shown at a logical point of the window's client area, as
// 0x00RRGGBB; false when none can be read there (yet).
bool shown_pixel(ws::window w, int x, int y, std::uint32_t& rgb);

}  // namespace draxo::contract
