/* A client written from the reference alone: it draws a red circle and a
 * blue rectangle, says on the console what to do, and reports each click in
 * logical coordinates until a key is typed, then stops. */
#include <stdio.h>

#include "draxo.h"

int main(void) {
    int x, y, kind;
    char key;
    DRAXO_start(NULL, NULL, NULL, 1);
    DRAXO_set_logging(0);
    DRAXO_clear_window();
    DRAXO_circle(RED, 0, 0, 40);
    DRAXO_rectangle(BLUE, -200, 200, -150, 150, 0);
    DRAXO_text(BLACK, -200, -150, 16, "Click anywhere; type a key to stop.");
    DRAXO_console_printf("Click anywhere; type a key to stop.");
    while ((kind = DRAXO_next_event(&x, &y, &key)) != DRAXO_QUIT) {
        if (kind == DRAXO_MOUSE) printf("clicked at %d, %d\n", x, y);
        if (kind == DRAXO_KBD) break;
    }
    printf("stopped\n");
    DRAXO_stop();
    return 0;
}
