// The event-control state.
#include "event_control.h"

namespace draxo {

event_control_state event_control;

void reset_event_control() {
    if (event_control.script_file) std::fclose(event_control.script_file);
    event_control = event_control_state{};
}

}  // namespace draxo
