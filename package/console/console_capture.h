// The console kept as a text file for an unattended run (DRAXO_CONSOLE):
// every console line in order, as printed, the package's own messages
// included, each through to the file as it is printed, so that what a
// program printed is there however it ends.
#pragma once

#include <string>

namespace draxo {

// Starts capturing into the file at `path` (made anew), or into standard
// output for "-"; the lines printed before, still in the console's ring,
// come first. False, with the reason, when the file cannot be made.
bool capture_console(const std::string& path, std::string& why_not);
// One console line, as printed: its text up to its first NUL, a single
// trailing newline left out, then a newline.
void capture_console_line(const char* text);
// Stops capturing, closing the file (for tests, and at the end of the process).
void stop_console_capture();

}  // namespace draxo
