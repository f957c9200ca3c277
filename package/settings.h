// The package's settings for unattended runs, read from the environment at
// DRAXO_start, so that a program runs unchanged under draxo-run or in a
// continuous-integration job that sets them itself:
//
//   DRAXO_HEADLESS  any value but empty or 0: no window is shown, and no
//                   display is needed (on Linux, no X server)
//   DRAXO_SCRIPT    a script file played as the program's input from its
//                   first wait; at its end every wait returns DRAXO_QUIT
//   DRAXO_PICTURE   a PNG file: the drawing window's client area as the
//                   program last showed it, saved when the program ends
//   DRAXO_CONSOLE   a text file (- for standard output): every console line
//   DRAXO_GRACE     seconds a program has to end once its script's quit
//                   came (default 3); one that waits on is ended after them
//   DRAXO_RUN_FILE  a file: what the run showed and how far its script got,
//                   kept up to date for a job to read however the program ends
//   DRAXO_RUN_REPORT  draxo-run's: the same facts and the console's lines,
//                   written as they come to a pipe draxo-run reads
#pragma once

#include <string>
#include <vector>

namespace draxo {

constexpr double default_grace_seconds = 3;

struct unattended_settings {
    bool headless = false;
    std::string script;   // empty: none
    std::string picture;  // empty: none
    std::string console;  // empty: none; "-": standard output
    std::string run_file;
    std::string run_report;  // the report pipe's number; empty: none
    double grace_seconds = default_grace_seconds;
    // A setting that could not be taken as it was given, one message each.
    std::vector<std::string> problems;
    // Anything at all asked of an unattended run.
    bool any() const {
        return headless || !script.empty() || !picture.empty() || !console.empty() || !run_file.empty() ||
               !run_report.empty();
    }
};

// The settings from an environment: `lookup` gives a variable's value, or
// null when it is not set.
unattended_settings read_settings(const char* (*lookup)(const char* name));

// A number of seconds as a user writes it: decimal digits, with a fraction
// after a point if need be ("3", "0.25", ".5"), from 0 to a day (86400).
// Nothing else: no sign, exponent, spaces, hexadecimal, "inf" or "nan",
// and the point is a point whatever the program's locale. Shared with
// draxo-run's --timeout and --grace.
bool parse_seconds(const std::string& text, double& seconds);

}  // namespace draxo
