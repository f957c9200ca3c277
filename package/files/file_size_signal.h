// A write past the process's file-size limit (ulimit -f) raises SIGXFSZ,
// whose default ends the process. While one of these guards lives, the
// signal is held back from the thread and a write past the limit simply
// fails (errno EFBIG); the signal that write raised is then taken away, so
// that it never ends the program afterwards. Elsewhere than on Linux, and
// the like, there is no such signal and the guard does nothing: on Windows
// and under WebAssembly's system interface (__wasi__).
#pragma once

#if !defined(_WIN32) && !defined(__wasi__)
#define DRAXO_FILE_SIZE_SIGNAL 1
#include <csignal>
#endif

namespace draxo::files {

class file_size_signal_held {
public:
    file_size_signal_held();
    ~file_size_signal_held();
    file_size_signal_held(const file_size_signal_held&) = delete;
    file_size_signal_held& operator=(const file_size_signal_held&) = delete;

private:
#ifdef DRAXO_FILE_SIZE_SIGNAL
    sigset_t previous_mask_;
    bool pending_before_ = false;
#endif
};

}  // namespace draxo::files
