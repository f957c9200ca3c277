/* A C client for the checks of text in every language and of dense screens.
 * It draws "Grüße, Ωμέγα, 你好" (its source is UTF-8) in the drawing window
 * and on the console, asks for a line in UTF-8 and says whether it equals
 * that text, then reports each click as logical coordinates until it is
 * told to quit, when it saves the picture named on its command line (the
 * part of the frame buffer around the origin that any screen shows whole).
 * Output lines: "ready", "typed equal|differs [TEXT]", "click X Y". */
#include <stdio.h>
#include <string.h>

#include "draxo.h"

static const char greeting[] =
    "Gr\xC3\xBC\xC3\x9F"
    "e, \xCE\xA9\xCE\xBC\xCE\xAD\xCE\xB3\xCE\xB1, \xE4\xBD\xA0\xE5\xA5\xBD";

static void draw(void) {
    DRAXO_clear_window();
    DRAXO_rectangle(NAVY_BLUE, -200, 150, -100, 100, 0);
    DRAXO_circle(RED, 100, 100, 30);
    DRAXO_line(GREEN, -250, -200, 250, -150, 3);
    DRAXO_text(BLACK, -250, 0, 32, greeting);
    DRAXO_text(BROWN, -250, -60, 0, greeting); /* the platform's default size */
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR command_line, int show) {
    char typed[256] = "";
    int x = 0, y = 0, kind;
    char key = 0;

    DRAXO_start(instance, previous, command_line, show);
    DRAXO_set_logging(0);
    DRAXO_console_printf("%s\n", greeting);
    draw();
    DRAXO_set_input_encoding(DRAXO_UTF8);
    printf("ready\n");
    fflush(stdout);
    if (DRAXO_gets(greeting, typed))
        printf("typed %s [%s]\n", strcmp(typed, greeting) == 0 ? "equal" : "differs", typed);
    fflush(stdout);
    draw();
    while ((kind = DRAXO_next_event(&x, &y, &key)) != DRAXO_QUIT) {
        if (kind == DRAXO_MOUSE) {
            printf("click %d %d\n", x, y);
            fflush(stdout);
        }
    }
    if (command_line && *command_line) DRAXO_save_picture(command_line, -280, 230, 280, -230);
    DRAXO_stop();
    return 0;
}
