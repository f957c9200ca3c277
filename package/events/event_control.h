// Event control: what decides the events the wait delivers, shared by the
// event wait, the Run menu and its commands, and the script recorder and
// player: the event being assembled, animation and single steps, the quit,
// recording and playback and the script file's stream.
#pragma once

#include <cstdio>

#include "window_system/window_system.h"

namespace draxo {

// The data of the event being assembled by the wait.
struct event_record {
    int x = 0;
    int y = 0;
    char key = 0;
    // Asked for with DRAXO_set_input (input_events.h); 0 otherwise.
    int key_code = 0;   // the key pressed or released, or the typed character's key
    int button = 0;     // the button pressed or released (1 left, 2 right, 3 middle)
    int buttons = 0;    // the buttons held after the event (bit button - 1)
    int modifiers = 0;  // DRAXO_SHIFT, DRAXO_CTRL, DRAXO_ALT
    bool repeat = false;
};

// Keys are told by codes below this (draxo.h's DRAXO_KEY_... and letters and digits).
constexpr int key_code_limit = 256;

constexpr int no_event = -1;  // pending_event while no event has been produced

enum class script_mode { closed, writing, reading };

struct event_control_state {
    int pending_event = no_event;    // kind of the event being assembled
    event_record last_event;         // its data
    int tick_arrived = 0;            // a timer message was processed since the last arming
    bool animation_running = false;  // arm a periodic event in every wait
    bool single_step = false;        // arm one periodic event, then clear itself
    bool quit_requested = false;     // every wait returns DRAXO_QUIT; never cleared
    bool recording = false;          // the Run menu's Record Script
    bool playing = false;            // the Run menu's Playback Script
    bool play_one = false;           // play the next script event
    int periodic_run = 0;            // run-length counter of periodic events
    int ctrl_down = 0;               // the Ctrl key is held
    ws::menu run_menu = nullptr;     // the Run popup; its marks mirror logging, recording, playing
    // Game input (input_events.h): what the program asked for, the keys and
    // buttons held as the delivered events tell, and the last event returned.
    int input_flags = 0;                  // DRAXO_INPUT_KEYS, DRAXO_INPUT_MOUSE
    bool key_down[key_code_limit] = {};   // by key code
    int buttons_down = 0;                 // bit button - 1
    ws::lparam last_mouse_position = 0;   // client pixels of the last mouse message
    bool key_types_character = false;     // the key-down being dispatched is followed by its character
    int message_modifiers = -1;           // ws::HELD_* of the message being dispatched, -1 unknown
    int typed_key_code = 0;               // the key of the character about to arrive
    event_record returned_event;          // what the queries tell
    unsigned periodic_interval_ms = 100;  // the timer's period
    // The one stream of the script file, shared by recording and playback:
    // the first operation that needs it opens it for writing or for reading.
    std::FILE* script_file = nullptr;
    script_mode script_file_mode = script_mode::closed;
};
extern event_control_state event_control;

// Back to the state at program start (for tests; an open script file is closed).
void reset_event_control();

}  // namespace draxo
