/*
 * Guessing game: a DRAXO client program that asks with DRAXO_gets.
 *
 * The program thinks of a number from 1 to 100. The player types a guess into
 * the input dialog; the window answers "too high" in red, "too low" in blue,
 * or "right" in green, and keeps a list of the last guesses. To play with a
 * known number (for checking the program), give it on the command line:
 *   guessing_game 42
 *
 * What it shows: drawing reaches the screen at the next event wait, and
 * DRAXO_gets is no event wait. So before asking again the program lets one
 * wait pass: it asks for a single step and waits for it (show_now).
 */
#include <stdio.h>
#include <stdlib.h>
#include <time.h>

#include "draxo.h"

enum { LOWEST = 1, HIGHEST = 100, SHOWN = 10, REPLY_SIZE = 80, TEXT_SIZE = 16 };

struct reply {
    int colour;
    char text[REPLY_SIZE];
};

struct game {
    int secret;
    int guesses;
    int count;                   /* replies in the list, at most SHOWN */
    struct reply replies[SHOWN]; /* oldest first */
};

/* Draws the whole window from the game's state. */
static void draw_game(const struct game* g) {
    int i;
    DRAXO_clear_window();
    DRAXO_text(NAVY_BLUE, -270, 215, 28, "Guess my number");
    DRAXO_printf_text(BLACK, -270, 185, TEXT_SIZE, "I am thinking of a number from %d to %d.", LOWEST, HIGHEST);
    for (i = 0; i < g->count; ++i)
        DRAXO_text(g->replies[i].colour, -270, -50 - 20 * i, TEXT_SIZE, g->replies[i].text);
}

/* Adds a reply at the end of the list, dropping the oldest when it is full. */
static struct reply* new_reply(struct game* g, int colour) {
    int i;
    if (g->count == SHOWN) {
        for (i = 1; i < SHOWN; ++i) g->replies[i - 1] = g->replies[i];
        --g->count;
    }
    g->replies[g->count].colour = colour;
    return &g->replies[g->count++];
}

/* Lets one event wait pass, so that the frame buffer reaches the screen.
 * Returns 0 when the program is to end. */
static int show_now(void) {
    int x, y;
    char key;
    DRAXO_set_animation(DRAXO_ANIMATE_STEP); /* a periodic event within 0.1 s */
    return DRAXO_next_event(&x, &y, &key) != DRAXO_QUIT;
}

/* Answers one guess; returns 1 when it was right. */
static int answer(struct game* g, const char* typed) {
    char* end;
    long guess = strtol(typed, &end, 10);
    struct reply* r;
    if (end == typed || *end != '\0' || guess < LOWEST || guess > HIGHEST) {
        r = new_reply(g, ORANGE);
        snprintf(r->text, REPLY_SIZE, "\"%.20s\" is not a number from %d to %d.", typed, LOWEST, HIGHEST);
        return 0;
    }
    ++g->guesses;
    if (guess != g->secret) {
        r = new_reply(g, guess > g->secret ? RED : BLUE);
        snprintf(r->text, REPLY_SIZE, "%ld is too %s.", guess, guess > g->secret ? "high" : "low");
        return 0;
    }
    r = new_reply(g, FOREST_GREEN);
    snprintf(r->text, REPLY_SIZE, "%ld is right! You needed %d %s.", guess, g->guesses,
             g->guesses == 1 ? "guess" : "guesses");
    return 1;
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous_instance, LPSTR command_line, int show_command) {
    struct game g = {0, 0, 0, {{0, ""}}};
    char typed[256]; /* DRAXO_gets writes up to 256 bytes */
    int x, y, kind, quit = 0;
    char key;

    /* A different number every time; the same one in every unattended run
     * (draxo-run sets DRAXO_SEED), so that a script plays the same game. */
    srand(getenv("DRAXO_SEED") ? (unsigned)strtoul(getenv("DRAXO_SEED"), NULL, 10) : (unsigned)time(NULL));
    g.secret = command_line ? atoi(command_line) : 0;
    if (g.secret < LOWEST || g.secret > HIGHEST) g.secret = LOWEST + rand() % (HIGHEST - LOWEST + 1);

    DRAXO_start(instance, previous_instance, command_line, show_command);
    DRAXO_show_console(0);
    DRAXO_set_logging(0);

    while (!quit) {
        draw_game(&g);
        /* DRAXO_gets returns 0 when the program was asked to quit meanwhile. */
        if (!show_now() || !DRAXO_gets("Your guess?", typed))
            quit = 1;
        else if (answer(&g, typed))
            break;
    }

    if (!quit) { /* right: the final picture, until a click, a key or Quit */
        draw_game(&g);
        DRAXO_text(BLACK, -270, -248, 12, "Click or press a key to end.");
        do kind = DRAXO_next_event(&x, &y, &key);
        while (kind == DRAXO_PERIODIC);
    }
    DRAXO_stop();
    return 0;
}
