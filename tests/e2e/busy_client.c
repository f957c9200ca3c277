/* A C client that computes without waiting for an event.
 *   busy_client          prints a console line and a line on standard
 *                        output, then computes for four seconds: the
 *                        console line must be on the screen meanwhile.
 *   busy_client forever  runs the animation, waiting for events, until a
 *                        key is typed; five periodic events later it
 *                        computes for ever, never to wait again. It says
 *                        on standard output when it starts each.
 *   busy_client deaf     waits for events for ever, its quit among them:
 *                        a loop that forgot to test for DRAXO_QUIT. It
 *                        says "waiting" on standard output first, and
 *                        "quit taken" at its first quit. */
#include <stdio.h>
#include <string.h>
#include <time.h>

#include "draxo.h"

static int compute_for_ever(void) {
    fputs("waiting for a key\n", stdout);
    fflush(stdout);
    DRAXO_set_animation(DRAXO_ANIMATE_RUN);
    int ticks_left = -1;
    for (;;) {
        int x, y;
        char key;
        int kind = DRAXO_next_event(&x, &y, &key);
        if (kind == DRAXO_QUIT) break;
        if (kind == DRAXO_KBD && ticks_left < 0) ticks_left = 5;
        if (kind == DRAXO_PERIODIC && ticks_left > 0 && --ticks_left == 0) {
            fputs("computing\n", stdout);
            fflush(stdout);
            volatile unsigned long work = 0;
            for (;;) ++work;
        }
    }
    DRAXO_stop();
    return 0;
}

static void ignore_quit(void) {
    fputs("waiting\n", stdout);
    fflush(stdout);
    int quits = 0;
    for (;;) {
        int x, y;
        char key;
        if (DRAXO_next_event(&x, &y, &key) == DRAXO_QUIT && quits++ == 0) {
            fputs("quit taken\n", stdout);
            fflush(stdout);
        }
    }
}

int main(int argc, char** argv) {
    DRAXO_start(NULL, NULL, NULL, 1);
    DRAXO_clear_window();
    if (argc > 1 && strcmp(argv[1], "forever") == 0) return compute_for_ever();
    if (argc > 1 && strcmp(argv[1], "deaf") == 0) ignore_quit();
    DRAXO_console_printf("Printed before a long computation\n");
    fputs("printed\n", stdout);
    fflush(stdout);
    time_t until = time(NULL) + 4;
    volatile unsigned long work = 0;
    while (time(NULL) < until) ++work;
    DRAXO_stop();
    return 0;
}
