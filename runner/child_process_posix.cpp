// The program's process on POSIX systems: a process group of its own, so
// that ending it ends what it started; waited for with SIGCHLD, so that its
// end is seen at once.
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "child_process.h"

namespace draxo_run {
namespace {

volatile sig_atomic_t stop_requested = 0;

extern "C" void on_stop_request(int) { stop_requested = 1; }

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

}  // namespace

struct child_process::state {
    pid_t pid = -1;
    bool ended = false;
    int wait_status = 0;
};

child_process::child_process() : state_(std::make_unique<state>()) {}

child_process::~child_process() {
    if (state_->pid > 0 && !state_->ended) {
        kill();
        wait_for(-1);
    }
}

bool child_process::start(const std::vector<std::string>& command, std::string& why_not) {
    // SIGCHLD is blocked, and taken by sigtimedwait in wait_for.
    sigset_t child_signal;
    sigemptyset(&child_signal);
    sigaddset(&child_signal, SIGCHLD);
    sigprocmask(SIG_BLOCK, &child_signal, nullptr);

    // The child reports a failed exec through this pipe, closed on exec.
    int report[2];
    if (::pipe(report) != 0) {
        why_not = std::strerror(errno);
        return false;
    }
    ::fcntl(report[1], F_SETFD, FD_CLOEXEC);
    std::vector<char*> argv;
    for (const std::string& argument : command) argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);

    pid_t pid = ::fork();
    if (pid < 0) {
        why_not = std::strerror(errno);
        ::close(report[0]);
        ::close(report[1]);
        return false;
    }
    if (pid == 0) {
        ::close(report[0]);
        ::setpgid(0, 0);
        sigset_t none;
        sigemptyset(&none);
        sigprocmask(SIG_SETMASK, &none, nullptr);
        for (int number : {SIGINT, SIGTERM, SIGHUP}) ::signal(number, SIG_DFL);
        int null_device = ::open("/dev/null", O_RDONLY);
        if (null_device >= 0) ::dup2(null_device, 0);
        ::execvp(argv[0], argv.data());
        int error = errno;
        [[maybe_unused]] ssize_t written = ::write(report[1], &error, sizeof error);
        ::_exit(127);
    }
    ::setpgid(pid, pid);  // also here: whichever of the two runs first
    ::close(report[1]);
    int error = 0;
    ssize_t got;
    do got = ::read(report[0], &error, sizeof error);
    while (got < 0 && errno == EINTR);
    ::close(report[0]);
    state_->pid = pid;
    if (got == sizeof error) {
        wait_for(-1);
        state_->pid = -1;
        why_not = std::strerror(error);
        return false;
    }
    return true;
}

bool child_process::wait_for(int milliseconds) {
    if (state_->ended) return true;
    if (state_->pid <= 0) return false;
    for (;;) {
        int status = 0;
        pid_t done = ::waitpid(state_->pid, &status, WNOHANG);
        if (done == state_->pid) {
            state_->ended = true;
            state_->wait_status = status;
            return true;
        }
        if (milliseconds == 0) return false;
        sigset_t child_signal;
        sigemptyset(&child_signal);
        sigaddset(&child_signal, SIGCHLD);
        if (milliseconds < 0) {
            int taken;
            sigwait(&child_signal, &taken);
            continue;
        }
        timespec wait{milliseconds / 1000, (milliseconds % 1000) * 1000000L};
        if (sigtimedwait(&child_signal, nullptr, &wait) < 0 && errno == EAGAIN) {
            milliseconds = 0;  // one last look
        }
        if (stop_requested) milliseconds = 0;
    }
}

void child_process::kill() {
    if (state_->pid > 0 && !state_->ended) ::kill(-state_->pid, SIGKILL);
}

bool child_process::crashed() const { return state_->ended && WIFSIGNALED(state_->wait_status); }

std::string child_process::crash() const { return signal_name(WTERMSIG(state_->wait_status)); }

int child_process::exit_status() const {
    return state_->ended && WIFEXITED(state_->wait_status) ? WEXITSTATUS(state_->wait_status) : 0;
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

}  // namespace draxo_run
