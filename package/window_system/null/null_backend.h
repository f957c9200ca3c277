// The null backend of the window-system layer: no display at all. Images and
// fonts live in memory, windows and menus are records only, time is virtual
// and the poll never blocks: a blocking poll moves the virtual clock on to
// the next timer expiry or scheduled action. Tests inject input and drive
// dialogs through this header; the package itself never includes it.
//
// Images are pixel buffers in memory (memory_images.cpp, memory_images.h),
// encoded by the PNG codec's encoder; fonts and text are in null_text.cpp.
//
// Metrics: the screen is 1024 x 768; a window's client area is its outer
// size less a menu bar of `menu_bar_height` pixels when it has one. A font
// asked for a character height of h pixels has a cell of h + h / 2 pixels
// (ascent h + h / 4) and draws every character but the space as a box of
// its cell, `advance_of(h)` pixels apart.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "../backend.h"

namespace draxo::ws::null {

constexpr int menu_bar_height = 20;
constexpr int default_character_height = 16;  // the font of a request for height 0

// The horizontal advance of every character of a font asked for a character
// height of h pixels.
inline int advance_of(int h) { return h / 2 + 1; }

// --- Time -----------------------------------------------------------------

// Virtual milliseconds since the backend was opened.
std::uint64_t now();
// Moves the clock on, firing every timer expiry and running every scheduled
// action on the way, in time order, and showing the frames the core asked
// for (backend::schedule_frame) that are due by then. A frame is shown at the
// first poll or advance that passes it; a blocking poll does not wait for one.
void advance(std::uint64_t ms);
// Runs `action` when the clock reaches now() + ms: at the first poll after
// that, or on the way when a blocking poll or advance() passes it.
void schedule(std::uint64_t ms, std::function<void()> action);
// The period of a running timer, 0 when it is not running.
unsigned timer_period(window w, unsigned id);

// A blocking poll that finds nothing ahead of it (no timer, no scheduled
// action), or that would move the clock past the deadline, would wait for
// ever: it calls the starved handler instead, which by default prints a
// message and aborts. Tests install one that throws. The deadline starts an
// hour of virtual time after opening.
void set_starved_handler(std::function<void(const char* why)> handler);
void set_deadline(std::uint64_t ms_from_now);

// --- Input ------------------------------------------------------------------

// Queues input for a window as native input arrives (dropped while the
// window owns a dialog), with the character a key produces (-1: none); the
// modifiers, when the message leaves them unknown, are the keys held now
// (set_key_held).
void inject(const message& m);
// The keyboard's state as the system would report it.
void set_key_held(unsigned virtual_key, bool held);
// The system asks the program to end (a terminating signal).
void request_termination();

// --- Windows, menus, dialogs --------------------------------------------------

void set_screen_size(extent size);
// How often areas of the window's surface were handed to the screen
// (backend::show_area), and how often it was presented at once
// (backend::present); and the area last handed either way.
int surface_updates(window w);
int presents(window w);
rect last_shown_area(window w);
// The dialog open now (innermost), or null.
dialog open_dialog();
// A control's text in the open dialog, and setting it as the user would.
std::string control_text(dialog d, unsigned id);
void set_control_text(dialog d, unsigned id, const std::string& utf8);
// A command from the dialog: a button click, Enter, Escape, the close box.
void dialog_command(dialog d, unsigned id);
// Another program destroys the dialog's window.
void destroy_dialog_window(dialog d);
// How often F10 handed the window's menu bar the keyboard.
int menu_activations(window w);

}  // namespace draxo::ws::null
