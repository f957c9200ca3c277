#include "run_commands.h"

#include "console/console.h"
#include "run_menu.h"
#include "run_state.h"
#include "script.h"
#include "surface/display.h"

namespace draxo {

void run_command(unsigned id) {
    switch (id) {
    case CMD_ANIMATE: animation_running = true; break;
    case CMD_HALT: animation_running = false; break;
    case CMD_ADVANCE_FRAME:
        animation_running = false;
        single_step = true;
        break;
    case CMD_LOGGING:
        // Unlike DRAXO_set_logging, the console is neither shown nor hidden.
        logging = !logging;
        set_run_menu_check(CMD_LOGGING, logging);
        break;
    case CMD_RECORD_SCRIPT:
        if (recording) {
            recording = false;
            set_run_menu_check(CMD_RECORD_SCRIPT, false);
            end_recording();
        } else {
            recording = true;  // the file opens when the first event is recorded
            set_run_menu_check(CMD_RECORD_SCRIPT, true);
        }
        break;
    case CMD_PLAYBACK_SCRIPT:
        if (playing) {
            playing = false;
            set_run_menu_check(CMD_PLAYBACK_SCRIPT, false);
            close_script_file();
        } else {
            animation_running = false;
            single_step = false;
            playing = true;
            set_run_menu_check(CMD_PLAYBACK_SCRIPT, true);
        }
        break;
    case CMD_PLAY_ONE:
        play_one = true;
        animation_running = false;
        single_step = false;
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

void on_key_down(ws::wparam virtual_key) {
    if (virtual_key == ws::VK_CONTROL) {
        ctrl_down = 1;
        return;
    }
    unsigned command = shortcut_command(virtual_key);
    if (command && ctrl_down) run_command(command);
}

void on_key_up(ws::wparam virtual_key) {
    if (virtual_key == ws::VK_CONTROL) ctrl_down = 0;
}

void on_focus_lost(ws::window to) {
    if (to != main_window && to != console_window) ctrl_down = 0;
}

}  // namespace draxo
