/*
 * Shapes and a line of text, then a wait for the end: the program the
 * playground's test types into the editor and runs, and whose canvas it
 * compares with the frame of this same program built for Linux.
 */
#include "draxo.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous_instance, LPSTR command_line, int show_command) {
    int x, y;
    char key;
    DRAXO_start(instance, previous_instance, command_line, show_command);
    DRAXO_clear_window();
    DRAXO_rectangle(BLUE, -200, -150, -40, 20, 3);
    DRAXO_circle(RED, 100, 60, 50);
    DRAXO_oval(FOREST_GREEN, 20, -180, 220, -100, 2);
    DRAXO_triangle(BLACK, -250, 100, -150, 40, -50, 100, 1);
    DRAXO_line(NAVY_BLUE, -280, -200, 280, -200, 4);
    DRAXO_text(BLACK, -100, 180, 20, "Shapes and text");
    while (DRAXO_next_event(&x, &y, &key) != DRAXO_QUIT) {
    }
    DRAXO_stop();
    return 0;
}
