// Opening the package once for a benchmark program: the windows shown, the
// console hidden, logging off, the frame cleared.
#pragma once

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
