// Opening the package once for a benchmark program: the windows shown, the
// console hidden, logging off, the frame cleared; and the processor time the
// program has used.
#pragma once

#include <sys/resource.h>

#include "draxo.h"

inline void open_package_for_benchmarks() {
    static bool opened = [] {
        static char command_line[] = "";
        DRAXO_start(nullptr, nullptr, command_line, 1);
        DRAXO_show_console(0);
        DRAXO_set_logging(0);
        DRAXO_clear_window();
        return true;
    }();
    (void)opened;
}

// User and system time of the whole process so far, in seconds.
inline double processor_seconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}
