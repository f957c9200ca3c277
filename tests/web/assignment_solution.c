/*
 * A teacher's solution for the playground's check test (playground_check.
 * test.mjs), built for Linux to make the assignment with draxo-run and typed
 * into the playground as a student's program: a frame, and a disc at every
 * click, its radius the first word of the command line (10 without one), in
 * the colour the last typed key chose ('r' red, 'b' blue, others black).
 */
#include <stdio.h>

#include "draxo.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR command_line, int show) {
    int radius = 10, color = BLACK;
    if (command_line) sscanf(command_line, "%d", &radius);
    DRAXO_start(instance, previous, command_line, show);
    DRAXO_rectangle(NAVY_BLUE, -150, 120, 150, -120, 2);
    for (;;) {
        int x, y;
        char key;
        switch (DRAXO_next_event(&x, &y, &key)) {
        case DRAXO_KBD: color = key == 'r' ? RED : key == 'b' ? BLUE : BLACK; break;
        case DRAXO_MOUSE: DRAXO_circle(color, x, y, radius); break;
        case DRAXO_QUIT: DRAXO_stop(); return 0;
        }
    }
}
