// The program's process on POSIX systems: a process group of its own, so
// that ending the group ends what it started there; on Linux, draxo-run a
// subreaper (PR_SET_CHILD_SUBREAPER), so that the processes it started that
// left the group, once orphaned, become draxo-run's own children and can be
// found and ended too, and the program ended by the system when draxo-run
// ends (PR_SET_PDEATHSIG). Its end and its report are awaited together with
// ppoll, which SIGCHLD interrupts, so that either is seen at once.
#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>
#ifdef __linux__
#include <sys/prctl.h>
#endif

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <iterator>
#include <vector>

#include "child_process.h"
#include "surface/run_file.h"

namespace draxo_run {
namespace {

using steady = std::chrono::steady_clock;

volatile sig_atomic_t stop_requested = 0;
volatile sig_atomic_t worker_process = 0;  // in the watching process: the one that does the run

extern "C" void on_stop_request(int) { stop_requested = 1; }
extern "C" void on_child_ended(int) {}
extern "C" void pass_on_stop_request(int number) {
    if (worker_process > 0) ::kill(static_cast<pid_t>(worker_process), number);
}

// The most time the end of a run waits for processes that do not end when
// killed (one in the middle of a system call that cannot be interrupted),
// and for a report still held open by a process that is not ours.
constexpr auto ending_patience = std::chrono::seconds(2);

sigset_t child_signal() {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGCHLD);
    return set;
}

// Names of the signals a crash ends a program with, as users meet them.
std::string signal_name(int number) {
    struct named {
        int number;
        const char* name;
        const char* meaning;
    };
    static const named names[] = {
        {SIGSEGV, "SIGSEGV", "segmentation fault: memory that is not the program's"},
        {SIGABRT, "SIGABRT", "aborted: abort(), a failed assert or an uncaught exception"},
        {SIGFPE, "SIGFPE", "arithmetic error, such as a division by zero"},
        {SIGILL, "SIGILL", "illegal instruction"},
        {SIGBUS, "SIGBUS", "bus error"},
        {SIGTRAP, "SIGTRAP", "trap"},
        {SIGKILL, "SIGKILL", "killed"},
        {SIGTERM, "SIGTERM", "terminated"},
        {SIGINT, "SIGINT", "interrupted"},
        {SIGHUP, "SIGHUP", "hang-up"},
        {SIGPIPE, "SIGPIPE", "broken pipe"},
        {SIGSYS, "SIGSYS", "bad system call"},
        {SIGXCPU, "SIGXCPU", "processor time limit exceeded"},
        {SIGXFSZ, "SIGXFSZ", "file size limit exceeded"},
    };
    for (const named& n : names)
        if (n.number == number) return std::string(n.name) + " (" + n.meaning + ")";
    return "signal " + std::to_string(number);
}

// The children of this process, from the system's process table.
std::vector<pid_t> own_children() {
    std::vector<pid_t> children;
    DIR* processes = ::opendir("/proc");
    if (!processes) return children;
    pid_t self = ::getpid();
    while (dirent* entry = ::readdir(processes)) {
        if (entry->d_name[0] < '1' || entry->d_name[0] > '9') continue;
        std::ifstream stat(std::string("/proc/") + entry->d_name + "/stat");
        std::string line((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
        // "pid (name) state ppid ...": the name may hold anything, ")" too.
        std::size_t name_end = line.rfind(')');
        if (name_end == std::string::npos) continue;
        char state = 0;
        long parent = 0;
        if (std::sscanf(line.c_str() + name_end + 1, " %c %ld", &state, &parent) == 2 && parent == self)
            children.push_back(static_cast<pid_t>(std::atol(entry->d_name)));
    }
    ::closedir(processes);
    return children;
}

// Reaps the children that have ended, except `keep` (left as it is, to be
// reaped later with its status).
void reap_ended_children(pid_t keep) {
    for (;;) {
        siginfo_t ended{};
        if (::waitid(P_ALL, 0, &ended, WEXITED | WNOHANG | WNOWAIT) != 0 || ended.si_pid == 0 ||
            ended.si_pid == keep)
            return;
        ::waitpid(ended.si_pid, nullptr, 0);
    }
}

// Ends every child this process has but `keep`, and what they started,
// reaping them: the processes a program started that outlived it became
// this process's children (as a subreaper's), each in turn as its parent is
// ended. Waits for SIGCHLD, which is blocked; gives up after a while on
// processes that do not end.
void end_every_child(pid_t keep) {
    steady::time_point give_up = steady::now() + ending_patience;
    for (;;) {
        reap_ended_children(keep);
        std::vector<pid_t> children = own_children();
        bool any = false;
        for (pid_t child : children) {
            if (child == keep) continue;
            ::kill(child, SIGKILL);
            any = true;
        }
        if (!any || steady::now() >= give_up) return;
        sigset_t ended = child_signal();
        timespec moment{0, 20 * 1000000L};
        ::sigtimedwait(&ended, nullptr, &moment);
    }
}

}  // namespace

struct child_process::state {
    pid_t pid = -1;
    bool ended = false;   // seen ended, perhaps not yet reaped
    bool reaped = false;  // its status taken
    int wait_status = 0;
    int report = -1;  // the reading end of the report's pipe
};

namespace {

// Hands what the pipe holds to `report`, as far as one read goes: 0 at its
// end (every writer has closed it), -1 on failure.
long read_report(int pipe, report_sink& report) {
    static std::vector<char> bytes(std::size_t{1} << 20);  // as much as the pipe holds
    ssize_t got;
    do got = ::read(pipe, bytes.data(), bytes.size());
    while (got < 0 && errno == EINTR);
    if (got > 0) report.take(bytes.data(), static_cast<std::size_t>(got));
    return static_cast<long>(got);
}

// Waits for the report until `wait` is over (null: for as long as it
// takes), SIGCHLD let through meanwhile, so that the program's end ends the
// wait at once.
int wait_for_report_or_end(pollfd* watched, nfds_t count, const timespec* wait) {
    sigset_t child_signal_let_through;
    sigprocmask(SIG_BLOCK, nullptr, &child_signal_let_through);
    sigdelset(&child_signal_let_through, SIGCHLD);
    return ::ppoll(watched, count, wait, &child_signal_let_through);
}

// Where the report goes once nobody wants it.
struct nowhere : report_sink {
    void take(const char*, std::size_t) override {}
};

}  // namespace

child_process::child_process() : state_(std::make_unique<state>()) {}

child_process::~child_process() {
    nowhere ignored;
    if (state_->pid > 0 && !state_->reaped) end(ignored);
    if (state_->report >= 0) ::close(state_->report);
}

bool child_process::start(const std::vector<std::string>& command, std::string& why_not) {
#ifdef __linux__
    ::prctl(PR_SET_CHILD_SUBREAPER, 1);
#endif
    // SIGCHLD is blocked, and let through only while ppoll or sigtimedwait
    // waits for it; a handler of its own makes it interrupt ppoll.
    sigset_t blocked = child_signal();
    sigprocmask(SIG_BLOCK, &blocked, nullptr);
    struct sigaction on_end {};
    on_end.sa_handler = on_child_ended;
    sigemptyset(&on_end.sa_mask);
    ::sigaction(SIGCHLD, &on_end, nullptr);

    // The report's pipe: the program inherits its writing end, by number.
    int report[2];
    if (::pipe(report) != 0) {
        why_not = std::strerror(errno);
        return false;
    }
    ::fcntl(report[0], F_SETFD, FD_CLOEXEC);
    ::fcntl(report[1], F_SETFD, FD_CLOEXEC);  // the program's only: inherited by it alone, below
#ifdef F_SETPIPE_SZ
    ::fcntl(report[1], F_SETPIPE_SZ, 1 << 20);  // room for a whole picture, where the system allows it
#endif
    set_environment(draxo::run_report_variable, std::to_string(report[1]).c_str());

    // The child reports a failed exec through this pipe, closed on exec.
    int failure[2];
    if (::pipe(failure) != 0) {
        why_not = std::strerror(errno);
        ::close(report[0]);
        ::close(report[1]);
        return false;
    }
    ::fcntl(failure[1], F_SETFD, FD_CLOEXEC);
    std::vector<char*> argv;
    for (const std::string& argument : command) argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);

    pid_t parent = ::getpid();
    pid_t pid = ::fork();
    if (pid < 0) {
        why_not = std::strerror(errno);
        for (int fd : {report[0], report[1], failure[0], failure[1]}) ::close(fd);
        return false;
    }
    if (pid == 0) {
        ::close(failure[0]);
        ::setpgid(0, 0);
#ifdef __linux__
        // Killed with draxo-run: also when that is killed outright.
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (::getppid() != parent) ::_exit(127);  // it already was
#endif
        (void)parent;
        sigset_t none;
        sigemptyset(&none);
        sigprocmask(SIG_SETMASK, &none, nullptr);
        for (int number : {SIGINT, SIGTERM, SIGHUP, SIGPIPE, SIGXFSZ, SIGCHLD}) ::signal(number, SIG_DFL);
        int null_device = ::open("/dev/null", O_RDONLY);
        if (null_device >= 0) ::dup2(null_device, 0);
        ::fcntl(report[1], F_SETFD, 0);
        ::execvp(argv[0], argv.data());
        int error = errno;
        [[maybe_unused]] ssize_t written = ::write(failure[1], &error, sizeof error);
        ::_exit(127);
    }
    ::setpgid(pid, pid);  // also here: whichever of the two runs first
    ::close(failure[1]);
    ::close(report[1]);
    int error = 0;
    ssize_t got;
    do got = ::read(failure[0], &error, sizeof error);
    while (got < 0 && errno == EINTR);
    ::close(failure[0]);
    state_->pid = pid;
    state_->report = report[0];
    if (got == sizeof error) {
        nowhere ignored;
        end(ignored);
        state_->pid = -1;
        why_not = std::strerror(error);
        return false;
    }
    return true;
}

bool child_process::wait_for(int milliseconds, report_sink& report) {
    if (state_->ended) return true;
    if (state_->pid <= 0) return false;
    steady::time_point until = steady::now() + std::chrono::milliseconds(milliseconds < 0 ? 0 : milliseconds);
    for (;;) {
        // Seen without reaping it: until it is reaped, its number is not
        // given to another process, and its process group can be ended.
        siginfo_t ended{};
        if (::waitid(P_PID, static_cast<id_t>(state_->pid), &ended, WEXITED | WNOHANG | WNOWAIT) == 0 &&
            ended.si_pid == state_->pid) {
            state_->ended = true;
            return true;
        }
        reap_ended_children(state_->pid);  // orphans it left that ended
        steady::time_point now = steady::now();
        if ((milliseconds >= 0 && now >= until) || stop_requested) return false;
        // Until the report brings something, the program ends (SIGCHLD) or
        // `until` comes.
        bool watching = state_->report >= 0;
        steady::time_point wake = milliseconds < 0 ? steady::time_point::max() : until;
        pollfd watched{state_->report, POLLIN, 0};
        auto left = std::chrono::duration_cast<std::chrono::microseconds>(wake - now);
        timespec wait{static_cast<time_t>(left.count() / 1000000),
                      static_cast<long>(left.count() % 1000000) * 1000};
        int ready = wait_for_report_or_end(&watched, watching ? 1 : 0,
                                           wake == steady::time_point::max() ? nullptr : &wait);
        if (ready > 0) {
            if (read_report(state_->report, report) > 0) return false;
            ::close(state_->report);  // every writer has closed it
            state_->report = -1;
        }
    }
}

void child_process::end(report_sink& report) {
    if (state_->pid > 0 && !state_->reaped) {
        // Its group, while its number is still its own, then itself in case
        // it left the group.
        ::kill(-state_->pid, SIGKILL);
        ::kill(state_->pid, SIGKILL);
        int status = 0;
        while (::waitpid(state_->pid, &status, 0) < 0 && errno == EINTR) {
        }
        state_->wait_status = status;
        state_->ended = state_->reaped = true;
    }
    end_every_child(-1);
    // With every writer gone the pipe ends; one held by a process not ours
    // (handed on through a socket) is given up after a while.
    steady::time_point give_up = steady::now() + ending_patience;
    while (state_->report >= 0 && steady::now() < give_up) {
        pollfd watched{state_->report, POLLIN, 0};
        if (::poll(&watched, 1, 100) <= 0) continue;
        if (read_report(state_->report, report) <= 0) break;
        give_up = steady::now() + ending_patience;
    }
    if (state_->report >= 0) ::close(state_->report);
    state_->report = -1;
}

bool child_process::crashed() const { return state_->reaped && WIFSIGNALED(state_->wait_status); }

std::string child_process::crash() const { return signal_name(WTERMSIG(state_->wait_status)); }

int child_process::exit_status() const {
    return state_->reaped && WIFEXITED(state_->wait_status) ? WEXITSTATUS(state_->wait_status) : 0;
}

void keep_watch_over_the_run() {
#ifdef __linux__
    if (::prctl(PR_SET_CHILD_SUBREAPER, 1) != 0) return;
    pid_t watcher = ::getpid();
    sigset_t blocked = child_signal();
    sigprocmask(SIG_BLOCK, &blocked, nullptr);
    pid_t worker = ::fork();
    if (worker < 0) return;  // then the run is done in this process alone
    if (worker == 0) {
        // Told when the watching process is gone, as a request to stop.
        ::prctl(PR_SET_PDEATHSIG, SIGTERM);
        if (::getppid() != watcher) ::raise(SIGTERM);
        return;
    }
    worker_process = worker;
    struct sigaction pass_on {};
    pass_on.sa_handler = pass_on_stop_request;
    sigemptyset(&pass_on.sa_mask);
    for (int number : {SIGINT, SIGTERM, SIGHUP}) ::sigaction(number, &pass_on, nullptr);
    int status = 0;
    for (;;) {
        int any = 0;
        pid_t ended = ::waitpid(-1, &any, 0);
        if (ended == worker) {
            status = any;
            break;
        }
        if (ended < 0 && errno != EINTR) break;
    }
    end_every_child(-1);
    if (WIFEXITED(status)) ::_exit(WEXITSTATUS(status));
    // Ended by a signal: so is this one, as the user would see it.
    ::signal(WTERMSIG(status), SIG_DFL);
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
    ::raise(WTERMSIG(status));
    ::_exit(128 + WTERMSIG(status));
#endif
}

void set_environment(const char* name, const char* value) {
    if (value)
        ::setenv(name, value, 1);
    else
        ::unsetenv(name);
}

bool asked_to_stop() {
    static bool watching = false;
    if (!watching) {
        watching = true;
        struct sigaction action {};
        action.sa_handler = on_stop_request;
        sigemptyset(&action.sa_mask);
        for (int number : {SIGINT, SIGTERM, SIGHUP}) ::sigaction(number, &action, nullptr);
    }
    return stop_requested != 0;
}

void write_failures_are_errors() {
    ::signal(SIGPIPE, SIG_IGN);
    ::signal(SIGXFSZ, SIG_IGN);
}

}  // namespace draxo_run
