// Unattended runs: a program run from its settings in the environment
// (settings.h) without a person, and, if asked, without a screen; its
// input played from a script, what it showed and printed kept in files.
#pragma once

namespace draxo {

// Reads the settings, once, at the first DRAXO_start, before the window
// system opens, and starts what they ask for. A setting that cannot be
// taken ends the program with a message on standard error.
void start_unattended_run();
// The window system is open: the end of the process will finish the run.
void unattended_window_system_open();
// Finishes the run as far as it has come: notes how far the script got and
// saves the picture. At DRAXO_stop; the end of the process does it again.
void finish_unattended_run();
// Back to the state before the first DRAXO_start, every part's files closed
// (for tests).
void reset_unattended_run();

}  // namespace draxo
