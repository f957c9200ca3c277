// The program draxo-run runs: started with the environment draxo-run has
// set, its standard input the null device (there is nobody to type), its
// output draxo-run's own; watched until it ends; ended at once, with
// whatever it started, when draxo-run says so. One implementation for each
// platform: child_process_posix.cpp, child_process_win32.cpp.
#pragma once

#include <memory>
#include <string>
#include <vector>

namespace draxo_run {

class child_process {
public:
    child_process();
    ~child_process();
    child_process(const child_process&) = delete;
    child_process& operator=(const child_process&) = delete;

    // Starts the program: command[0], found as the system's shell would
    // find it, with the rest as its arguments. False, with the reason.
    bool start(const std::vector<std::string>& command, std::string& why_not);
    // Waits at most `milliseconds` for it to end; true once it has ended.
    bool wait_for(int milliseconds);
    // Ends it now, and what it started.
    void kill();
    // Once it has ended: whether it crashed, and how (a signal, or an
    // exception, named), or else its exit status.
    bool crashed() const;
    std::string crash() const;
    int exit_status() const;

private:
    struct state;
    std::unique_ptr<state> state_;
};

// Sets or removes (value null) a variable of draxo-run's environment, which
// the program inherits.
void set_environment(const char* name, const char* value);
// draxo-run was asked to stop (Ctrl+C, a termination request); from the
// first call on, such requests are noted instead of ending draxo-run.
bool asked_to_stop();

}  // namespace draxo_run
