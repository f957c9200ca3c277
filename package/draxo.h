/*
 * DRAXO: a small graphics package for desktop programs.
 *
 * A client program opens the package with DRAXO_start, draws into the drawing
 * window "DRAXO Graphics" (logical coordinates: origin at the centre of the
 * window, x to the right, y up, one unit per pixel), prints to the console
 * window "DRAXO Text", and waits for input with DRAXO_next_event. All drawing
 * goes into an off-screen frame buffer that the event wait copies to the window.
 *
 * This is the package's only public header. C and C++ clients include it alike.
 */
#ifndef DRAXO_H
#define DRAXO_H

#if defined(_WIN32) && defined(DRAXO_BUILDING)
/*
 * Inside the package only the two types of the entry point, declared exactly
 * as the system's header declares them: the package's own names for messages
 * and styles are those of the system's macros, which must stay out.
 */
struct HINSTANCE__;
typedef struct HINSTANCE__* HINSTANCE;
typedef char* LPSTR;
#elif defined(_WIN32)
/* The C runtime calls the client's WinMain with the four start arguments. */
#include <windows.h>
#else
/*
 * Client programs start from the desktop entry point, WinMain, with its four
 * start arguments, and hand them to DRAXO_start. On this platform the package
 * supplies what those arguments need; its companion library draxo_main holds
 * the process's main(), which calls the client's WinMain.
 */
typedef struct DRAXO_instance_tag* HINSTANCE;
typedef char* LPSTR;
typedef char* PSTR;
#ifndef WINAPI
#define WINAPI
#endif
#ifndef APIENTRY
#define APIENTRY
#endif
#ifndef PASCAL
#define PASCAL
#endif
#ifndef CALLBACK
#define CALLBACK
#endif
#endif /* _WIN32 */

/* The package's operations, exported from its shared library; everything else
 * in the library stays inside it. */
#if defined(_WIN32) && defined(DRAXO_BUILDING)
#define DRAXO_API __declspec(dllexport)
#elif defined(_WIN32)
#define DRAXO_API
#elif defined(__GNUC__)
#define DRAXO_API __attribute__((visibility("default")))
#else
#define DRAXO_API
#endif

/* The printf forms format as C99 says on every platform (on Windows too,
 * where the system's own printf does not know %zu, %hhd or %Lf as C99 has
 * them), and the compiler checks their arguments so. */
#if defined(__MINGW32__) && !defined(__clang__)
#define DRAXO_PRINTF_LIKE(fmt, args) __attribute__((format(gnu_printf, fmt, args)))
#elif defined(__GNUC__)
#define DRAXO_PRINTF_LIKE(fmt, args) __attribute__((format(printf, fmt, args)))
#else
#define DRAXO_PRINTF_LIKE(fmt, args)
#endif

#ifdef __cplusplus
extern "C" {
#endif

#ifndef _WIN32
/* The client's entry point, called by main() of the companion library. */
int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous_instance, LPSTR command_line, int show_command);
#endif

/* A point in logical coordinates. */
typedef struct DRAXO_point {
    int x;
    int y;
} DRAXO_point;

/* Size of the frame buffer and outer size of the drawing window, in pixels. */
enum { DRAXO_WIDTH = 601, DRAXO_HEIGHT = 540 };

/* The 24 palette colours. An index outside 0..23 is replaced by RED. */
enum {
    BLACK = 0,
    WHITE = 1,
    RED = 2,
    GREEN = 3,
    BLUE = 4,
    YELLOW = 5,
    MAGENTA = 6,
    CYAN = 7,
    PURPLE = 8,
    NAVY_BLUE = 9,
    DUSTY_PLUM = 10,
    ICE_BLUE = 11,
    TURQUOISE = 12,
    ORANGE = 13,
    BROWN = 14,
    PINK = 15,
    CHALK = 16,
    GOLD = 17,
    PEACH = 18,
    FOREST_GREEN = 19,
    SEA_GREEN = 20,
    OLIVE = 21,
    GRAY_50 = 22,
    GRAY_20 = 23
};

/* Event kinds returned by DRAXO_next_event. */
enum {
    DRAXO_MOUSE = 1,    /* left button pressed (any, with DRAXO_INPUT_MOUSE); x, y its logical position */
    DRAXO_KBD = 2,      /* character typed; key its code (128..255 negative) */
    DRAXO_PERIODIC = 3, /* animation tick, or one requested single step */
    DRAXO_QUIT = 4      /* the program is to end */
};

