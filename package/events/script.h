// The script file "DRAXO.SCR": recording the events the wait delivers, and
// playing them back. Runs of periodic events are counted into one line.
#pragma once

#include "event_control.h"
#include "script_line.h"

namespace draxo {

constexpr const char* script_file_name = "DRAXO.SCR";

// Passes over a UTF-8 byte-order mark at the start of a file opened for
// reading (an editor's mark, no part of the first line); else rewinds.
void skip_byte_order_mark(std::FILE* file);
// Reads the next line that is not empty into `line` (script_line_size
// bytes): a longer line keeps its first characters and is one line all the
// same. False when there is none: at the end of the file, which a last
// line without its newline counts as, or on a read error. `newlines`, when
// given, counts the line ends read, the skipped lines' included.
bool read_script_line(std::FILE* file, char* line, long* newlines = nullptr);

// Switching recording on, refused with a message while playback is on
// (a playback left open is closed first); and off, writing the waiting run.
bool start_recording();
void stop_recording();
// Playback, continuous or of one event, may start: not while recording
// (refused with a message).
bool may_play_back();

// Appends the line for one event (nothing for a quit, but the file is
// opened, and emptied, all the same), through to the file at once. A line
// that cannot be written stops the recording with a message.
void record_script_event(int kind, event_record event);
// What became of a script line: its event is pending, it was passed over
// (game input the program did not ask for: input_events.h), or it is of no
// known kind.
enum class played_line { pending, passed_over, unknown };
// Makes a parsed line the pending event (pending_event and last_event), the
// rest of a periodic line's run in `periodic_run`; changes nothing for a
// line passed over or of no known kind.
played_line make_pending(const script_line& line, int& periodic_run);
// Puts the next script event into pending_event and last_event; returns 1,
// or 0 when there is none (failure, end of file, a line of no known kind).
int read_script_event();
// Switches playback off and removes the Playback Script check mark.
void stop_playback();
// Closes the stream if one is open.
void close_script_file();
// Writes a waiting run of periodic events and closes the file.
void end_recording();
// Writes a recording's waiting run of periodic events at once, with no
// message: the process is about to end otherwise than through DRAXO_stop
// (it exits, the display went away, a request to end it was not taken in
// time). May run on a thread other than the package's, which is then busy
// outside the package.
void write_waiting_run();

}  // namespace draxo
