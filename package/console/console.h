// The console: the package's text output channel. A window ("DRAXO Text")
// in which every printed line is drawn at once at the bottom, older lines
// scrolled up, and a ring of the last 25 lines from which it repaints. Every
// message of the package goes through console_printf; while logging is on,
// the drawing operations echo each call as a line.
#pragma once

#include <cstdarg>
#include <cstddef>

#include "draxo.h"
#include "package_facts.h"
#include "window_system/window_system.h"

namespace draxo {

constexpr int console_ring_size = 25;
constexpr std::size_t console_format_size = 1024;  // one line holds at most 1023 characters
constexpr int console_text_left = 5;
constexpr const char* console_class_name = "TextWndClass";

struct console_state {
    // Each used slot holds one line, NUL-terminated, in a block of exactly
    // its length plus one byte. Oldest line in console_first (-1 while the
    // ring has never been written), next line into console_next.
    char* console_lines[console_ring_size] = {};
    int console_first = -1;
    int console_next = 0;
    // Echo every drawing call to the console (the Run menu's Logging).
    bool logging = true;
    ws::window console_window = nullptr;
    // Allocates a line's block; null when memory is short. Replaceable so
    // that the handling of a failed allocation can be exercised.
    char* (*allocate_line)(std::size_t size) = nullptr;
    // The caller's result buffer, remembered when a DRAXO_gets dialog
    // initialises and written when Okay is pressed. Not cleared afterwards.
    char* gets_result = nullptr;
    int gets_result_size = 0;  // its size in bytes, the NUL included
    // In an unattended run nobody can answer the dialog: this answers
    // DRAXO_gets in its place, as the dialog would (1 with the line in the
    // buffer, 0 leaving it as it was). Null: the dialog asks.
    int (*answer_gets)(char* result, int size) = nullptr;
    // DRAXO_gets gives UTF-8 (DRAXO_set_input_encoding), not Latin-1.
    bool input_utf8 = false;
};
extern console_state console;

// Back to the state before the first line (for tests; the ring's blocks are freed).
void reset_console();

// Registers the console window's class.
void register_console_class();
// Creates the console window, hidden, across the bottom third of the
// screen; while the package is open, keys typed into it go on to the
// drawing window.
void open_console(ws::extent screen);
// Outer geometry of the console window for a screen of width x height.
ws::rect console_geometry(int screen_width, int screen_height);

// Prints one line, as DRAXO_console_printf does; every message of the
// package goes through these. Return the formatter's count.
int console_printf(const char* format, ...) DRAXO_PRINTF_LIKE(1, 2);
DRAXO_PRINTF_LIKE(1, 0) int console_vprintf(const char* format, std::va_list args);

// Draws one line at the bottom of the console window, scrolling the rest up.
// A single trailing newline is removed from the text, in place.
void console_show_line(char* text);
// Shows (nonzero flag) or hides the console window; returns whether it was
// visible before.
int show_console(int flag);

// The console window's procedure.
ws::lresult console_window_proc(ws::window w, unsigned id, ws::wparam wp, ws::lparam lp);

}  // namespace draxo
