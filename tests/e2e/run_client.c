/*
 * A client for draxo-run's end-to-end checks: it draws what its events say
 * and behaves, at its end, as the first word of its command line asks.
 *
 *   run_client [BEHAVIOUR [EXIT_STATUS]] [text]
 *
 * It draws on white: a disc for every click, in the colour the last typed
 * key chose ('r' red, 'g' green, 'b' blue, other keys black), and a bar
 * that grows with every periodic event; with "text", a line of text too.
 * It prints one console line for each event. BEHAVIOUR:
 *   quits    (the default) ends at DRAXO_QUIT with EXIT_STATUS (default 0)
 *   lingers  takes no notice of DRAXO_QUIT and waits on
 *   spins    computes for ever once DRAXO_QUIT came, never waiting again
 *   hangs    computes for ever after its third event
 *   crashes  writes through a null pointer after its third event
 *   leaves   ends after its second event
 */
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "draxo.h"

enum { MOST_DISCS = 64 };

struct scene {
    DRAXO_point discs[MOST_DISCS];
    int disc_colors[MOST_DISCS];
    int disc_count;
    int color;
    int ticks;
    int with_text;
};

static void draw(const struct scene* s) {
    int i;
    DRAXO_clear_window();
    for (i = 0; i < s->disc_count; ++i) DRAXO_circle_pt(s->disc_colors[i], s->discs[i], 12);
    DRAXO_rectangle(NAVY_BLUE, -290, -200, -290 + 4 * (s->ticks % 140), -220, 0);
    DRAXO_rectangle(BLACK, -295, 250, 295, -250, 2);
    if (s->with_text) DRAXO_printf_text(PURPLE, -280, 230, 16, "%d discs, %d ticks", s->disc_count, s->ticks);
}

static int color_of(char key) {
    switch (key) {
    case 'r': return RED;
    case 'g': return GREEN;
    case 'b': return BLUE;
    default: return BLACK;
    }
}

/* Keeps the processor busy for ever; `volatile` keeps the loop. */
static void compute_for_ever(void) {
    volatile unsigned long work = 0;
    for (;;) ++work;
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR command_line, int show) {
    char behaviour[32] = "quits";
    int exit_status = 0, events = 0, quits_seen = 0;
    struct scene s;
    memset(&s, 0, sizeof s);
    s.color = BLACK;
    if (command_line) {
        sscanf(command_line, "%31s %d", behaviour, &exit_status);
        s.with_text = strstr(command_line, "text") != NULL;
    }

    DRAXO_start(instance, previous, command_line, show);
    DRAXO_set_logging(0);
    DRAXO_show_console(0);
    DRAXO_console_printf("run_client %s", behaviour);
    for (;;) {
        int x, y, kind;
        char key;
        draw(&s);
        kind = DRAXO_next_event(&x, &y, &key);
        ++events;
        if (kind == DRAXO_QUIT) {
            if (!quits_seen++) DRAXO_console_printf("quit after %d events", events - 1);
            if (strcmp(behaviour, "lingers") == 0) continue;
            if (strcmp(behaviour, "spins") == 0) compute_for_ever();
            break;
        }
        if (kind == DRAXO_MOUSE && s.disc_count < MOST_DISCS) {
            s.discs[s.disc_count].x = x;
            s.discs[s.disc_count].y = y;
            s.disc_colors[s.disc_count++] = s.color;
            DRAXO_console_printf("click %d %d", x, y);
        } else if (kind == DRAXO_KBD) {
            s.color = color_of(key);
            DRAXO_console_printf("key %d", key);
        } else if (kind == DRAXO_PERIODIC) {
            ++s.ticks;
        }
        if (events == 3 && strcmp(behaviour, "hangs") == 0) compute_for_ever();
        if (events == 3 && strcmp(behaviour, "crashes") == 0) {
            /* An address no program owns (and no sanitizer reports first). */
            int* volatile nowhere = (int*)(uintptr_t)16;
            *nowhere = 1;
        }
        if (events == 2 && strcmp(behaviour, "leaves") == 0) break;
    }
    DRAXO_stop();
    return exit_status;
}
