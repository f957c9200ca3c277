// Starting and finishing an unattended run, each subsystem through its own
// entry: the layer without a screen, the run file, the report and the
// pictures shown (surface), the console's capture (console), the script
// (events).
#include "unattended.h"

#include <cstdio>
#include <cstdlib>
#include <string>

#include "console/console.h"
#include "console/console_capture.h"
#include "events/unattended_script.h"
#include "settings.h"
#include "surface/run_file.h"
#include "surface/run_report.h"
#include "surface/shown_picture.h"
#include "window_system/window_system.h"

namespace draxo {
namespace {

struct unattended_run {
    bool started = false;
    unattended_settings settings;
};
unattended_run unattended;

[[noreturn]] void cannot_run(const std::string& what) {
    std::fprintf(stderr, "DRAXO: %s\n", what.c_str());
    std::exit(status_cannot_run);
}

const char* environment_value(const char* name) { return std::getenv(name); }

void finish(bool at_exit) {
    settle_unattended_script();
    const std::string& picture = unattended.settings.picture;
    std::string why_not;
    // Nothing shown is said once, at the end: a program may open the
    // package again and wait after a DRAXO_stop.
    bool nothing_shown = run_status().shown_version == 0;
    if (!picture.empty() && (shown_since_saved() || (nothing_shown && at_exit)) &&
        !save_shown_picture(picture, why_not)) {
        console_printf("Cannot save the picture: %s (%s)\n", why_not.c_str(), picture.c_str());
        std::fprintf(stderr, "DRAXO: cannot save the picture: %s (DRAXO_PICTURE=%s)\n", why_not.c_str(),
                     picture.c_str());
    }
    if (run_status().ending == ending_running) run_status().ending = ending_stopped;
    write_run_status();
}

void finish_at_exit() {
    if (unattended.settings.any()) finish(true);
}

[[noreturn]] void end_after_grace() {
    std::exit(status_quit_ignored);  // the end of the process finishes the run
}

}  // namespace

void start_unattended_run() {
    if (unattended.started) return;
    unattended.started = true;
    unattended_settings& s = unattended.settings = read_settings(environment_value);
    for (const std::string& problem : s.problems) std::fprintf(stderr, "DRAXO: %s\n", problem.c_str());
    if (!s.any()) return;
    if (s.headless) ws::set_headless();
    std::string why_not;
    if (!s.run_report.empty() && !open_run_report(s.run_report, why_not))
        cannot_run("cannot write the run's report to " + s.run_report + " (" + run_report_variable +
                   "): " + why_not);
    if (!keep_shown_pictures(s.run_file, why_not))
        cannot_run("cannot make the run file " + s.run_file + " (DRAXO_RUN_FILE): " + why_not);
    run_status().opened = 1;
    write_run_status();
    if (!s.console.empty() && !capture_console(s.console, why_not))
        cannot_run("cannot make the console file " + s.console + " (DRAXO_CONSOLE): " + why_not);
    if (run_report_open()) capture_console_through(report_console_line);
    if (!s.script.empty() && !open_unattended_script(s.script, s.grace_seconds, why_not))
        cannot_run("cannot read the script file " + s.script + " (DRAXO_SCRIPT): " + why_not);
    if (s.script.empty() && s.headless) play_no_script(s.grace_seconds);
    on_grace_over(end_after_grace);
    if (s.headless || !s.script.empty()) console.answer_gets = answer_gets_from_script;
}

void unattended_window_system_open() {
    static bool registered = false;
    if (registered || !unattended.settings.any()) return;
    registered = true;
    // After the window system's own end-of-process step was registered, so
    // that this one runs first, with the windows' pictures still there.
    std::atexit(finish_at_exit);
}

void finish_unattended_run() {
    if (unattended.settings.any()) finish(false);
}

void reset_unattended_run() {
    unattended = unattended_run{};
    console.answer_gets = nullptr;
    reset_unattended_script();
    reset_shown_pictures();
    stop_console_capture();
    close_run_report();
}

}  // namespace draxo
