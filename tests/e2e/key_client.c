/* A client that prints every event it gets on standard output, one line
 * each, at once: "key CODE" for a typed character, "mouse X Y" for a click,
 * and "quit" before it ends. Its window stays as the clear left it, so that
 * only the package's menu changes what is on the screen. */
#include <stdio.h>

#include "draxo.h"

int main(void) {
    DRAXO_start(NULL, NULL, NULL, 1);
    DRAXO_set_logging(0);
    DRAXO_show_console(0);
    DRAXO_clear_window();
    for (;;) {
        int x = 0, y = 0;
        char key = 0;
        int kind = DRAXO_next_event(&x, &y, &key);
        if (kind == DRAXO_KBD) printf("key %d\n", (unsigned char)key);
        if (kind == DRAXO_MOUSE) printf("mouse %d %d\n", x, y);
        if (kind == DRAXO_QUIT) {
            printf("quit\n");
            break;
        }
        fflush(stdout);
    }
    DRAXO_stop();
    return 0;
}
