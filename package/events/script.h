// The script file "DRAXO.SCR": recording delivered events and playing them
// back. One event per line:
//   DRAXO_MOUSE(x, y);   DRAXO_KBD(key);   DRAXO_PERIODIC(count);
// with runs of periodic events counted into one line.
#pragma once

#include <cstddef>
#include <cstdio>

#include "run_state.h"

namespace draxo {

constexpr const char* script_file_name = "DRAXO.SCR";
constexpr std::size_t script_line_size = 512;  // at most 511 characters a line
constexpr std::size_t script_token_size = 11;  // "%d" of a 32-bit integer

// The one stream of the script file, shared by recording and playback; the
// first operation that needs it opens it for writing or for reading.
extern std::FILE* script_file;
enum class script_mode { closed, writing, reading };
extern script_mode script_file_mode;

// Appends the line for one event (nothing for a quit, but the file is
// opened, and emptied, all the same).
void record_script_event(int kind, event_record event);
// Puts the next script event into pending_event and last_event; returns 1,
// or 0 when there is none (failure, end of file, a line of no known kind).
int read_script_event();
// Switches playback off and removes the Playback Script check mark.
void stop_playback();
// Closes the stream if one is open.
void close_script_file();
// Writes a waiting run of periodic events and closes the file.
void end_recording();

// Finds the next number in a script line, as the reader does: skips what
// cannot start a number (a digit, or '-' where signs are allowed), takes the
// number's text (at most 11 characters are kept), and converts it as atoi
// would, saturating at the 32-bit range. `position` moves past the text.
// A line without a number gives 0.
int scan_script_number(const char* line, std::size_t length, std::size_t& position, bool signed_numbers);

}  // namespace draxo
