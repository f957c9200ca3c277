// The lines of the script file "DRAXO.SCR", one event per line:
//   DRAXO_MOUSE(x, y);   DRAXO_KBD(key);   DRAXO_PERIODIC(count);
// The kind is told by the seventh character alone, the one after "DRAXO_".
// Pure functions: no file, no package state.
#pragma once

#include <cstddef>

namespace draxo {

constexpr std::size_t script_line_size = 512;  // at most 511 characters a line
constexpr std::size_t script_token_size = 11;  // "%d" of a 32-bit integer

// What one line says. `kind` is DRAXO_MOUSE (with x and y), DRAXO_KBD (with
// key) or DRAXO_PERIODIC (with count, the run's length as written), or 0
// for a line of no known kind.
struct script_line {
    int kind = 0;
    int x = 0;
    int y = 0;
    char key = 0;
    int count = 0;
};

// Reads one line of `length` characters (its newline, if any, included). It
// never looks past the line's end: a line too short to have a kind has none,
// and a number missing before the end reads as 0.
script_line parse_script_line(const char* line, std::size_t length);

// Writes the line for an event into `buffer` (at least script_line_size
// bytes), newline included, and returns its length: the mouse position, the
// key as a signed 8-bit number (128 to 255 become negative), or the run's
// count. Any other kind gives the empty line (length 0).
std::size_t format_script_line(const script_line& event, char* buffer);

// Finds the next number in a script line, as the reader does: skips what
// cannot start a number (a digit, or '-' where signs are allowed), takes the
// number's text (at most 11 characters are kept), and converts it as atoi
// would, saturating at the 32-bit range. `position` moves past the text.
// A line without a number gives 0.
int scan_script_number(const char* line, std::size_t length, std::size_t& position, bool signed_numbers);

}  // namespace draxo
