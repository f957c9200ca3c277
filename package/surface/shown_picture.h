// What the drawing window shows, kept for an unattended run: every change
// goes to the run file and to the run's report (surface/run_file.h) as it
// is shown, and the whole client area can be saved as a PNG picture when
// the program ends. The
// pixels are those of the window's surface, which is what a screenshot of
// the window shows.
#pragma once

#include <string>

#include "run_file.h"

namespace draxo {

// Keeps what is shown from now on; with a run file (an empty path: none),
// which is made anew. False, with the reason, when it cannot be written.
bool keep_shown_pictures(const std::string& run_file_path, std::string& why_not);
// What is shown is being kept.
bool keeping_shown_pictures();
// Copies the frame buffer to the drawing window's surface, as a copy to the
// screen does, while keeping what is shown: only the rows that changed are
// copied, and they go to the run file too.
void show_frame_buffer();
// Something was shown since the last save_shown_picture (or ever).
bool shown_since_saved();
// Saves the drawing window's client area, as last shown, as a PNG picture
// (written under a fresh name and renamed over `path`), byte for byte the
// same on every platform. False, with the reason, when nothing was shown or
// it cannot be written.
bool save_shown_picture(const std::string& path, std::string& why_not);

// The status record of the run file and the report (zeros without either):
// change it, then write it. A write that fails stops the keeping there,
// with a message on standard error: the program's run goes on.
run_file_status& run_status();
void write_run_status();

// Back to the state before keep_shown_pictures (for tests).
void reset_shown_pictures();

}  // namespace draxo
