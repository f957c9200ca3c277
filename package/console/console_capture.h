// The console kept as a text file for an unattended run (DRAXO_CONSOLE), or
// handed to a writer of the caller's (the run's report to draxo-run): every
// console line in order, as printed, the package's own messages included,
// each through to the file as it is printed, so that what a program printed
// is there however it ends.
#pragma once

#include <string>

namespace draxo {

// Starts capturing into the file at `path` (made anew), or into standard
// output for "-"; the lines printed before, still in the console's ring,
// come first. False, with the reason, when the file cannot be made.
bool capture_console(const std::string& path, std::string& why_not);
// Also hands every line, its newline included, to `write`, from the lines
// still in the ring on; null stops it.
void capture_console_through(void (*write)(const std::string& line));
// One console line, as printed: its text up to its first NUL, a single
// trailing newline left out, then a newline.
void capture_console_line(const char* text);
// Stops capturing, closing the file and forgetting the writer (for tests,
// and at the end of the process).
void stop_console_capture();

}  // namespace draxo
