/*
 * Star catcher: a DRAXO game steered with the arrow keys.
 *
 * Stars fall from the top, one at a time; the basket at the bottom moves
 * while the left or the right arrow key is held. A star caught scores a
 * point; when the last star has fallen the game is over. Space starts a
 * game, and another after the end. The command line may give the number of
 * stars (10 when it gives none).
 * Ctrl+Q, Quit in the Run menu or the window's close box ends the program.
 *
 * What it shows: game input asked for with DRAXO_set_input, keys held read
 * with DRAXO_key_is_down at every tick, and a faster clock: a periodic event
 * every 30 ms (DRAXO_set_periodic_interval) moves everything. The stars fall
 * where a fixed sequence of numbers puts them, so that a game recorded with
 * Record Script plays back the same, with the Run menu or with draxo-run.
 */
#include <stdlib.h>

#include "draxo.h"

enum {
    TICK_MS = 30,
    FIELD_TOP = 225, /* the score bar is above */
    FIELD_LEFT = -295,
    FIELD_RIGHT = 295,
    BASKET_Y = -230, /* the basket's top */
    BASKET_HALF = 35,
    BASKET_STEP = 9, /* pixels a tick while an arrow is held */
    STAR_RADIUS = 8,
    STAR_STEP = 8, /* pixels a tick */
    TEXT_SIZE = 14
};

struct game {
    int stars;  /* stars in a game */
    int fallen; /* stars that reached the bottom */
    int caught;
    int playing; /* 0 before the first game and after each */
    int basket_x;
    int star_x, star_y;
    unsigned int sequence; /* where the stars fall: the same in every run, on every platform */
};

/* The next star's column, from a fixed sequence of numbers. */
static void new_star(struct game* g) {
    g->sequence = g->sequence * 1103515245u + 12345u;
    g->star_x = (int)((g->sequence >> 16) % 521u) - 260;
    g->star_y = FIELD_TOP - STAR_RADIUS;
}

static void draw_score(const struct game* g) {
    DRAXO_rectangle(WHITE, -299, 269, 299, FIELD_TOP + 1, 0);
    DRAXO_line(GRAY_20, -300, FIELD_TOP, 300, FIELD_TOP, 1);
    DRAXO_printf_text(BLACK, -285, 238, TEXT_SIZE, "Caught %d of %d", g->caught, g->fallen);
    DRAXO_text(GRAY_50, -40, 238, TEXT_SIZE, "arrows: move   space: new game");
}

static void draw_field(const struct game* g) {
    DRAXO_rectangle(NAVY_BLUE, FIELD_LEFT - 4, FIELD_TOP - 1, FIELD_RIGHT + 4, -260, 0);
    if (g->playing) DRAXO_circle(YELLOW, g->star_x, g->star_y, STAR_RADIUS);
    DRAXO_rectangle(ORANGE, g->basket_x - BASKET_HALF, BASKET_Y, g->basket_x + BASKET_HALF, BASKET_Y - 14, 0);
    draw_score(g);
}

static void draw_banner(const struct game* g, const char* first_line) {
    DRAXO_rectangle(GOLD, -200, 60, 200, -40, 0);
    DRAXO_text(BLACK, -180, 25, 18, first_line);
    if (g->fallen > 0) DRAXO_printf_text(BLACK, -180, -15, 18, "You caught %d of %d stars.", g->caught, g->fallen);
}

static void start_game(struct game* g) {
    g->fallen = 0;
    g->caught = 0;
    g->playing = 1;
    g->basket_x = 0;
    new_star(g);
    DRAXO_set_animation(DRAXO_ANIMATE_RUN);
    draw_field(g);
}

/* One tick: the basket follows the arrows held, the star falls. */
static void tick(struct game* g) {
    if (!g->playing) return;
    if (DRAXO_key_is_down(DRAXO_KEY_LEFT)) g->basket_x -= BASKET_STEP;
    if (DRAXO_key_is_down(DRAXO_KEY_RIGHT)) g->basket_x += BASKET_STEP;
    if (g->basket_x < FIELD_LEFT + BASKET_HALF) g->basket_x = FIELD_LEFT + BASKET_HALF;
    if (g->basket_x > FIELD_RIGHT - BASKET_HALF) g->basket_x = FIELD_RIGHT - BASKET_HALF;
    g->star_y -= STAR_STEP;
    if (g->star_y - STAR_RADIUS <= BASKET_Y) {
        if (abs(g->star_x - g->basket_x) <= BASKET_HALF + STAR_RADIUS) ++g->caught;
        ++g->fallen;
        new_star(g);
    }
    if (g->fallen == g->stars) {
        g->playing = 0;
        DRAXO_set_animation(DRAXO_ANIMATE_HALT);
        draw_field(g);
        draw_banner(g, "Game over. Space plays again.");
        return;
    }
    draw_field(g);
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous_instance, LPSTR command_line, int show_command) {
    struct game g = {10, 0, 0, 0, 0, 0, 0, 1u};
    if (command_line && atoi(command_line) > 0) g.stars = atoi(command_line);

    DRAXO_start(instance, previous_instance, command_line, show_command);
    DRAXO_set_logging(0); /* no console line for every drawing call */
    DRAXO_set_input(DRAXO_INPUT_KEYS);
    DRAXO_set_periodic_interval(TICK_MS);
    DRAXO_console_printf("Star catcher: space starts a game; the arrow keys move the basket.\n");
    DRAXO_clear_window();
    draw_field(&g);
    draw_banner(&g, "Star catcher: press space.");

    for (;;) {
        int x, y;
        char key;
        int kind = DRAXO_next_event(&x, &y, &key);
        if (kind == DRAXO_QUIT) break;
        if (kind == DRAXO_PERIODIC) tick(&g);
        if (kind == DRAXO_KBD && key == ' ' && !g.playing) start_game(&g);
    }
    DRAXO_stop();
    return 0;
}