/* Event kinds a program receives only once it asked for them with
 * DRAXO_set_input (a program that has not asked sees the four above alone). */
enum {
    DRAXO_KEY_PRESS = 5,    /* a key that types no character pressed (again while held: a repeat) */
    DRAXO_KEY_RELEASE = 6,  /* a key released */
    DRAXO_MOUSE_MOVE = 7,   /* the mouse moved over the drawing window with a button held */
    DRAXO_MOUSE_RELEASE = 8 /* a mouse button released */
};

/* Actions of DRAXO_set_animation. */
enum { DRAXO_ANIMATE_HALT = 0, DRAXO_ANIMATE_STEP = 1, DRAXO_ANIMATE_RUN = 2, DRAXO_ANIMATE_QUIT = 5 };

/* Every operation is used from one thread, the first that calls any of them;
 * a call from another thread is refused with a message on standard error and
 * returns 0. While the package is not open (before DRAXO_start, after
 * DRAXO_stop), every operation but the console's printing and DRAXO_undo does
 * nothing and returns 0. */

/* Opening and closing, clearing. */

/* Opens the package: the drawing window "DRAXO Graphics" with its Run menu,
 * the console window "DRAXO Text", the frame buffer and the 100 ms timer; both
 * windows shown with show_command, and the frame buffer cleared. After a
 * DRAXO_stop it takes up the same windows again. command_line is not used.
 * Returns 1; 0 when the package is open already. */
DRAXO_API int DRAXO_start(HINSTANCE instance, HINSTANCE previous_instance, LPSTR command_line, int show_command);
/* Closes the package and the script file (a recording keeps its waiting run
 * of periodic events); the windows stay on the screen until the process
 * ends. Returns 1. */
DRAXO_API int DRAXO_stop(void);
/* Clears the frame buffer to white with a one-pixel black border. Returns 1. */
DRAXO_API int DRAXO_clear_window(void);

/* Shapes, in a palette colour. Width 0 fills; a circle is always filled.
 * A negative width or radius is used as its absolute value and an illegal
 * colour as RED, each with a message on the console. Each returns 1 (0 while
 * the package is not open). */
DRAXO_API int DRAXO_pixel(int color, int x, int y);
DRAXO_API int DRAXO_pixel_pt(int color, DRAXO_point point);
DRAXO_API int DRAXO_circle(int color, int x, int y, int radius);
DRAXO_API int DRAXO_circle_pt(int color, DRAXO_point centre, int radius);
DRAXO_API int DRAXO_triangle(int color, int x1, int y1, int x2, int y2, int x3, int y3, int width);
DRAXO_API int DRAXO_triangle_pt(int color, DRAXO_point p1, DRAXO_point p2, DRAXO_point p3, int width);
DRAXO_API int DRAXO_rectangle(int color, int x1, int y1, int x2, int y2, int width);
DRAXO_API int DRAXO_rectangle_pt(int color, DRAXO_point p1, DRAXO_point p2, int width);
DRAXO_API int DRAXO_oval(int color, int x1, int y1, int x2, int y2, int width);
DRAXO_API int DRAXO_oval_pt(int color, DRAXO_point p1, DRAXO_point p2, int width);
DRAXO_API int DRAXO_line(int color, int x1, int y1, int x2, int y2, int width);
DRAXO_API int DRAXO_line_pt(int color, DRAXO_point p1, DRAXO_point p2, int width);
/* Obsolete: prints that it is no longer supported, draws nothing. Returns 1,
 * also while the package is not open. */
DRAXO_API int DRAXO_undo(void);

/* Text on the drawing window, size 0..127 pixels (others are repaired with a
 * message). The first line stands just above the point; a newline starts the
 * next line one cell lower. The plain forms return 1; the printf forms return
 * the number of characters formatted (at most 1023 are drawn). */
DRAXO_API int DRAXO_text(int color, int x, int y, int size, const char* text);
DRAXO_API int DRAXO_text_pt(int color, DRAXO_point point, int size, const char* text);
DRAXO_API int DRAXO_printf_text(int color, int x, int y, int size, const char* format, ...)
    DRAXO_PRINTF_LIKE(5, 6);
