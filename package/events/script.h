// The script file "DRAXO.SCR": recording the events the wait delivers, and
// playing them back. Runs of periodic events are counted into one line.
#pragma once

#include "run_state.h"
#include "script_line.h"

namespace draxo {

constexpr const char* script_file_name = "DRAXO.SCR";

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
