// The layer's core, for the ports to POSIX systems (compiled only for
// those): the signals that ask a program to end (SIGTERM, SIGINT, SIGHUP).
// The first becomes a byte on a pipe that the backend's event loop watches,
// and from there the quit message, at every wait from then on; a program
// still running when the grace time is over (too busy to wait, or waiting on
// after its quit) is ended as the signal would have ended it, after the
// package's last words (wait_out_grace_time); a second signal ends it at
// once. The backend's part is only to watch the pipe's descriptor in its
// event loop (backend.h, watch_termination_signals).
#include <fcntl.h>
#include <pthread.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <thread>

#include "ws_core.h"

namespace draxo::ws {
namespace {

// Write ends for the signal handler, which can reach nothing but globals:
// the event loop's pipe and the watch's.
volatile int termination_write_end = -1;
volatile int watch_write_end = -1;
int termination_read_end = -1;
constexpr int termination_signals[] = {SIGTERM, SIGINT, SIGHUP};

// Runs in the signal handler: only what is safe there (write, sigaction,
// lock-free atomics). The signal's own handling is put back, so that a
// second one ends the program at once.
extern "C" void on_termination_signal(int signal_number) {
    int saved_errno = errno;
    struct sigaction default_action {};
    default_action.sa_handler = SIG_DFL;
    ::sigaction(signal_number, &default_action, nullptr);
    char byte = static_cast<char>(signal_number);
    if (watch_write_end >= 0) {
        [[maybe_unused]] ssize_t written = ::write(watch_write_end, &byte, 1);
    }
    if (termination_write_end >= 0) {
        [[maybe_unused]] ssize_t written = ::write(termination_write_end, &byte, 1);
    }
    errno = saved_errno;
}

// Ends the process as the signal does by default, from the watch's thread.
[[noreturn]] void end_as_signal_would(int signal_number) {
    struct sigaction default_action {};
    default_action.sa_handler = SIG_DFL;
    ::sigaction(signal_number, &default_action, nullptr);
    sigset_t only;
    sigemptyset(&only);
    sigaddset(&only, signal_number);
    pthread_sigmask(SIG_UNBLOCK, &only, nullptr);
    ::raise(signal_number);
    ::_exit(128 + signal_number);  // a signal whose default is not to end the process
}

// The watch: waits for a request, then gives the program its grace time
// to end by itself. Ending the process ends this thread too.
void watch_requests(int read_end) {
    char signal_number = 0;
    ssize_t count;
    while ((count = ::read(read_end, &signal_number, 1)) < 0 && errno == EINTR) {
    }
    if (count != 1) return;
    wait_out_grace_time();
    end_as_signal_would(signal_number);
}

bool make_pipe(int ends[2], bool nonblocking_read) {
    if (::pipe(ends) != 0) return false;
    for (int fd : {ends[0], ends[1]}) ::fcntl(fd, F_SETFD, FD_CLOEXEC);
    ::fcntl(ends[1], F_SETFL, ::fcntl(ends[1], F_GETFL) | O_NONBLOCK);  // the handler never waits
    if (nonblocking_read) ::fcntl(ends[0], F_SETFL, ::fcntl(ends[0], F_GETFL) | O_NONBLOCK);
    return true;
}

// The watch's thread takes no signal: they all go to the program's threads.
void start_watch() {
    int ends[2];
    if (!make_pipe(ends, false)) return;
    sigset_t all, previous;
    sigfillset(&all);
    pthread_sigmask(SIG_BLOCK, &all, &previous);
    std::thread(watch_requests, ends[0]).detach();
    pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    watch_write_end = ends[1];
}

}  // namespace

int watch_termination_signals() {
    if (termination_read_end >= 0) return termination_read_end;
    int loop_pipe[2];
    if (!make_pipe(loop_pipe, true)) return -1;
    termination_read_end = loop_pipe[0];
    termination_write_end = loop_pipe[1];
    start_watch();
    // A signal the program handles itself, or was started with ignored
    // (nohup), is left to it.
    for (int signal_number : termination_signals) {
        struct sigaction current {};
        if (::sigaction(signal_number, nullptr, &current) != 0 || current.sa_handler != SIG_DFL) continue;
        struct sigaction handler {};
        handler.sa_handler = on_termination_signal;
        sigemptyset(&handler.sa_mask);
        handler.sa_flags = SA_RESTART;
        ::sigaction(signal_number, &handler, nullptr);
    }
    return termination_read_end;
}

void termination_signalled() {
    char bytes[16];
    while (::read(termination_read_end, bytes, sizeof bytes) > 0) {
    }
    native_termination_requested();
}

}  // namespace draxo::ws
