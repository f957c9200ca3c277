// Deciding draxo-run's exit status and what it says about a run.
#include "outcome.h"

#include <cstdio>

namespace draxo_run {
namespace {

std::string seconds(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%g s", value);
    return text;
}

std::string how_it_ended(const run_facts& f, const std::string& program) {
    switch (f.end.kind) {
    case program_end::crashed: return program + " crashed: " + f.end.crash;
    case program_end::timed_out:
        return program + " was still running after " + seconds(f.timeout_seconds) + " and was ended";
    case program_end::ended_after_grace:
        return program + " did not end within " + seconds(f.grace_seconds) +
               " of its quit at the end of the script, and was ended";
    case program_end::interrupted: return "draxo-run was interrupted, and " + program + " was ended";
    case program_end::exited: break;
    }
    if (f.have_status && f.status.ending == draxo::ending_quit_ignored)
        return program + " did not end within " + seconds(f.grace_seconds) +
               " of its quit at the end of the script: it was still waiting for events, and was ended";
    return program + " ended with status " + std::to_string(f.end.exit_status);
}

bool played_to_its_end(const run_facts& f) { return f.have_status && f.status.script == draxo::script_played; }

std::string how_far(const run_facts& f) {
    if (!f.have_status) return "the program never opened the package: the script was not played";
    std::string played =
        std::to_string(f.status.events_played) + " of its " + std::to_string(f.status.events_total) + " events";
    if (played_to_its_end(f)) return "the script was played to its end: " + played;
    if (f.status.script == draxo::script_stopped) {
        if (f.status.stopped_line > 0)
            return "the script stops at line " + std::to_string(f.status.stopped_line) +
                   ", which is of no known kind: " + played + " were played";
        return "the script could not be read to its end: " + played + " were played";
    }
    return "the script was not played to its end: " + played + " were played";
}

}  // namespace

outcome decide(const run_facts& f, const std::string& program) {
    outcome o;
    o.lines.push_back(how_it_ended(f, program));
    o.lines.push_back(how_far(f));
    bool quit_ignored =
        f.end.kind == program_end::ended_after_grace ||
        (f.end.kind == program_end::exited && f.have_status && f.status.ending == draxo::ending_quit_ignored);
    if (f.end.kind == program_end::interrupted)
        o.exit_status = status_cannot_run;
    else if (f.end.kind == program_end::crashed)
        o.exit_status = status_crashed;
    else if (f.end.kind == program_end::timed_out)
        o.exit_status = status_timed_out;
    else if (quit_ignored)
        o.exit_status = status_quit_ignored;
    else if (!played_to_its_end(f))
        o.exit_status = status_script_not_played;
    else if (f.compared && f.differing > 0)
        o.exit_status = status_pictures_differ;
    else {
        o.exit_status = f.end.exit_status;
        o.programs_own = true;
    }
    return o;
}

}  // namespace draxo_run
