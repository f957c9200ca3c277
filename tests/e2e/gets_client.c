/* A C client that asks for text with DRAXO_gets and prints what came back,
 * with carriage returns and line feeds written as \r and \n so that the
 * whole answer stays on one line of output. */
#include <stdio.h>

#include "draxo.h"

int main(void) {
    char line[256] = "untouched";
    const char* p;
    int got;

    DRAXO_start(NULL, NULL, NULL, 1);
    DRAXO_clear_window();
    got = DRAXO_gets("Type a line and press Enter (Ctrl+Enter starts a new line). Caf\xe9 au lait?", line);
    printf("result %d: [", got);
    for (p = line; *p; ++p) {
        if (*p == '\r')
            fputs("\\r", stdout);
        else if (*p == '\n')
            fputs("\\n", stdout);
        else
            putchar(*p);
    }
    printf("]\n");
    DRAXO_stop();
    return 0;
}
