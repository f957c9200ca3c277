/* A Windows client that includes the system's header itself, before the
 * package's, and calls the system too. */
#include <stdio.h>
#include <windows.h>

#include "draxo.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous_instance, LPSTR command_line, int show_command) {
    DRAXO_start(instance, previous_instance, command_line, show_command);
    DRAXO_show_console(0);
    DRAXO_clear_window();
    HWND drawing = FindWindowA("DrawWndClass", "DRAXO Graphics");
    printf("windows client: %s\n", drawing && IsWindow(drawing) ? "found the drawing window" : "no window");
    DRAXO_stop();
    return 0;
}
