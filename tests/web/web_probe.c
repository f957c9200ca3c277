/* A client for the browser tests of the web backend. It prints its
 * arguments, "argument N [TEXT]" each, then every event the wait returns as
 * one line, "event KIND X Y KEY CODE BUTTON BUTTONS MODIFIERS" (KEY as a
 * number, then what the event queries tell), and acts on some typed
 * characters:
 *   i  asks for game input, keys and mouse: "input 1"
 *   g  asks for text into a buffer of 8 bytes and prints "gets N [TEXT]"
 *   c  shows or hides the console, printing "console WAS_SHOWN"
 *   p  prints "probe line N" on the console
 *   d  draws a blue rectangle from (-20, 20) to (20, -20)
 *   s  saves the picture of (-50, 50)-(50, -50) as probe.png, or under the
 *      path its first argument gives: "saved N"
 *   u  asks for UTF-8 from the dialog, printing "encoding PREVIOUS"
 *   t  draws lines of text, each standing on y = 230 - 40 i, above it, so
 *      that line i lies within canvas rows 40 i to 40 i + 39: "Grüße" in UTF-8, the same
 *      in Latin-1, Greek and Cyrillic, as many characters no font has,
 *      Chinese, as many characters no font has; prints "text drawn"
 *   A  calls abort()
 *   F  fails an assertion (assert() is kept in this file, NDEBUG or not)
 *   T  traps, as a crash does (and so at once when its first argument is
 *      --trap)
 *   R  recurses past the browser's stack limit
 *   N  writes through a null pointer, to a field of a struct (a pointer the
 *      compiler cannot see is null), and goes on to its next wait
 * and prints "quit" before it stops after a quit event. */
#undef NDEBUG
#include <assert.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "draxo.h"

/* Bytes beyond ASCII, and control characters, are printed as \xNN: the
 * page's console reads UTF-8 and takes a line break as the end of a line. */
static void print_bytes(const char* text) {
    const char* p;
    putchar('[');
    for (p = text; *p; ++p) {
        if ((unsigned char)*p >= 0x20 && (unsigned char)*p < 0x80)
            putchar(*p);
        else
            printf("\\x%02x", (unsigned char)*p);
    }
    printf("]\n");
}

/* Calls that go deeper than any stack allows; the volatile depth and array
 * keep the compiler from making a loop of them. */
static volatile int deepest = 2000000000;

static int deeper(int n) {
    volatile int cells[4];
    cells[n & 3] = n;
    if (n >= deepest) return n;
    return deeper(n + 1) + cells[0];
}

/* A student's fault: a list's head left null, its field written. */
struct cell {
    int value;
    struct cell* next;
};
static void write_through_null(void) {
    struct cell* head = (struct cell*)getenv("DRAXO_PROBE_NO_SUCH_VARIABLE");
    head->value = 42;
    printf("wrote through null\n");
}

static void ask(void) {
    char line[8] = "";
    int got = DRAXO_gets_n("Type a word:", line, (int)sizeof line);
    printf("gets %d ", got);
    print_bytes(line);
}

/* UTF-8 where the text holds a multi-byte character, Latin-1 otherwise. */
static const char* const text_lines[] = {
    "Gr\xC3\xBC\xC3\x9F"
    "e", /* Grüße, UTF-8 */
    "Gr\xFC\xDF"
    "e",                                                                 /* Grüße, Latin-1 */
    "\xCE\xA9\xCE\xBC\xCE\xAD\xCE\xB3\xCE\xB1 \xD0\x9C\xD0\xB8\xD1\x80", /* Ωμέγα Мир */
    "\xEE\x80\x80\xEE\x80\x80\xEE\x80\x80\xEE\x80\x80\xEE\x80\x80 "
    "\xEE\x80\x80\xEE\x80\x80\xEE\x80\x80", /* U+E000 in their places */
    "\xE4\xBD\xA0\xE5\xA5\xBD",             /* 你好 */
    "\xEE\x80\x80\xEE\x80\x80",             /* U+E000 twice */
};

static void draw_text_lines(void) {
    int i;
    for (i = 0; i < (int)(sizeof text_lines / sizeof text_lines[0]); ++i)
        DRAXO_text(BLACK, -280, 230 - 40 * i, 24, text_lines[i]);
    printf("text drawn\n");
}

int main(int argc, char** argv) {
    int x = 0, y = 0, shown = 0, lines = 0, i;
    char key = 0;
    const char* picture = argc > 1 ? argv[1] : "probe.png";
    /* A trap before the first wait, while the page is still starting it. */
    if (argc > 1 && strcmp(argv[1], "--trap") == 0) __builtin_trap();
    for (i = 1; i < argc; ++i) {
        printf("argument %d ", i);
        print_bytes(argv[i]);
    }
    DRAXO_start(NULL, NULL, NULL, 1);
    DRAXO_show_console(0);
    DRAXO_set_logging(0);
    DRAXO_clear_window();
    printf("ready\n");
    for (;;) {
        int kind = DRAXO_next_event(&x, &y, &key);
        printf("event %d %d %d %d %d %d %d %d\n", kind, x, y, (int)(unsigned char)key, DRAXO_event_key_code(),
               DRAXO_event_button(), DRAXO_event_buttons(), DRAXO_event_modifiers());
        if (kind == DRAXO_QUIT) break;
        if (kind != DRAXO_KBD) continue;
        switch (key) {
        case 'g': ask(); break;
        case 'i': printf("input %d\n", DRAXO_set_input(DRAXO_INPUT_KEYS | DRAXO_INPUT_MOUSE)); break;
        case 'c':
            printf("console %d\n", DRAXO_show_console(!shown));
            shown = !shown;
            break;
        case 'p': DRAXO_console_printf("probe line %d", ++lines); break;
        case 'd': DRAXO_rectangle(BLUE, -20, 20, 20, -20, 0); break;
        case 's': printf("saved %d\n", DRAXO_save_picture(picture, -50, 50, 50, -50)); break;
        case 'u': printf("encoding %d\n", DRAXO_set_input_encoding(DRAXO_UTF8)); break;
        case 't': draw_text_lines(); break;
        case 'A': abort();
        case 'F': assert(key == 'G'); break;
        case 'T': __builtin_trap();
        case 'R': printf("deeper %d\n", deeper(0)); break;
        case 'N': write_through_null(); break;
        default: break;
        }
        fflush(stdout);
    }
    printf("quit\n");
    DRAXO_stop();
    return 0;
}