DRAXO_API int DRAXO_printf_text_pt(int color, DRAXO_point point, int size, const char* format, ...)
    DRAXO_PRINTF_LIKE(4, 5);

/* Saving what is drawn. */

/* Saves the frame buffer's pixels inside the logical rectangle with corners
 * (x1, y1) and (x2, y2), corners included, in any order, clipped to the
 * frame, as a 24-bit PNG file at path. The file is written beside path under
 * a temporary name and renamed over it, so a save that fails leaves no
 * half-written picture and an existing file as it was. While logging is on,
 * a save that is carried out prints one line. Returns 1 when the file is
 * written; 0, with a console message naming the path and the reason, when it
 * is not: a null or empty path, a rectangle wholly outside the frame, the
 * package not open (before DRAXO_start or after DRAXO_stop), or a file that
 * cannot be written. */
DRAXO_API int DRAXO_save_picture(const char* path, int x1, int y1, int x2, int y2);

/* Events and animation. */

/* Waits for the next event and returns its kind (DRAXO_MOUSE, DRAXO_KBD,
 * DRAXO_PERIODIC or DRAXO_QUIT); x, y and key receive its data (null
 * pointers are skipped). Copies the frame buffer to the window meanwhile.
 * Returns DRAXO_QUIT at once when the package is not open. */
DRAXO_API int DRAXO_next_event(int* x, int* y, char* key);
/* Runs, halts or single-steps the periodic events, or asks every later wait
 * to return DRAXO_QUIT (DRAXO_ANIMATE_...). Returns 1, for any action; 0,
 * changing nothing, when the package is not open. */
DRAXO_API int DRAXO_set_animation(int action);

/* Game input: keys, held keys, the moving mouse, a faster clock. */

/* What DRAXO_set_input asks for, or-ed together; 0 is the four events alone. */
enum { DRAXO_INPUT_KEYS = 1, DRAXO_INPUT_MOUSE = 2 };
/* Modifier keys held at an event, or-ed together (DRAXO_event_modifiers). */
enum { DRAXO_SHIFT = 1, DRAXO_CTRL = 2, DRAXO_ALT = 4 };
/* Mouse buttons (DRAXO_event_button); the held mask of DRAXO_event_buttons
 * has bit 1 << (button - 1) for each. */
enum { DRAXO_BUTTON_LEFT = 1, DRAXO_BUTTON_RIGHT = 2, DRAXO_BUTTON_MIDDLE = 3 };
/* Key codes, the same on every platform. A letter is its capital ('A'), a
 * digit its character ('7'). */
enum {
    DRAXO_KEY_BACKSPACE = 8,
    DRAXO_KEY_TAB = 9,
    DRAXO_KEY_ENTER = 13,
    DRAXO_KEY_SHIFT = 16,
    DRAXO_KEY_CTRL = 17,
    DRAXO_KEY_ESCAPE = 27,
    DRAXO_KEY_SPACE = 32,
    DRAXO_KEY_PAGE_UP = 33,
    DRAXO_KEY_PAGE_DOWN = 34,
    DRAXO_KEY_END = 35,
    DRAXO_KEY_HOME = 36,
    DRAXO_KEY_LEFT = 37,
    DRAXO_KEY_UP = 38,
    DRAXO_KEY_RIGHT = 39,
    DRAXO_KEY_DOWN = 40,
    DRAXO_KEY_INSERT = 45,
    DRAXO_KEY_DELETE = 46,
    DRAXO_KEY_F1 = 112,
    DRAXO_KEY_F2 = 113,
    DRAXO_KEY_F3 = 114,
    DRAXO_KEY_F4 = 115,
    DRAXO_KEY_F5 = 116,
    DRAXO_KEY_F6 = 117,
    DRAXO_KEY_F7 = 118,
    DRAXO_KEY_F8 = 119,
    DRAXO_KEY_F9 = 120,
    DRAXO_KEY_F10 = 121,
    DRAXO_KEY_F11 = 122,
    DRAXO_KEY_F12 = 123
};

/* Asks for more input than the four events: DRAXO_INPUT_KEYS (presses of
 * keys that type no character as DRAXO_KEY_PRESS, every key's release as
 * DRAXO_KEY_RELEASE; a typed character still arrives as DRAXO_KBD) and
 * DRAXO_INPUT_MOUSE (presses of every button as DRAXO_MOUSE, movement with a
 * button held as DRAXO_MOUSE_MOVE, releases as DRAXO_MOUSE_RELEASE); 0 goes
 * back to the four events. Returns 1; 0, changing nothing, for other bits or
 * when the package is not open. DRAXO_start begins with 0. */
