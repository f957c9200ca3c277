// Opening and closing the whole package: the window system, then each
// subsystem through its own entry, in the order the drawing window needs
// (its class, its creation with the Run menu and the origin, the console,
// the frame buffer, showing both windows, the timer). Closing leaves the
// windows on the screen; opening again takes them up again.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "console/console.h"
#include "draxo.h"
#include "events/event_wait.h"
#include "events/graphics_window.h"
#include "operation_guard.h"
#include "surface/display.h"
#include "unattended.h"

using namespace draxo;

extern "C" int DRAXO_start(HINSTANCE, HINSTANCE previous_instance, LPSTR, int show_command) try {
    if (!on_package_thread(__func__) || package.open) return 0;  // open already
    start_unattended_run();
    std::string why_not;
    // The drawing window must fit the screen, however dense.
    if (!ws::init(why_not, ws::extent{frame_width, frame_height})) {
        std::fprintf(stderr, "DRAXO: %s\n", why_not.c_str());
        std::exit(1);
    }
    unattended_window_system_open();
    // Classes registered by an earlier instance would be found here; on this
    // platform no other process can have registered them, so any that are
    // missing are registered whatever the previous instance says.
    if (!previous_instance || !ws::class_registered(drawing_class_name)) register_drawing_class();
    if (!previous_instance || !ws::class_registered(console_class_name)) register_console_class();

    ws::extent screen = ws::screen_size();
    open_event_control();
    // After a DRAXO_stop the windows are still there, and are opened again:
    // there is one drawing window and one console at any time.
    ws::window drawing_window =
        ws::is_window(package.drawing_window) ? package.drawing_window : create_drawing_window();
    open_console(screen);
    open_display(drawing_window);

    ws::show_window(console.console_window, show_command);
    ws::show_window(drawing_window, show_command);
    start_ticks(drawing_window);
    return 1;
} catch (...) {
    return operation_failed(__func__, 0);
}

extern "C" int DRAXO_stop(void) try {
    if (!on_package_thread(__func__) || !package.open) return 0;
    finish_unattended_run();
    close_display();
    close_event_control();
    return 1;
} catch (...) {
    return operation_failed(__func__, 0);
}
