// The Run menu's commands, their Ctrl shortcuts and the logging switch.
#include "run_commands.h"

#include "console/console.h"
#include "event_control.h"
#include "event_wait.h"
#include "input_events.h"
#include "operation_guard.h"
#include "run_menu.h"
#include "script.h"
#include "surface/display.h"

namespace draxo {

void run_command(unsigned id) {
    switch (id) {
    case CMD_ANIMATE: event_control.animation_running = true; break;
    case CMD_HALT: event_control.animation_running = false; break;
    case CMD_ADVANCE_FRAME:
        event_control.animation_running = false;
        event_control.single_step = true;
        break;
    case CMD_LOGGING:
        // Unlike DRAXO_set_logging, the console is neither shown nor hidden.
        console.logging = !console.logging;
        set_run_menu_check(CMD_LOGGING, console.logging);
        break;
    case CMD_RECORD_SCRIPT:
        if (event_control.recording)
            stop_recording();
        else
            start_recording();
        break;
    case CMD_PLAYBACK_SCRIPT:
        if (event_control.playing) {
            event_control.playing = false;
            set_run_menu_check(CMD_PLAYBACK_SCRIPT, false);
            close_script_file();
        } else if (may_play_back()) {
            event_control.animation_running = false;
            event_control.single_step = false;
            event_control.playing = true;
            set_run_menu_check(CMD_PLAYBACK_SCRIPT, true);
        }
        break;
    case CMD_PLAY_ONE:
        if (!may_play_back()) break;
        event_control.play_one = true;
        event_control.animation_running = false;
        event_control.single_step = false;
        break;
    case CMD_QUIT: ws::post_quit_message(0); break;
    default: break;
    }
}

namespace {

unsigned shortcut_command(ws::wparam virtual_key) {
    switch (virtual_key) {
    case 'A': return CMD_ANIMATE;
    case 'H': return CMD_HALT;
    case 'F': return CMD_ADVANCE_FRAME;
    case 'L': return CMD_LOGGING;
    case 'R': return CMD_RECORD_SCRIPT;
    case 'P': return CMD_PLAYBACK_SCRIPT;
    case 'O': return CMD_PLAY_ONE;
    case 'Q': return CMD_QUIT;
    default: return 0;
    }
}

}  // namespace

// The shortcuts come first: a key that runs a command is no game input.
void on_key_down(ws::wparam virtual_key) {
    unsigned command = shortcut_command(virtual_key);
    if (virtual_key == ws::VK_CONTROL)
        event_control.ctrl_down = 1;
    else if (command && event_control.ctrl_down) {
        run_command(command);
        return;
    }
    on_input_key_down(virtual_key);
}

void on_key_up(ws::wparam virtual_key) {
    if (virtual_key == ws::VK_CONTROL) event_control.ctrl_down = 0;
    on_input_key_up(virtual_key);
}

void on_focus_lost(ws::window to) {
    if (to == package.drawing_window || to == console.console_window) return;
    event_control.ctrl_down = 0;
    release_held_input();
}

void on_focus_gained() { event_control.ctrl_down = ws::key_held(ws::VK_CONTROL) ? 1 : 0; }

}  // namespace draxo

using namespace draxo;

extern "C" int DRAXO_set_logging(int flag) try {
    if (!on_package_thread(__func__) || !drawing_window_open()) return 0;
    console.logging = flag != 0;
    set_run_menu_check(CMD_LOGGING, console.logging);
    if (console.logging) show_console(1);
    return 1;
} catch (...) {
    return operation_failed(__func__, 0);
}
