// draxo-run's command line:
//   draxo-run [OPTIONS] [--] PROGRAM [ARGS...]
// Pure: no files, no environment.
#pragma once

#include <string>
#include <vector>

namespace draxo_run {

constexpr double default_timeout_seconds = 60;
constexpr double default_grace_seconds = 3;

struct options {
    std::string script;   // empty: an empty script, so the first wait returns DRAXO_QUIT
    std::string picture;  // empty: none
    std::string console;  // empty: none; "-": standard output
    std::string expect;   // empty: no comparison (needs a picture)
    double timeout_seconds = default_timeout_seconds;  // 0: never
    double grace_seconds = default_grace_seconds;
    std::string seed;                  // empty: DRAXO_SEED as it is, or 1
    std::string make_assignment;       // empty: none; else the folder the assignment goes to
    std::string starter;               // with make_assignment: the starter program to copy; empty: none
    std::string title;                 // with make_assignment; empty: the folder's name
    std::vector<std::string> command;  // the program and its arguments
    bool help = false;
    bool version = false;
};

// Reads the arguments after draxo-run's own name. False, with a message for
// the user, when they cannot be taken.
bool parse_options(const std::vector<std::string>& arguments, options& out, std::string& why_not);

// The help text, for --help.
const char* usage_text();

}  // namespace draxo_run