DRAXO_API int DRAXO_set_input(int flags);
/* What the last event DRAXO_next_event returned carried: the key's code
 * (DRAXO_KEY_PRESS, DRAXO_KEY_RELEASE, and DRAXO_KBD when the key is known,
 * else 0); the button pressed or released (1 left, 2 right, 3 middle; 0 for
 * other events); the buttons held after it (mask); the modifier keys held
 * (DRAXO_SHIFT, DRAXO_CTRL, DRAXO_ALT); whether a key press came while its
 * key was down already (the keyboard's repeat). Each is 0 while the package
 * is not open. */
DRAXO_API int DRAXO_event_key_code(void);
DRAXO_API int DRAXO_event_button(void);
DRAXO_API int DRAXO_event_buttons(void);
DRAXO_API int DRAXO_event_modifiers(void);
DRAXO_API int DRAXO_event_is_repeat(void);
/* Whether the key with this code is held, as the events returned so far
 * tell (played scripts' included). 0 without DRAXO_INPUT_KEYS. */
DRAXO_API int DRAXO_key_is_down(int code);
/* The period of DRAXO_PERIODIC, in milliseconds: 100 at DRAXO_start; a
 * value outside 16..10000 is brought inside it, with a message on the
 * console. Ticks never pile up: a program slower than its clock gets the
 * next tick, never a backlog. Returns 1 (0 when the package is not open). */
DRAXO_API int DRAXO_set_periodic_interval(int milliseconds);

/* Console. */

/* Prints one line on the console, which keeps the last 25 lines, and puts it
 * on the screen before it returns; output beyond 1023 characters is cut, a
 * null format prints an empty line. Before the package is open the line is
 * kept and shown once the console opens. Returns the number of characters
 * formatted. */
DRAXO_API int DRAXO_console_printf(const char* format, ...) DRAXO_PRINTF_LIKE(1, 2);
/* Switches the echo of drawing calls to the console on (nonzero flag, which
 * also shows the console) or off. Returns 1; 0, changing nothing, when the
 * package is not open. */
DRAXO_API int DRAXO_set_logging(int flag);
/* Shows (nonzero flag) or hides the console window. Returns 1 when it was
 * visible before the call, 0 otherwise (and while the package is not open). */
DRAXO_API int DRAXO_show_console(int flag);

/* Asks the user for text in a modal dialog over the drawing window, showing
 * the first 79 characters of the prompt. Okay or Enter closes it; Ctrl+Enter
 * starts a new line, which comes back as "\r\n"; Escape and the close box do
 * not close it. The result buffer must hold 256 bytes: it receives at most
 * 255 bytes and a NUL, in Latin-1 (a character outside it as '?') unless
 * DRAXO_set_input_encoding asked for UTF-8; DRAXO_gets_n takes a buffer of
 * any size instead. Returns 1 after Okay; 0 when no dialog could be shown (the
 * package is not open) or the program was asked to quit while it was open
 * (the next event wait returns DRAXO_QUIT); then the buffer is left as it
 * was. */
DRAXO_API int DRAXO_gets(const char* prompt, char* result);
/* As DRAXO_gets, writing at most size bytes into result, the NUL included
 * (size - 1 characters). Returns 0, writing nothing, when size is below 1. */
DRAXO_API int DRAXO_gets_n(const char* prompt, char* result, int size);

/* The encoding in which DRAXO_gets and DRAXO_gets_n return what the user
 * typed: DRAXO_LATIN1 (the start), one byte a character, a character outside
 * Latin-1 as '?'; or DRAXO_UTF8, so that a typed "Küche" or "你好" equals the
 * program's own UTF-8 literal. In UTF-8 the buffer's limit counts bytes and
 * the text is cut between characters, never inside one. Returns the encoding
 * before the call; any other value changes nothing and is reported on the
 * console. */
enum { DRAXO_LATIN1 = 0, DRAXO_UTF8 = 1 };
DRAXO_API int DRAXO_set_input_encoding(int encoding);

#ifdef __cplusplus
}
#endif

#endif /* DRAXO_H */
