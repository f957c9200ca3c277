// What a run came to, and draxo-run's exit status for it. Pure.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "surface/run_file.h"

namespace draxo_run {

// draxo-run's own exit statuses; otherwise it exits with the program's.
enum : int {
    status_pictures_differ = 120,
    status_script_not_played = 121,
    status_quit_ignored = draxo::status_quit_ignored,  // 122
    status_crashed = 123,
    status_timed_out = 124,
    status_cannot_run = draxo::status_cannot_run,  // 125
};

// How the program's process ended.
struct program_end {
    enum kind_t { exited, crashed, timed_out, ended_after_grace, interrupted } kind = exited;
    int exit_status = 0;  // with exited
    std::string crash;    // with crashed: the signal or exception, named
};

struct run_facts {
    program_end end;
    bool have_status = false;  // the program opened the package and the run file could be read
    draxo::run_file_status status{};
    double timeout_seconds = 0;
    double grace_seconds = 0;
    bool compared = false;  // --expect
    std::size_t differing = 0;
};

struct outcome {
    int exit_status = 0;
    bool programs_own = false;       // exit_status is the program's: it ended by itself, as asked
    std::vector<std::string> lines;  // what to say, without the "draxo-run: " prefix
};

// `program` names the program in the lines.
outcome decide(const run_facts& facts, const std::string& program);

}  // namespace draxo_run
