// Inside the window-system layer's core: its state, in one record, and the
// pieces its files share. Nothing outside window_system/ includes this.
#pragma once

#include <atomic>
#include <deque>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "backend.h"

namespace draxo::ws {

struct window_class {
    unsigned style = 0;
    window_proc proc = nullptr;
    colorref background = 0xFFFFFF;
};

struct timer_record {
    window w = nullptr;
    unsigned id = 0;
    bool due = false;
};

struct core_state {
    // The thread that uses the layer, claimed by the first call that asks.
    std::atomic<std::thread::id> owner{};
    // init's answer, once asked: 0 not yet, 1 open, -1 no display.
    int opened = 0;
    std::string why_not_opened;
    bool headless = false;  // no screen: see ws::set_headless
    std::map<std::string, window_class> classes;
    // Windows and menus are never freed while the process runs: their
    // handles stay valid (if dead), so a stale handle can never dangle.
    std::vector<window> windows;
    std::vector<menu> menus;
    std::vector<dialog> open_dialogs;  // innermost last
    std::deque<message> queue;
    std::vector<timer_record> timers;
    bool quit_posted = false;
    int quit_code = 0;
    // Once the system asked the program to end, the quit message comes
    // again each time it is taken: a program that ignores its quit and waits
    // on gets it at every wait until its grace time is over.
    bool ending = false;
    // Read by the backend's termination watch from another thread.
    std::atomic<void (*)()> last_words{nullptr};
    // The character each virtual key produced when it was last pressed, as
    // the keyboard state would tell (-1: none yet). A key-down posted from
    // one window to another carries no native character; translating it
    // looks the character up here.
    int last_character[256];
    core_state();
};

// The one instance. It is never destroyed, so that nothing it holds is torn
// down while native objects still refer to it.
core_state& core();

// Copies the overlapping top-left part of one image into another.
void copy_image(image from, image to);
// The window is being destroyed: open dialogs it owns end without a result.
void end_dialogs_owned_by(window w);
// A message can be taken without waiting.
bool message_ready();

}  // namespace draxo::ws
