// The greeting card designer: compose a card from pictures and messages in
// the DRAXO drawing window, and keep it as a card file and a picture.
//   draxo-card-designer [CARD_FILE]
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>

#include "command_line.h"
#include "designer.h"
#include "draxo.h"
#include "random_draw.h"
#include "saving.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous_instance, LPSTR command_line, int show_command) {
    cards::designer_start start = cards::read_designer_arguments(cards::split_command_line(command_line));
    if (start.what == cards::designer_start::show_usage) {
        std::fputs(cards::designer_usage, stdout);
        return 0;
    }
    if (start.what == cards::designer_start::refuse) {
        std::fprintf(stderr, "draxo-card-designer: %s\n%s", start.problem.c_str(), cards::designer_usage);
        return 2;
    }
    cards::designer_state state;
    cards::open_card_file(start.card_file, state);
    cards::seed_random(
        cards::starting_seed(std::getenv("DRAXO_SEED"), static_cast<std::uint32_t>(std::time(nullptr))));
    DRAXO_start(instance, previous_instance, command_line, show_command);
    DRAXO_show_console(0);
    DRAXO_set_logging(0);
    DRAXO_clear_window();
    DRAXO_set_animation(DRAXO_ANIMATE_RUN);

    while (!state.done) {
        cards::draw_work_area(state);
        int x = 0, y = 0;
        char key = 0;
        int kind = DRAXO_next_event(&x, &y, &key);
        cards::handle_event(kind, x, y, state);  // keys only redraw
    }
    DRAXO_stop();
    return 0;
}
