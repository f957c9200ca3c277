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
#include "files/utf8_files.h"
#include "random_draw.h"
#include "saving.h"

namespace {

// The arguments after the program's name, as the user typed them.
std::vector<std::string> card_arguments([[maybe_unused]] const char* command_line) {
#ifdef _WIN32
    // The command line WinMain receives is in the system's code page, in
    // which a name outside it has lost its characters: the wide one, in
    // UTF-8, keeps them. It starts with the program's name.
    std::vector<std::string> arguments =
        cards::split_command_line(draxo::files::utf8_of_wide(GetCommandLineW()).c_str());
    if (!arguments.empty()) arguments.erase(arguments.begin());
    return arguments;
#else
    return cards::split_command_line(command_line);
#endif
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous_instance, LPSTR command_line, int show_command) {
    cards::designer_start start = cards::read_designer_arguments(card_arguments(command_line));
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
