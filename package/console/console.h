// The console window and its ring of the last 25 lines.
#pragma once

#include <cstddef>

#include "window_system/window_system.h"

namespace draxo {

constexpr int console_ring_size = 25;
constexpr std::size_t console_format_size = 1024;  // one line holds at most 1023 characters
constexpr int console_text_left = 5;

// Each used slot holds one line, NUL-terminated, in a block of exactly its
// length plus one byte. Oldest line in console_first (-1 while the ring has
// never been written), next line into console_next.
extern char* console_lines[console_ring_size];
extern int console_first;
extern int console_next;
// Echo every drawing call to the console.
extern bool logging;

// Allocates a line's block; null when memory is short. Replaceable so that
// the handling of a failed allocation can be exercised.
extern char* (*allocate_console_line)(std::size_t size);

// Draws one line at the bottom of the console window, scrolling the rest up.
// A single trailing newline is removed from the text, in place.
void console_show_line(char* text);

// The console window's procedure.
ws::lresult console_window_proc(ws::window w, unsigned id, ws::wparam wp, ws::lparam lp);

}  // namespace draxo
