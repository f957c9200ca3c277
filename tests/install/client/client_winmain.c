/* A client written in the desktop style: it starts from WinMain. */
#include <stdio.h>

#include "draxo.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous_instance, LPSTR command_line, int show_command) {
    DRAXO_start(instance, previous_instance, command_line, show_command);
    DRAXO_show_console(0);
    DRAXO_set_logging(0);
    DRAXO_clear_window();
    DRAXO_console_printf("Started with \"%s\"\n", command_line);
    /* C99's conversions, checked by the compiler as the package formats them. */
    DRAXO_console_printf("%zu %hhd %Lf\n", sizeof command_line, (signed char)-3, 1.5L);
    printf("c client: %s\n", command_line);
    DRAXO_stop();
    return 0;
}
