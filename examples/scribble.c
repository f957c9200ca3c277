/*
 * Scribble: a DRAXO drawing program for the mouse.
 *
 * Drag with the left button held to draw, with the right button held to
 * rub out. Keys choose the pen:
 *   k r g b   colour: black, red, green, blue
 *   c         clear the page
 * Ctrl+Q, Quit in the Run menu or the window's close box ends the program.
 *
 * What it shows: the mouse asked for with DRAXO_set_input, so that a press
 * of either button arrives as DRAXO_MOUSE (DRAXO_event_button tells which),
 * the moves while it is held as DRAXO_MOUSE_MOVE and its release as
 * DRAXO_MOUSE_RELEASE; each move joins the last point to the new one.
 */
#include "draxo.h"

enum {
    BAR_BOTTOM = 232, /* the status bar is above this row */
    PEN_WIDTH = 4,
    RUBBER_WIDTH = 24,
    TEXT_SIZE = 14
};

struct pen_colour {
    char key;
    int colour;
    const char* name;
};

static const struct pen_colour pen_colours[] = {
    {'k', BLACK, "black"},
    {'r', RED, "red"},
    {'g', GREEN, "green"},
    {'b', BLUE, "blue"},
};
enum { PEN_COLOURS = sizeof pen_colours / sizeof pen_colours[0] };

struct scribble {
    int pen;    /* index into pen_colours */
    int button; /* the button held: 0 none, else DRAXO_BUTTON_LEFT or DRAXO_BUTTON_RIGHT */
    int x, y;   /* the last point of the stroke */
};

static void draw_status_bar(const struct scribble* s) {
    DRAXO_rectangle(WHITE, -299, 269, 299, BAR_BOTTOM, 0);
    DRAXO_line(GRAY_20, -300, BAR_BOTTOM, 300, BAR_BOTTOM, 1);
    DRAXO_line(pen_colours[s->pen].colour, -285, 246, -245, 246, PEN_WIDTH);
    DRAXO_printf_text(BLACK, -230, 239, TEXT_SIZE, "%s", pen_colours[s->pen].name);
    DRAXO_text(GRAY_50, -150, 239, TEXT_SIZE, "left: draw   right: rub out   k r g b, c clear");
}

/* A stroke's piece from the last point to (x, y), kept below the bar. */
static void stroke_to(struct scribble* s, int x, int y) {
    int rubbing = s->button == DRAXO_BUTTON_RIGHT;
    int colour = rubbing ? WHITE : pen_colours[s->pen].colour;
    int width = rubbing ? RUBBER_WIDTH : PEN_WIDTH;
    if (y > BAR_BOTTOM - width) y = BAR_BOTTOM - width;
    DRAXO_line(colour, s->x, s->y, x, y, width);
    s->x = x;
    s->y = y;
}

static void on_mouse(struct scribble* s, int kind, int x, int y) {
    int button = DRAXO_event_button();
    if (kind == DRAXO_MOUSE && !s->button && (button == DRAXO_BUTTON_LEFT || button == DRAXO_BUTTON_RIGHT)) {
        if (y >= BAR_BOTTOM) return; /* a press in the status bar draws nothing */
        s->button = button;
        s->x = x;
        s->y = y;
        stroke_to(s, x, y); /* a dot where the stroke starts */
    } else if (kind == DRAXO_MOUSE_MOVE && s->button) {
        stroke_to(s, x, y);
    } else if (kind == DRAXO_MOUSE_RELEASE && button == s->button) {
        stroke_to(s, x, y);
        s->button = 0;
    }
}

static void key_typed(struct scribble* s, char key) {
    int i;
    if (key == 'c') DRAXO_clear_window();
    for (i = 0; i < PEN_COLOURS; ++i)
        if (pen_colours[i].key == key) s->pen = i;
    draw_status_bar(s);
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous_instance, LPSTR command_line, int show_command) {
    struct scribble s = {0, 0, 0, 0};

    DRAXO_start(instance, previous_instance, command_line, show_command);
    DRAXO_set_logging(0); /* no console line for every drawing call */
    DRAXO_set_input(DRAXO_INPUT_MOUSE);
    DRAXO_console_printf("Scribble: drag with the left button to draw, with the right to rub out.\n");
    DRAXO_clear_window();
    draw_status_bar(&s);

    for (;;) {
        int x, y;
        char key;
        int kind = DRAXO_next_event(&x, &y, &key);
        if (kind == DRAXO_QUIT) break;
        if (kind == DRAXO_KBD) key_typed(&s, key);
        if (kind == DRAXO_MOUSE || kind == DRAXO_MOUSE_MOVE || kind == DRAXO_MOUSE_RELEASE)
            on_mouse(&s, kind, x, y);
    }
    DRAXO_stop();
    return 0;
}
