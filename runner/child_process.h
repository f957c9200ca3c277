// The program draxo-run runs: started with the environment draxo-run has
// set and the writing end of a pipe for the package's report of the run
// (its number in DRAXO_RUN_REPORT, surface/run_file.h), its standard input
// the null device (there is nobody to type), its output draxo-run's own;
// watched until it ends. Nothing it started outlives the run: at its end
// draxo-run ends the program, if it still runs, and every process it
// started, however far they went from it (a process group or session of
// their own), and they end too when draxo-run itself is killed. One
// implementation for each platform: child_process_posix.cpp,
// child_process_win32.cpp.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

namespace draxo_run {

// What the program's package reports, handed on as it comes.
class report_sink {
public:
    virtual void take(const char* bytes, std::size_t size) = 0;

protected:
    ~report_sink() = default;
};

class child_process {
public:
    child_process();
    ~child_process();
    child_process(const child_process&) = delete;
    child_process& operator=(const child_process&) = delete;

    // Starts the program: command[0], found as the system's shell would
    // find it, with the rest as its arguments. False, with the reason.
    bool start(const std::vector<std::string>& command, std::string& why_not);
    // Waits at most `milliseconds` (-1: as long as it takes) for it to end,
    // or for more of its report, which goes to `report`; true once it has
    // ended. A request to stop draxo-run ends the wait too.
    bool wait_for(int milliseconds, report_sink& report);
    // Ends it, if it still runs, and everything it started, then hands the
    // rest of its report to `report`: the end of every run.
    void end(report_sink& report);
    // Once it has ended: whether it crashed, and how (a signal, or an
    // exception, named), or else its exit status.
    bool crashed() const;
    std::string crash() const;
    int exit_status() const;

private:
    struct state;
    std::unique_ptr<state> state_;
};

// Where the system allows it (Linux), draxo-run runs in two processes: the
// one the user started only waits for a second one, which does the run, and
// exits as it does; killed outright (SIGKILL), it has the second end the run
// as if interrupted, and whatever is left of the program's processes once
// the second has ended, that one being killed too, ends with the first.
// Returns in the process that does the run; elsewhere it does nothing.
void keep_watch_over_the_run();
// Sets or removes (value null) a variable of draxo-run's environment, which
// the program inherits.
void set_environment(const char* name, const char* value);
// draxo-run was asked to stop (Ctrl+C, a termination request); from the
// first call on, such requests are noted instead of ending draxo-run.
bool asked_to_stop();
// draxo-run's own writes fail, with a reason, instead of ending it: on a
// pipe nobody reads any more, past a file-size limit.
void write_failures_are_errors();

}  // namespace draxo_run
