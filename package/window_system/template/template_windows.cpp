// Template backend: windows and putting their surfaces on the screen.
#include <algorithm>

#include "template_backend.h"

namespace draxo::ws::backend {

// Makes the native window, hidden, at w->outer (logical pixels, outer
// geometry), its client area below any menu bar. Before it returns it
// reports the client size with native_client_resized(w, client_size(w)):
// the core makes the window's surface of that size from it, and then sends
// the program its first WM_SIZE, with client_size(w), before create_window
// returns to the program. A port whose system lays windows out later
// measures the client size itself here, from the frame it will get.
void create_window(window w) {
    w->native = new port::native_window;
    native_client_resized(w, client_size(w));
}

// Hides and removes the native window; w->native becomes null. A window the
// system destroys on its own (another program, the session's end) is
// reported with native_window_destroyed instead.
void destroy_window(window w) {
    delete port::native_of(w);
    w->native = nullptr;
}

// Applies SW_HIDE, SW_SHOW, SW_SHOWNORMAL, ...: a window shown for the
// first time calls native_window_shown(w); later size changes by the user
// call native_client_resized. Returns whether it was visible before.
bool show_window(window w, int show_command) {
    port::native_window* n = port::native_of(w);
    if (!n) return false;
    bool was_visible = n->visible;
    n->visible = show_command != SW_HIDE;
    if (n->visible && !was_visible) native_window_shown(w);
    return was_visible;
}

bool window_visible(window w) {
    port::native_window* n = port::native_of(w);
    return n && n->visible;
}

// The client area's size, logical pixels (device pixels for a class with
// CS_DEVICE_PIXELS): the outer size less the frame and any menu bar.
extent client_size(window w) {
    return extent{std::max(0, w->outer.right - w->outer.left), std::max(0, w->outer.bottom - w->outer.top)};
}

// Hands `area` of w->surface (its pixels, right and bottom exclusive) to the
// screen, never waiting for it: a copy into the window's back buffer and a
// request to repaint. The core has already found what changed and keeps
// the copy the screen was given (ws_present.h): copy only what is handed.
void show_area(window, const rect&) {}

// The same, but the area (maybe empty) and everything handed before is on
// the screen when this returns: for present_now and the dialog's owner.
void present(window, const rect&) {}

// Asks for native_frame_due(w) once, delay_ms from now, from the poll: a
// one-shot timer of the system. The core then hands over what changed.
void schedule_frame(window, int) {}

}  // namespace draxo::ws::backend
