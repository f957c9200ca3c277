/*
 * Clock: a DRAXO client program that keeps time with the periodic events.
 *
 * While the animation runs, the package delivers a periodic event about ten
 * times a second; the clock counts each one as a tenth of a second. The Run
 * menu controls it: Animate (Ctrl+A) runs it, Halt animation (Ctrl+H) stops
 * it, Advance one frame (Ctrl+F) moves it on by one tenth. The program uses
 * the same controls through DRAXO_set_animation. Keys:
 *   r       run          (as Animate)
 *   s       stop         (as Halt animation)
 *   space   one step     (as Advance one frame)
 *   h, m    one hour, one minute forward
 *   0       set the clock to 12:00:00
 * Every full second is printed on the console. Ctrl+Q ends the program.
 *
 * What it shows: the event loop redraws the whole picture from the program's
 * own state (here one number) after every event.
 */
#include <math.h>
#include <time.h>

#include "draxo.h"

#define PI 3.14159265358979323846

enum {
    TENTHS_PER_MINUTE = 600,
    TENTHS_PER_HOUR = 36000,
    TENTHS_PER_DAY = 864000,
    CENTRE_X = 0,
    CENTRE_Y = 20,
    RADIUS = 160
};

/* A point at a distance from the centre, in a direction given in degrees
 * clockwise from twelve o'clock. */
static DRAXO_point on_dial(double degrees, double distance) {
    DRAXO_point p;
    p.x = CENTRE_X + (int)lround(distance * sin(degrees * PI / 180));
    p.y = CENTRE_Y + (int)lround(distance * cos(degrees * PI / 180));
    return p;
}

static void draw_hand(int colour, double degrees, double length, int width) {
    DRAXO_point centre = {CENTRE_X, CENTRE_Y};
    DRAXO_line_pt(colour, centre, on_dial(degrees, length), width);
}

static void draw_clock(long tenths) {
    long seconds = tenths / 10 % 60, minutes = tenths / TENTHS_PER_MINUTE % 60, hours = tenths / TENTHS_PER_HOUR;
    int i;

    DRAXO_clear_window();
    DRAXO_circle(CHALK, CENTRE_X, CENTRE_Y, RADIUS);
    DRAXO_oval(NAVY_BLUE, CENTRE_X - RADIUS, CENTRE_Y + RADIUS, CENTRE_X + RADIUS, CENTRE_Y - RADIUS, 3);
    for (i = 0; i < 60; ++i) { /* minute marks, longer and wider for the hours */
        int hour_mark = i % 5 == 0;
        DRAXO_line_pt(NAVY_BLUE, on_dial(i * 6, hour_mark ? 140 : 150), on_dial(i * 6, 156), hour_mark ? 3 : 1);
    }
    for (i = 1; i <= 12; ++i) { /* the numbers, their centres on a circle */
        DRAXO_point p = on_dial(i * 30, 112);
        DRAXO_printf_text(NAVY_BLUE, p.x - (i < 10 ? 5 : 10), p.y - 9, 18, "%d", i);
    }
    draw_hand(BLACK, (hours % 12 + minutes / 60.0) * 30, 80, 6);
    draw_hand(NAVY_BLUE, (minutes + seconds / 60.0) * 6, 120, 4);
    draw_hand(RED, (tenths % TENTHS_PER_MINUTE) * 0.6, 140, 3);
    DRAXO_circle(RED, CENTRE_X, CENTRE_Y, 6);

    DRAXO_printf_text(BLACK, -75, -180, 28, "%02ld:%02ld:%02ld.%ld", hours, minutes, seconds, tenths % 10);
    DRAXO_text(GRAY_50, -270, -232, 12, "r run   s stop   space one step   h, m an hour, a minute on   0 noon");
    DRAXO_text(GRAY_50, -270, -250, 12, "or from the Run menu: Animate, Halt animation, Advance one frame");
}

static void print_time(const char* what, long tenths) {
    DRAXO_console_printf("%s%02ld:%02ld:%02ld\n", what, tenths / TENTHS_PER_HOUR, tenths / TENTHS_PER_MINUTE % 60,
                         tenths / 10 % 60);
}

/* Tenths of a second since midnight, local time. */
static long time_of_day(void) {
    time_t now = time(NULL);
    struct tm* local = localtime(&now);
    if (!local) return 0;
    return ((local->tm_hour * 60L + local->tm_min) * 60 + local->tm_sec) * 10;
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous_instance, LPSTR command_line, int show_command) {
    long tenths = time_of_day();

    DRAXO_start(instance, previous_instance, command_line, show_command);
    DRAXO_set_logging(0);
    print_time("Started at ", tenths);
    DRAXO_set_animation(DRAXO_ANIMATE_RUN);

    for (;;) {
        int x, y;
        char key;
        int kind;

        draw_clock(tenths);
        kind = DRAXO_next_event(&x, &y, &key);
        if (kind == DRAXO_QUIT) break;
        if (kind == DRAXO_PERIODIC) {
            tenths = (tenths + 1) % TENTHS_PER_DAY;
            if (tenths % 10 == 0) print_time("", tenths);
        }
        if (kind != DRAXO_KBD) continue;
        switch (key) {
        case 'r': DRAXO_set_animation(DRAXO_ANIMATE_RUN); break;
        case 's': DRAXO_set_animation(DRAXO_ANIMATE_HALT); break;
        case ' ': DRAXO_set_animation(DRAXO_ANIMATE_STEP); break;
        case 'h': tenths = (tenths + TENTHS_PER_HOUR) % TENTHS_PER_DAY; break;
        case 'm': tenths = (tenths + TENTHS_PER_MINUTE) % TENTHS_PER_DAY; break;
        case '0':
            tenths = 12L * TENTHS_PER_HOUR;
            print_time("Set to ", tenths);
            break;
        default: break;
        }
    }
    DRAXO_stop();
    return 0;
}
