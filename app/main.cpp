// The greeting card designer: compose a card from pictures and messages in
// the DRAXO drawing window.
#include <cstdint>
#include <ctime>

#include "designer.h"
#include "draxo.h"
#include "random_draw.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous_instance, LPSTR command_line, int show_command) {
    cards::designer_state state;
    cards::seed_random(static_cast<std::uint32_t>(std::time(nullptr)));
    DRAXO_start(instance, previous_instance, command_line, show_command);
    DRAXO_show_console(0);
    DRAXO_set_logging(0);
    DRAXO_clear_window();
    DRAXO_set_animation(DRAXO_ANIMATE_RUN);

    while (!state.done) {
        cards::draw_work_area(state);
        int x = 0, y = 0;
        char key = 0;
        switch (DRAXO_next_event(&x, &y, &key)) {
        case DRAXO_MOUSE: cards::handle_click(x, y, state); break;
        case DRAXO_QUIT: state.done = 1; break;
        default: break;  // keys and periodic events only redraw
        }
    }
    DRAXO_stop();
    return 0;
}
