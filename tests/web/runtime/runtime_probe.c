/* A program for the web runtime's tests that calls the web backend's
   imports itself, without the package: a window with a known picture, a
   menu bar, a dialog, and faults and ends on command. It prints every event
   its wait returns ("event kind handle a b c d modifiers") and what it was
   asked for. Keys (by virtual key): B computes for ever, T writes out of
   bounds, A aborts, F fails an assertion, S overflows the stack, N writes
   through a null pointer, X exits with status 7, W counts in kept.txt, R
   saves pic.png by replacing, C records DRAXO.SCR, O writes outside its
   folder, Z sleeps a fifth of a second, D opens a dialog, P asks the page for
   a pixel of its window (draxo_web_page_call) and prints the answer. */
#include <assert.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <time.h>
#include <unistd.h>

#define DRAXO_IMPORT(name) __attribute__((import_module("draxo"), import_name(#name)))
DRAXO_IMPORT(draxo_web_open_page) int draxo_web_open_page(void);
DRAXO_IMPORT(draxo_web_create_window)
void draxo_web_create_window(const void* w, const char* title, int width, int height, int closable);
DRAXO_IMPORT(draxo_web_show_window) void draxo_web_show_window(const void* w, int visible, int activate);
DRAXO_IMPORT(draxo_web_put_pixels)
void draxo_web_put_pixels(const void* w, const void* rgba, int stride, int cw, int ch, int x, int y, int width,
                          int height);
DRAXO_IMPORT(draxo_web_create_menu) void draxo_web_create_menu(const void* m, int is_bar);
DRAXO_IMPORT(draxo_web_append_menu_item)
void draxo_web_append_menu_item(const void* m, int position, unsigned flags, unsigned id, const char* text,
                                const void* popup);
DRAXO_IMPORT(draxo_web_attach_menu) void draxo_web_attach_menu(const void* w, const void* m);
DRAXO_IMPORT(draxo_web_take_event) int draxo_web_take_event(int32_t* out);
DRAXO_IMPORT(draxo_web_wait_for_event) void draxo_web_wait_for_event(void);
DRAXO_IMPORT(draxo_web_key_held) int draxo_web_key_held(unsigned vk);
DRAXO_IMPORT(draxo_web_dialog_base_units) void draxo_web_dialog_base_units(int point_size, int* units);
DRAXO_IMPORT(draxo_web_create_dialog)
void draxo_web_create_dialog(const void* d, const void* owner, const char* title, int x, int y, int cx, int cy,
                             int point_size, int closable);
DRAXO_IMPORT(draxo_web_add_dialog_control)
void draxo_web_add_dialog_control(const void* d, int kind, unsigned id, unsigned style, int x, int y, int cx,
                                  int cy, const char* text);
DRAXO_IMPORT(draxo_web_show_dialog) void draxo_web_show_dialog(const void* d);
DRAXO_IMPORT(draxo_web_focus_first_tab_stop) void draxo_web_focus_first_tab_stop(const void* d);
DRAXO_IMPORT(draxo_web_dialog_item_text)
int draxo_web_dialog_item_text(const void* d, unsigned id, char* b, int n);
DRAXO_IMPORT(draxo_web_destroy_dialog) void draxo_web_destroy_dialog(const void* d);
DRAXO_IMPORT(draxo_web_page_call) int draxo_web_page_call(const char* request, int length, char* answer, int n);

/* The runtime names the program's folder in PWD, as the package starts there. */
__attribute__((constructor)) static void start_in_the_programs_folder(void) {
    const char* folder = getenv("PWD");
    if (folder) chdir(folder);
}

/* The menu bar's rules, much simplified: F10 pressed selects the bar's
   first title, every other key reaches the window. */
__attribute__((export_name("draxo_web_menu_bar_key"))) int draxo_web_menu_bar_key(int held, int title,
                                                                                  int alt_alone, int key,
                                                                                  int flags, int mnemonic,
                                                                                  int titles) {
    (void)held, (void)title, (void)alt_alone, (void)mnemonic, (void)titles;
    if (key == 1 && (flags & 1)) return 1 | (1 << 4);
    return 8;
}

enum { WIDTH = 64, HEIGHT = 48 };
static char window_record, bar_record, popup_record, dialog_record;
static uint8_t picture[WIDTH * HEIGHT * 4];
static volatile int sink;

static int deeper(int n) {
    volatile char frame[256];
    frame[n & 255] = (char)n;
    return deeper(n + 1) + frame[0];
}

static void count_in_kept_file(void) {
    int count = 0;
    FILE* in = fopen("kept.txt", "r");
    if (in) {
        if (fscanf(in, "%d", &count) != 1) count = 0;
        fclose(in);
    }
    FILE* out = fopen("kept.txt", "w");
    fprintf(out, "%d\n", count + 1);
    fclose(out);
    printf("wrote %d\n", count + 1);
}

