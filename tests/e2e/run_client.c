/*
 * A client for draxo-run's end-to-end checks: it draws what its events say
 * and behaves, at its end, as the first word of its command line asks.
 *
 *   run_client [BEHAVIOUR [EXIT_STATUS [WORDS...]]]
 *
 * It draws on white: a disc for every click, in the colour the last typed
 * key chose ('r' red, 'g' green, 'b' blue, other keys black), and a bar
 * that grows with every periodic event; with the word "text", a line of
 * text too. It prints one console line for each event. BEHAVIOUR:
 *   quits     (the default) ends at DRAXO_QUIT with EXIT_STATUS (default 0)
 *   lingers   takes no notice of DRAXO_QUIT and waits on
 *   spins     computes for ever once DRAXO_QUIT came, never waiting again
 *   hangs     computes for ever after its third event
 *   crashes   writes through a null pointer after its third event
 *   leaves    ends after its second event
 *   restarts  stops the package and starts it again after its second event,
 *             and computes for ever after its fourth
 *   forges    quits, and then, the package stopped, writes the bytes of the
 *             file named by the first WORD over $DRAXO_PICTURE and over the
 *             file named by the second WORD
 *   cuts      quits, and then, the package stopped, cuts $DRAXO_RUN_FILE
 *             short after its status
 *   garbles   writes bytes that are no record into the package's report to
 *             draxo-run ($DRAXO_RUN_REPORT) at its first event, then quits
 * With the word "forks" (not on Windows) it first starts a process that
 * leaves its session and starts another that computes for ever, holding
 * the program's output, and writes its own number and that last process's
 * into run_client.pids in the current folder.
 */
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#ifndef _WIN32
#include <unistd.h>
#endif

#include "draxo.h"

enum { MOST_DISCS = 64 };

struct scene {
    DRAXO_point discs[MOST_DISCS];
    int disc_colors[MOST_DISCS];
    int disc_count;
    int color;
    int ticks;
    int with_text;
};

static void draw(const struct scene* s) {
    int i;
    DRAXO_clear_window();
    for (i = 0; i < s->disc_count; ++i) DRAXO_circle_pt(s->disc_colors[i], s->discs[i], 12);
    DRAXO_rectangle(NAVY_BLUE, -290, -200, -290 + 4 * (s->ticks % 140), -220, 0);
    DRAXO_rectangle(BLACK, -295, 250, 295, -250, 2);
    if (s->with_text) DRAXO_printf_text(PURPLE, -280, 230, 16, "%d discs, %d ticks", s->disc_count, s->ticks);
}

static int color_of(char key) {
    switch (key) {
    case 'r': return RED;
    case 'g': return GREEN;
    case 'b': return BLUE;
    default: return BLACK;
    }
}

/* Keeps the processor busy for ever; `volatile` keeps the loop. */
static void compute_for_ever(void) {
    volatile unsigned long work = 0;
    for (;;) ++work;
}

/* Copies the file `from` over the file `to`, as a program forging its
 * result would. */
static void copy_file(const char* from, const char* to) {
    char bytes[4096];
    size_t count;
    FILE* in = fopen(from, "rb");
    FILE* out = in ? fopen(to, "wb") : NULL;
    while (out && (count = fread(bytes, 1, sizeof bytes, in)) > 0) fwrite(bytes, 1, count, out);
    if (out) fclose(out);
    if (in) fclose(in);
}

static void forge(const char* reference, const char* picture) {
    const char* named = getenv("DRAXO_PICTURE");
    if (named && *named) copy_file(reference, named);
    if (*picture) copy_file(reference, picture);
}

/* Keeps the run file's first 64 bytes (its status) and drops the picture. */
static void cut_the_run_file(void) {
    char status[64];
    const char* run_file = getenv("DRAXO_RUN_FILE");
    FILE* in = run_file && *run_file ? fopen(run_file, "rb") : NULL;
    size_t kept = in ? fread(status, 1, sizeof status, in) : 0;
    FILE* out;
    if (in) fclose(in);
    out = kept ? fopen(run_file, "wb") : NULL;
    if (out) {
        fwrite(status, 1, kept, out);
        fclose(out);
    }
}

