// Run-control state shared by the event wait, the Run menu commands and the
// script recorder and player.
#pragma once

namespace draxo {

// The data of the event being assembled by the wait.
struct event_record {
    int x = 0;
    int y = 0;
    char key = 0;
};

constexpr int no_event = -1;  // pending_event while no event has been produced

extern int pending_event;
extern event_record last_event;
extern int tick_arrived;  // a timer message was processed since the last arming
extern bool animation_running;
extern bool single_step;
extern bool quit_requested;
extern bool recording;
extern bool playing;
extern bool play_one;
extern int periodic_run;  // run-length counter of periodic events
extern int ctrl_down;     // the Ctrl key is held

}  // namespace draxo
