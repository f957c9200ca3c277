// The lines of the script file "DRAXO.SCR", one event per line:
//   DRAXO_MOUSE(x, y);   DRAXO_KBD(key);   DRAXO_PERIODIC(count);
// The kind is told by the seventh character alone, the one after "DRAXO_".
// The lines of game input (input_events.h) are told by their whole name and
// read strictly, each argument in its range:
//   DRAXO_KEY_PRESS(LEFT, modifiers);     DRAXO_KEY_RELEASE(LEFT, modifiers);
//   DRAXO_MOUSE_PRESS(x, y, button);      DRAXO_MOUSE_RELEASE(x, y, button);
//   DRAXO_MOUSE_MOVE(x, y, buttons);      DRAXO_KBD(key, A);
// (a typed character with the key that typed it). Pure functions: no file,
// no package state.
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
    // Game input's lines: DRAXO_KEY_PRESS, DRAXO_KEY_RELEASE (key_code,
    // modifiers), DRAXO_MOUSE_RELEASE and DRAXO_MOUSE with button (a line
    // DRAXO_MOUSE(x, y) is the left button), DRAXO_MOUSE_MOVE with buttons;
    // a DRAXO_KBD line's key_code when it names one.
    int key_code = 0;
    int modifiers = 0;
    int button = 1;
    int buttons = 0;
};

// The range of a game-input line's coordinates: the frame's size either way
// of the origin. A line outside it is of no known kind.
constexpr int script_x_limit = 601;
constexpr int script_y_limit = 540;

// Reads one line of `length` characters (its newline, if any, included). It
// never looks past the line's end: a line too short to have a kind has none,
// and a number missing before the end reads as 0.
script_line parse_script_line(const char* line, std::size_t length);

// Writes the line for an event into `buffer` (at least script_line_size
// bytes), newline included, and returns its length: the mouse position, the
// key as a signed 8-bit number (128 to 255 become negative), or the run's
// count; a typed character with its key's name when key_code is set, a
// press of another button than the left as DRAXO_MOUSE_PRESS, and game
// input's other lines as above. Any other kind gives the empty line
// (length 0).
std::size_t format_script_line(const script_line& event, char* buffer);

// Finds the next number in a script line, as the reader does: skips what
// cannot start a number (a digit, or '-' where signs are allowed), takes the
// number's text (at most 11 characters are kept), and converts it as atoi
// would, saturating at the 32-bit range. `position` moves past the text.
// A line without a number gives 0.
int scan_script_number(const char* line, std::size_t length, std::size_t& position, bool signed_numbers);

}  // namespace draxo
