// The template backend: the porter's starting point, every entry of the
// backend contract (../backend.h) as a stub, one file a concern (app,
// windows, menus, dialog, images, text). Each stub says what the entry must
// do and which of the core's helpers does part of it; each does the least
// that keeps a program running, without a display: programs built on it
// show nothing. It is compiled in every test build, so that it keeps every
// entry of the contract, and the contract suite's cases that need no
// display pass on it (tests/contract/). To port the layer, copy this folder
// to one named for the platform, rename the files and the namespace, and
// replace the stubs one group at a time (docs/HACKING.md, "Writing a
// backend").
#pragma once

#include "../backend.h"

namespace draxo::ws::port {

// The native side of a window: here only whether it is shown. A port keeps
// its platform's window object here (or hangs it on window_record::native
// directly) and converts it in one helper, native_of.
struct native_window {
    bool visible = false;
};

inline native_window* native_of(window w) { return w ? static_cast<native_window*>(w->native) : nullptr; }

}  // namespace draxo::ws::port
