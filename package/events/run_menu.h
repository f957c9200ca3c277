// The Run menu of the drawing window. Check marks mirror package flags by
// command id: Logging, Record Script and Playback Script.
#pragma once

#include "event_control.h"
#include "window_system/window_system.h"

namespace draxo {

enum run_command : unsigned {
    CMD_ANIMATE = 1,
    CMD_HALT = 2,
    CMD_ADVANCE_FRAME = 3,
    CMD_LOGGING = 4,
    CMD_RECORD_SCRIPT = 5,
    CMD_PLAYBACK_SCRIPT = 6,
    CMD_PLAY_ONE = 7,
    CMD_QUIT = 8,
    CMD_ABOUT = 9,  // the grayed lines; no command handles it
};

// Builds the menu bar with its one popup, Run, and attaches it to the window.
void build_run_menu(ws::window w);
// Sets or clears the check mark of a command.
void set_run_menu_check(unsigned command, bool checked);

}  // namespace draxo
