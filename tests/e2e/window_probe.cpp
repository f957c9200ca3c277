// Opens the package in a real window and keeps it on the screen for a while,
// pumping its messages, so that end-to-end checks can look at the windows.
// Usage: window_probe SECONDS
#include <chrono>
#include <cstdlib>

#include "draxo.h"
#include "surface/display.h"
#include "window_system/window_system.h"

int main(int argc, char** argv) {
    double seconds = argc > 1 ? std::atof(argv[1]) : 5.0;
    static char command_line[] = "";
    DRAXO_start(nullptr, nullptr, command_line, draxo::ws::SW_SHOWNORMAL);
    DRAXO_clear_window();
    for (int i = 1; i <= 30; ++i) DRAXO_console_printf("Console line %d\n", i);
    auto until = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (std::chrono::steady_clock::now() < until) {
        draxo::ws::wait_message();  // the package's 100 ms timer wakes it
        draxo::ws::message m;
        if (draxo::ws::peek_message(m)) {
            if (m.id == draxo::ws::WM_QUIT) break;
            draxo::ws::translate_message(m);
            draxo::ws::dispatch_message(m);
        }
        if (draxo::display.frame_dirty) draxo::copy_to_screen();
    }
    DRAXO_stop();
    return 0;
}