/* The report's pipe, by the number draxo-run gave, read before DRAXO_start
 * (the package takes the variable away). */
static int report_number = -1;

static void garble_the_report(void) {
#ifndef _WIN32
    static const char nonsense[] = "this is no record of a run, but it is long enough to be read as one";
    if (report_number >= 0) {
        ssize_t written = write(report_number, nonsense, sizeof nonsense);
        (void)written;
    }
#endif
}

/* A process outside the program's process group and session that outlives
 * the program unless it is ended: the way a program's helper that detaches
 * itself is started. */
static void start_detached_process(void) {
#ifndef _WIN32
    int numbers[2];
    pid_t detached;
    if (pipe(numbers) != 0) return;
    if (fork() == 0) {
        setsid();
        detached = fork();
        if (detached == 0) compute_for_ever();
        ssize_t written = write(numbers[1], &detached, sizeof detached);
        (void)written;
        _exit(0);
    }
    if (read(numbers[0], &detached, sizeof detached) == (ssize_t)sizeof detached) {
        FILE* pids = fopen("run_client.pids", "w");
        if (pids) {
            fprintf(pids, "%ld %ld\n", (long)getpid(), (long)detached);
            fclose(pids);
        }
    }
    close(numbers[0]);
    close(numbers[1]);
#endif
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR command_line, int show) {
    char behaviour[32] = "quits", reference[512] = "", picture[512] = "";
    int exit_status = 0, events = 0, quits_seen = 0;
    struct scene s;
    memset(&s, 0, sizeof s);
    s.color = BLACK;
    if (command_line) {
        sscanf(command_line, "%31s %d %511s %511s", behaviour, &exit_status, reference, picture);
        s.with_text = strstr(command_line, "text") != NULL;
        if (strstr(command_line, "forks")) start_detached_process();
    }

    if (getenv("DRAXO_RUN_REPORT")) report_number = atoi(getenv("DRAXO_RUN_REPORT"));
    DRAXO_start(instance, previous, command_line, show);
    DRAXO_set_logging(0);
    DRAXO_show_console(0);
    DRAXO_console_printf("run_client %s", behaviour);
    for (;;) {
        int x, y, kind;
        char key;
        draw(&s);
        kind = DRAXO_next_event(&x, &y, &key);
        ++events;
        if (kind == DRAXO_QUIT) {
            if (!quits_seen++) DRAXO_console_printf("quit after %d events", events - 1);
            if (strcmp(behaviour, "lingers") == 0) continue;
            if (strcmp(behaviour, "spins") == 0) compute_for_ever();
            break;
        }
        if (kind == DRAXO_MOUSE && s.disc_count < MOST_DISCS) {
            s.discs[s.disc_count].x = x;
            s.discs[s.disc_count].y = y;
            s.disc_colors[s.disc_count++] = s.color;
            DRAXO_console_printf("click %d %d", x, y);
        } else if (kind == DRAXO_KBD) {
            s.color = color_of(key);
            DRAXO_console_printf("key %d", key);
        } else if (kind == DRAXO_PERIODIC) {
            ++s.ticks;
        }
        if (events == 3 && strcmp(behaviour, "hangs") == 0) compute_for_ever();
        if (events == 3 && strcmp(behaviour, "crashes") == 0) {
            /* An address no program owns (and no sanitizer reports first). */
            int* volatile nowhere = (int*)(uintptr_t)16;
            *nowhere = 1;
        }
        if (events == 2 && strcmp(behaviour, "leaves") == 0) break;
        if (events == 2 && strcmp(behaviour, "restarts") == 0) {
            DRAXO_stop();
            DRAXO_start(instance, previous, command_line, show);
            DRAXO_set_logging(0);
        }
        if (events == 4 && strcmp(behaviour, "restarts") == 0) compute_for_ever();
        if (events == 1 && strcmp(behaviour, "garbles") == 0) garble_the_report();
    }
    DRAXO_stop();
    if (strcmp(behaviour, "forges") == 0) forge(reference, picture);
    if (strcmp(behaviour, "cuts") == 0) cut_the_run_file();
    return exit_status;
}
