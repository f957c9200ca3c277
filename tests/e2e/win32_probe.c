/*
 * Tells end-to-end checks under Wine where a program's window lies on the
 * screen: Wine's top-level X windows have no child for the client area, so
 * the client area is asked of the system itself. Waits up to five seconds
 * for a visible top-level window with the title, then prints
 *   client X Y WIDTH HEIGHT   the client area in screen coordinates
 *   close X Y                 the middle of the caption's close box
 * Usage: win32_probe TITLE      (exit status 1 when there is no such window)
 */
#include <stdio.h>
#include <windows.h>

static HWND find_visible(const char* title) {
    for (int tries = 0; tries < 100; ++tries) {
        HWND hwnd = FindWindowA(NULL, title);
        if (hwnd && IsWindowVisible(hwnd)) return hwnd;
        Sleep(50);
    }
    return NULL;
}

/* The close box: the points of the caption's middle row that the window
 * itself reports as its close box. */
static POINT close_box(HWND hwnd, RECT outer, POINT client_origin) {
    int y = outer.top + (client_origin.y - outer.top) / 2;
    int first = -1, last = -1;
    for (int x = outer.right - 1; x >= outer.right - 80 && x >= outer.left; --x) {
        LRESULT hit = SendMessageA(hwnd, WM_NCHITTEST, 0, MAKELPARAM(x, y));
        if (hit == HTCLOSE) {
            if (last < 0) last = x;
            first = x;
        } else if (last >= 0) {
            break;
        }
    }
    POINT middle = {first < 0 ? -1 : (first + last) / 2, y};
    return middle;
}

int main(int argc, char** argv) {
    /* Aware of the screen's density, as the package is: positions in screen pixels. */
    SetProcessDPIAware();
    if (argc != 2) {
        fprintf(stderr, "usage: win32_probe TITLE\n");
        return 2;
    }
    HWND hwnd = find_visible(argv[1]);
    if (!hwnd) return 1;
    RECT client, outer;
    GetClientRect(hwnd, &client);
    GetWindowRect(hwnd, &outer);
    POINT origin = {0, 0};
    ClientToScreen(hwnd, &origin);
    printf("client %ld %ld %ld %ld\n", origin.x, origin.y, client.right, client.bottom);
    POINT close = close_box(hwnd, outer, origin);
    printf("close %ld %ld\n", close.x, close.y);
    return 0;
}
