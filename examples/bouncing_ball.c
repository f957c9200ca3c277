/*
 * A small DRAXO client: a ball bounces inside a frame, driven by the
 * periodic events. A click moves the ball to the click; a typed key changes
 * its colour. Ctrl+Q or the window's close box ends the program.
 * Each click and key is also written to standard output.
 */
#include <stdio.h>

#include "draxo.h"

enum { LEFT = -270, RIGHT = 270, BOTTOM = -220, TOP = 200, RADIUS = 15 };

static int next_colour(int colour) {
    colour = (colour + 1) % 24;
    return colour == WHITE ? colour + 1 : colour; /* never invisible */
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous_instance, LPSTR command_line, int show_command) {
    int x = 0, y = 0, dx = 6, dy = 4, colour = RED, clicks = 0;
    char last_key = '-';

    DRAXO_start(instance, previous_instance, command_line, show_command);
    DRAXO_set_logging(0);
    DRAXO_console_printf("Click to move the ball, type to change its colour, Ctrl+Q to quit.\n");
    DRAXO_set_animation(DRAXO_ANIMATE_RUN);

    for (;;) {
        int event_x, event_y;
        char key;

        DRAXO_clear_window();
        DRAXO_rectangle(NAVY_BLUE, LEFT - RADIUS, BOTTOM - RADIUS, RIGHT + RADIUS, TOP + RADIUS, 3);
        DRAXO_circle(colour, x, y, RADIUS);
        DRAXO_printf_text(BLACK, LEFT, TOP + 40, 14, "Clicks: %d   Last key: %c", clicks, last_key);

        switch (DRAXO_next_event(&event_x, &event_y, &key)) {
        case DRAXO_PERIODIC:
            x += dx;
            y += dy;
            if (x < LEFT || x > RIGHT) dx = -dx;
            if (y < BOTTOM || y > TOP) dy = -dy;
            break;
        case DRAXO_MOUSE:
            x = event_x;
            y = event_y;
            ++clicks;
            printf("click %d %d\n", event_x, event_y);
            fflush(stdout);
            break;
        case DRAXO_KBD:
            colour = next_colour(colour);
            last_key = key;
            printf("key %d\n", key);
            fflush(stdout);
            break;
        case DRAXO_QUIT: DRAXO_stop(); return 0;
        }
    }
}
