/* A C client that prints a console line and then computes for a while
 * without waiting for an event: the line must be on the screen meanwhile. */
#include <stdio.h>
#include <time.h>

#include "draxo.h"

int main(void) {
    DRAXO_start(NULL, NULL, NULL, 1);
    DRAXO_clear_window();
    DRAXO_console_printf("Printed before a long computation\n");
    fputs("printed\n", stdout);
    fflush(stdout);
    time_t until = time(NULL) + 4;
    volatile unsigned long work = 0;
    while (time(NULL) < until) ++work;
    DRAXO_stop();
    return 0;
}