static void on_key(int vk) {
    switch (vk) {
    case 'B':
        printf("busy\n");
        fflush(stdout);
        for (;;) ++sink;
    case 'T': *(volatile int*)(uintptr_t)0xFFFFFFF0u = 1; break;
    case 'A': abort();
    case 'F': assert(sink == 12345);
    case 'S': sink = deeper(0); break;
    case 'N': *(volatile int*)(uintptr_t)sink = 1; break;
    case 'X': exit(7);
    case 'W': count_in_kept_file(); break;
    case 'R': {
        FILE* out = fopen("pic.tmp", "w");
        fputs("picture", out);
        fclose(out);
        printf("saved %d\n", rename("pic.tmp", "pic.png"));
        break;
    }
    case 'C': {
        FILE* out = fopen("DRAXO.SCR", "w");
        fputs("script", out);
        fclose(out);
        printf("recorded\n");
        break;
    }
    case 'O':
        printf("outside %d %d %d\n", fopen("../escaped.txt", "w") != NULL, rename(".", "/tmp/moved"),
               fopen("/tmp/x.txt", "w") != NULL);
        break;
    case 'Z': {
        struct timespec from, to;
        clock_gettime(CLOCK_MONOTONIC, &from);
        usleep(200000);
        clock_gettime(CLOCK_MONOTONIC, &to);
        printf("slept %ld\n", (long)((to.tv_sec - from.tv_sec) * 1000 + (to.tv_nsec - from.tv_nsec) / 1000000));
        break;
    }
    case 'D':
        draxo_web_create_dialog(&dialog_record, &window_record, "Ask", 4, 4, 200, 60, 8, 1);
        draxo_web_add_dialog_control(&dialog_record, 0x81, 5, 0x10000000u | 0x10000u | 0x00800000u, 4, 4, 150, 20,
                                     "start");
        draxo_web_add_dialog_control(&dialog_record, 0x80, 1, 0x10000000u | 0x10000u | 1u, 4, 30, 60, 22, "&OK");
        draxo_web_show_dialog(&dialog_record);
        draxo_web_focus_first_tab_stop(&dialog_record);
        break;
    case 'P': {
        char request[96], answer[64] = "";
        int length = snprintf(request, sizeof request, "{\"action\":\"pixel\",\"window\":%u,\"x\":5,\"y\":7}",
                              (unsigned)(uintptr_t)&window_record);
        int answered = draxo_web_page_call(request, length, answer, sizeof answer);
        printf("page call %d [%s]\n", answered, answer);
        break;
    }
    }
}

int main(int argc, char** argv) {
    char folder[256];
    printf("started %s %s in %s\n", argv[0], argc > 1 ? argv[1] : "-", getcwd(folder, sizeof folder));
    FILE* kept = fopen("kept.txt", "r");
    int count = 0;
    if (kept && fscanf(kept, "%d", &count) == 1) printf("kept %d\n", count);
    if (kept) fclose(kept);
    FILE* font = fopen("/draxo-fonts/LiberationSans-Regular.ttf", "rb");
    if (font) {
        fseek(font, 0, SEEK_END);
        printf("font %ld\n", ftell(font));
        fclose(font);
    }
    printf("font folder writable %d\n", fopen("/draxo-fonts/mine.txt", "w") != NULL);
    int units[2];
    draxo_web_dialog_base_units(8, units);
    printf("units %d %d\n", units[0], units[1]);

    if (!draxo_web_open_page()) return 1;
    draxo_web_create_window(&window_record, "Probe", WIDTH, HEIGHT, 1);
    draxo_web_create_menu(&bar_record, 1);
    draxo_web_create_menu(&popup_record, 0);
    draxo_web_append_menu_item(&popup_record, 0, 0, 42, "&Hello\tCtrl+H", 0);
    draxo_web_append_menu_item(&bar_record, 0, 0x10, 0, "&Run", &popup_record);
    draxo_web_attach_menu(&window_record, &bar_record);
    for (int y = 0; y < HEIGHT; ++y)
        for (int x = 0; x < WIDTH; ++x) {
            uint8_t* p = &picture[(y * WIDTH + x) * 4];
            p[0] = (uint8_t)(x * 4);
            p[1] = (uint8_t)(y * 5);
            p[2] = (uint8_t)((x ^ y) * 3);
            p[3] = 255;
        }
    draxo_web_put_pixels(&window_record, picture, WIDTH, WIDTH, HEIGHT, 0, 0, WIDTH, HEIGHT);
    draxo_web_show_window(&window_record, 1, 1);
    printf("ready\n");
    fflush(stdout);
    for (;;) {
        int32_t e[7];
        draxo_web_wait_for_event();
        while (draxo_web_take_event(e)) {
            printf("event %d %d %d %d %d %d %d held %d\n", e[0],
                   e[1] == (int32_t)(uintptr_t)&window_record ? 1 : e[1], e[2], e[3], e[4], e[5], e[6],
                   draxo_web_key_held(0x10));
            if (e[0] == 1 && e[2] == 0x100) on_key(e[3]);
            if (e[0] == 6) {
                char text[64];
                int length = draxo_web_dialog_item_text(&dialog_record, 5, text, sizeof text);
                printf("dialog %d %d [%s]\n", e[2], length, length >= 0 ? text : "");
                draxo_web_destroy_dialog(&dialog_record);
            }
            fflush(stdout);
        }
    }
}
