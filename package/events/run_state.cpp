#include "run_state.h"

namespace draxo {

int pending_event = no_event;
event_record last_event;
int tick_arrived = 0;
bool animation_running = false;
bool single_step = false;
bool quit_requested = false;
bool recording = false;
bool playing = false;
bool play_one = false;
int periodic_run = 0;
int ctrl_down = 0;

}  // namespace draxo
