// Holding SIGXFSZ back while the package writes a file.
#include "file_size_signal.h"

#ifdef DRAXO_FILE_SIZE_SIGNAL
#include <pthread.h>

#include <ctime>
#endif

namespace draxo::files {

#ifndef DRAXO_FILE_SIZE_SIGNAL

file_size_signal_held::file_size_signal_held() = default;
file_size_signal_held::~file_size_signal_held() = default;

#else

namespace {

sigset_t file_size_signal() {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGXFSZ);
    return set;
}

bool file_size_signal_pending() {
    sigset_t pending;
    sigemptyset(&pending);
    return sigpending(&pending) == 0 && sigismember(&pending, SIGXFSZ) == 1;
}

}  // namespace

file_size_signal_held::file_size_signal_held() {
    sigset_t held = file_size_signal();
    pthread_sigmask(SIG_BLOCK, &held, &previous_mask_);
    pending_before_ = file_size_signal_pending();
}

file_size_signal_held::~file_size_signal_held() {
    // A signal raised by a write here is this write's failure, already
    // reported through its result; one that was waiting before is left.
    if (!pending_before_ && file_size_signal_pending()) {
        sigset_t held = file_size_signal();
        timespec now{};
        sigtimedwait(&held, nullptr, &now);
    }
    pthread_sigmask(SIG_SETMASK, &previous_mask_, nullptr);
}

#endif

}  // namespace draxo::files
