// What every subsystem asks about the package as a whole: whether it is
// open, which window is its drawing window, and whether the calling thread
// is the one that uses it. Below every subsystem: this header includes none
// of them, and the display alone changes the facts, as it opens and closes.
#pragma once

#include "window_system/window_system.h"

namespace draxo {

struct package_facts {
    bool open = false;                    // between DRAXO_start and DRAXO_stop
    ws::window drawing_window = nullptr;  // made by the first DRAXO_start; it outlives a DRAXO_stop
};
extern package_facts package;

// The package is used from one thread: the first that calls any of its
// operations. A call from another thread is refused with a message on
// standard error naming it; the operation then returns 0 and touches nothing.
bool on_package_thread(const char* operation);

// The package is open and its drawing window has not been destroyed (by the
// close box, or by another program).
bool drawing_window_open();

}  // namespace draxo
