/*
 * Sketch pad: a DRAXO client program.
 *
 * Each click joins the new point to the previous one with a straight line.
 * Keys choose the pen:
 *   k r g b o p   colour: black, red, green, blue, orange, purple
 *   1 to 9        width in pixels
 *   n             lift the pen: the next click starts a new line
 *   c             clear the page
 * Ctrl+Q, Quit in the Run menu or the window's close box ends the program.
 *
 * What it shows: the frame buffer keeps everything drawn into it until it is
 * cleared, so each click adds one line and only the status bar at the top is
 * drawn again. What is drawn reaches the screen at the next event wait.
 */
#include "draxo.h"

enum {
    BAR_BOTTOM = 232, /* clicks above this row are in the status bar */
    TEXT_SIZE = 14
};

struct pen_colour {
    char key;
    int colour;
    const char* name;
};

static const struct pen_colour pen_colours[] = {
    {'k', BLACK, "black"}, {'r', RED, "red"},       {'g', GREEN, "green"},
    {'b', BLUE, "blue"},   {'o', ORANGE, "orange"}, {'p', PURPLE, "purple"},
};
enum { PEN_COLOURS = sizeof pen_colours / sizeof pen_colours[0] };

struct sketch {
    int pen;     /* index into pen_colours */
    int width;   /* pen width in pixels */
    int drawing; /* 1 when (x, y) is the end of the line being drawn */
    int x, y;
};

/* The bar at the top: the pen as a short stroke, and what the keys do. */
static void draw_status_bar(const struct sketch* s) {
    DRAXO_rectangle(WHITE, -300, 260, 300, BAR_BOTTOM, 0);
    DRAXO_line(GRAY_20, -300, BAR_BOTTOM, 300, BAR_BOTTOM, 1);
    DRAXO_line(pen_colours[s->pen].colour, -285, 246, -245, 246, s->width);
    DRAXO_printf_text(BLACK, -230, 239, TEXT_SIZE, "%s, width %d", pen_colours[s->pen].name, s->width);
    DRAXO_text(GRAY_50, -90, 239, TEXT_SIZE, "keys: k r g b o p colour, 1-9 width, n lift, c clear");
}

static void click(struct sketch* s, int x, int y) {
    int colour = pen_colours[s->pen].colour;
    if (y >= BAR_BOTTOM) return;
    if (s->drawing)
        DRAXO_line(colour, s->x, s->y, x, y, s->width);
    else
        DRAXO_circle(colour, x, y, s->width / 2); /* the first point of a line */
    s->x = x;
    s->y = y;
    s->drawing = 1;
}

static void key_typed(struct sketch* s, char key) {
    int i;
    if (key >= '1' && key <= '9') s->width = key - '0';
    if (key == 'n') s->drawing = 0;
    if (key == 'c') {
        DRAXO_clear_window();
        s->drawing = 0;
    }
    for (i = 0; i < PEN_COLOURS; ++i)
        if (pen_colours[i].key == key) s->pen = i;
    draw_status_bar(s);
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous_instance, LPSTR command_line, int show_command) {
    struct sketch s = {0, 3, 0, 0, 0};

    DRAXO_start(instance, previous_instance, command_line, show_command);
    DRAXO_set_logging(0); /* no console line for every drawing call */
    DRAXO_console_printf("Sketch pad: click to draw; k r g b o p colour, 1-9 width, n lift, c clear.\n");
    DRAXO_clear_window();
    draw_status_bar(&s);

    for (;;) {
        int x, y;
        char key;
        int kind = DRAXO_next_event(&x, &y, &key);
        if (kind == DRAXO_QUIT) break;
        if (kind == DRAXO_MOUSE) click(&s, x, y);
        if (kind == DRAXO_KBD) key_typed(&s, key);
    }
    DRAXO_stop();
    return 0;
}
