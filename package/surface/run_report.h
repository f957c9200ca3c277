// The run's report to draxo-run (run_file.h): records written to the pipe
// draxo-run gave the program, as the facts change. A record is written
// whole; a program ended in the middle of one leaves it cut off, and
// draxo-run leaves it out.
#pragma once

#include <cstddef>
#include <string>

#include "run_file.h"
#include "window_system/window_system.h"

namespace draxo {

// Opens the report on the pipe that `descriptor` (DRAXO_RUN_REPORT's value)
// names, and takes the variable out of the environment: neither the pipe nor
// its number goes to the programs this one starts. False, with the reason,
// when it names no pipe this process may write to.
bool open_run_report(const std::string& descriptor, std::string& why_not);
bool run_report_open();
// Each adds one record. A write that fails closes the report, with a
// message on standard error: the program's run goes on.
void report_run_status(const run_file_status& status);
// Rows top to bottom - 1, columns left to right - 1, of the picture shown,
// `surface.width` x `surface.height` pixels: written with the status that
// follows them.
void report_shown_rows(const ws::pixels& surface, int top, int bottom, int left, int right);
// A console line, its newline included.
void report_console_line(const std::string& line);
// Closes the report (for tests; the end of the process closes it otherwise).
void close_run_report();

}  // namespace draxo
