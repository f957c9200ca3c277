/*
 * A program of some three hundred lines, as a student's game grows to: a
 * snake on a grid eats apples, avoids walls and its own tail, and speeds up
 * level by level. The arrow keys (or W, A, S, D) steer it, P pauses, R
 * starts again, Ctrl+Q ends the program. bench/playground_run.mjs times Run
 * to its first frame in the playground, beside the bouncing ball's.
 */
#include <stdio.h>
#include <string.h>

#include "draxo.h"

enum {
    COLUMNS = 26,
    ROWS = 18,
    CELL = 20,
    LEFT = -COLUMNS * CELL / 2,
    BOTTOM = -ROWS * CELL / 2 - 20,
    MOST_CELLS = COLUMNS * ROWS,
    APPLES_A_LEVEL = 5,
    LAST_LEVEL = 9,
    WALLS_MOST = 40
};

typedef struct {
    int column;
    int row;
} cell;

typedef enum { GOING_UP, GOING_DOWN, GOING_LEFT, GOING_RIGHT } heading;

typedef struct {
    cell body[MOST_CELLS];
    int length;
    heading going;
    heading next;
} snake;

typedef struct {
    snake player;
    cell apple;
    cell walls[WALLS_MOST];
    int wall_count;
    int level;
    int eaten;
    int score;
    int best;
    int paused;
    int over;
    unsigned seed;
    int ticks;
} game;

/* A small generator of its own, so that every run places the same apples. */
static int next_random(game* g, int below) {
    g->seed = g->seed * 1103515245u + 12345u;
    return (int)((g->seed >> 16) % (unsigned)below);
}

static int same_cell(cell a, cell b) { return a.column == b.column && a.row == b.row; }

static int on_snake(const snake* s, cell c, int from) {
    for (int i = from; i < s->length; ++i)
        if (same_cell(s->body[i], c)) return 1;
    return 0;
}

static int on_wall(const game* g, cell c) {
    for (int i = 0; i < g->wall_count; ++i)
        if (same_cell(g->walls[i], c)) return 1;
    return 0;
}

static int outside(cell c) { return c.column < 0 || c.column >= COLUMNS || c.row < 0 || c.row >= ROWS; }

static void place_apple(game* g) {
    for (int tries = 0; tries < 1000; ++tries) {
        cell c = {next_random(g, COLUMNS), next_random(g, ROWS)};
        if (!on_snake(&g->player, c, 0) && !on_wall(g, c)) {
            g->apple = c;
            return;
        }
    }
    g->apple = (cell){0, 0};
}

/* Each level adds a bar of wall, away from the snake's start. */
static void build_walls(game* g) {
    g->wall_count = 0;
    for (int level = 2; level <= g->level; ++level) {
        int row = level % 2 ? 3 + level : ROWS - 3 - level;
        int from = 4 + level, to = from + 5;
        for (int column = from; column < to && g->wall_count < WALLS_MOST; ++column)
            g->walls[g->wall_count++] = (cell){column % COLUMNS, (row + ROWS) % ROWS};
    }
}

static void start_level(game* g) {
    snake* s = &g->player;
    s->length = 4;
    for (int i = 0; i < s->length; ++i) s->body[i] = (cell){COLUMNS / 2 - i, 1};
    s->going = s->next = GOING_RIGHT;
    g->eaten = 0;
    g->paused = 0;
    g->over = 0;
    build_walls(g);
    place_apple(g);
    DRAXO_set_periodic_interval(160 - 12 * g->level);
}

static void new_game(game* g) {
    int best = g->best;
    memset(g, 0, sizeof *g);
    g->best = best;
    g->seed = 2024;
    g->level = 1;
    start_level(g);
}

static cell ahead(cell c, heading h) {
    switch (h) {
    case GOING_UP: ++c.row; break;
    case GOING_DOWN: --c.row; break;
    case GOING_LEFT: --c.column; break;
    case GOING_RIGHT: ++c.column; break;
    }
    return c;
}

static int opposite(heading a, heading b) {
    return (a == GOING_UP && b == GOING_DOWN) || (a == GOING_DOWN && b == GOING_UP) ||
           (a == GOING_LEFT && b == GOING_RIGHT) || (a == GOING_RIGHT && b == GOING_LEFT);
}

static void steer(game* g, heading h) {
    if (!opposite(g->player.going, h)) g->player.next = h;
}

/* One step of the snake: it moves, eats, grows, or runs into something. */
static void step(game* g) {
    snake* s = &g->player;
    s->going = s->next;
    cell head = ahead(s->body[0], s->going);
    if (outside(head) || on_wall(g, head) || on_snake(s, head, 0)) {
        g->over = 1;
        if (g->score > g->best) g->best = g->score;
        return;
    }
    int grows = same_cell(head, g->apple);
    if (grows && s->length < MOST_CELLS) ++s->length;
    for (int i = s->length - 1; i > 0; --i) s->body[i] = s->body[i - 1];
    s->body[0] = head;
    if (!grows) return;
    g->score += 10 * g->level;
    if (++g->eaten == APPLES_A_LEVEL && g->level < LAST_LEVEL) {
        ++g->level;
        start_level(g);
    } else {
        place_apple(g);
    }
}

static int cell_x(cell c) { return LEFT + c.column * CELL; }
static int cell_y(cell c) { return BOTTOM + c.row * CELL; }

static void draw_cell(cell c, int colour, int inset) {
    DRAXO_rectangle(colour, cell_x(c) + inset, cell_y(c) + inset, cell_x(c) + CELL - inset,
                    cell_y(c) + CELL - inset, -1);
}

static void draw_board(void) {
    DRAXO_rectangle(FOREST_GREEN, LEFT - 4, BOTTOM - 4, LEFT + COLUMNS * CELL + 4, BOTTOM + ROWS * CELL + 4, 3);
    for (int column = 0; column <= COLUMNS; column += 2)
        DRAXO_line(GRAY_20, LEFT + column * CELL, BOTTOM, LEFT + column * CELL, BOTTOM + ROWS * CELL, 1);
    for (int row = 0; row <= ROWS; row += 2)
        DRAXO_line(GRAY_20, LEFT, BOTTOM + row * CELL, LEFT + COLUMNS * CELL, BOTTOM + row * CELL, 1);
}

static void draw_snake(const snake* s, int over) {
    for (int i = s->length - 1; i >= 0; --i)
        draw_cell(s->body[i], over ? GRAY_50 : i % 2 ? GREEN : FOREST_GREEN, 2);
    cell head = s->body[0];
    int x = cell_x(head) + CELL / 2, y = cell_y(head) + CELL / 2;
    DRAXO_circle(WHITE, x - 4, y + 3, 3);
    DRAXO_circle(WHITE, x + 4, y + 3, 3);
    DRAXO_pixel(BLACK, x - 4, y + 3);
    DRAXO_pixel(BLACK, x + 4, y + 3);
}

static void draw_apple(cell apple) {
    int x = cell_x(apple) + CELL / 2, y = cell_y(apple) + CELL / 2;
    DRAXO_circle(RED, x, y, CELL / 2 - 2);
    DRAXO_line(BROWN, x, y + CELL / 2 - 3, x + 3, y + CELL / 2 + 2, 2);
    DRAXO_oval(GREEN, x + 2, y + CELL / 2 - 2, x + 8, y + CELL / 2 + 2, -1);
}

static void draw_walls(const game* g) {
    for (int i = 0; i < g->wall_count; ++i) {
        draw_cell(g->walls[i], BROWN, 0);
        DRAXO_line(BLACK, cell_x(g->walls[i]), cell_y(g->walls[i]) + CELL / 2, cell_x(g->walls[i]) + CELL,
                   cell_y(g->walls[i]) + CELL / 2, 1);
    }
}

static void draw_status(const game* g) {
    int top = BOTTOM + ROWS * CELL + 12;
    DRAXO_printf_text(NAVY_BLUE, LEFT, top + 24, 16, "Level %d   Score %d   Best %d", g->level, g->score, g->best);
    for (int i = 0; i < APPLES_A_LEVEL; ++i)
        DRAXO_circle(i < g->eaten ? RED : GRAY_20, -LEFT - 12 - 18 * i, top + 14, 6);
    if (g->paused) DRAXO_text(BLUE, LEFT, top, 14, "Paused: P goes on");
}

static void draw_game_over(const game* g) {
    DRAXO_rectangle(WHITE, -150, -40, 150, 50, -1);
    DRAXO_rectangle(RED, -150, -40, 150, 50, 3);
    DRAXO_text(RED, -120, 30, 24, "Game over");
    DRAXO_printf_text(BLACK, -120, 0, 14, "Score %d, level %d", g->score, g->level);
    DRAXO_text(BLACK, -120, -20, 14, "R plays again, Ctrl+Q ends");
}

static void draw(const game* g) {
    DRAXO_clear_window();
    draw_board();
    draw_walls(g);
    draw_apple(g->apple);
    draw_snake(&g->player, g->over);
    draw_status(g);
    if (g->over) draw_game_over(g);
}

/* The keys of the game: a key's code for the arrows, its letter for the rest. */
static void on_key(game* g, int code, char key) {
    switch (code) {
    case DRAXO_KEY_UP: steer(g, GOING_UP); return;
    case DRAXO_KEY_DOWN: steer(g, GOING_DOWN); return;
    case DRAXO_KEY_LEFT: steer(g, GOING_LEFT); return;
    case DRAXO_KEY_RIGHT: steer(g, GOING_RIGHT); return;
    default: break;
    }
    switch (key) {
    case 'w':
    case 'W': steer(g, GOING_UP); break;
    case 's':
    case 'S': steer(g, GOING_DOWN); break;
    case 'a':
    case 'A': steer(g, GOING_LEFT); break;
    case 'd':
    case 'D': steer(g, GOING_RIGHT); break;
    case 'p':
    case 'P':
        if (!g->over) g->paused = !g->paused;
        break;
    case 'r':
    case 'R': new_game(g); break;
    default: break;
    }
}

static void report(const game* g) {
    printf("level %d, score %d, length %d\n", g->level, g->score, g->player.length);
    fflush(stdout);
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous_instance, LPSTR command_line, int show_command) {
    static game g;
    int x, y;
    char key;

    DRAXO_start(instance, previous_instance, command_line, show_command);
    DRAXO_set_logging(0);
    DRAXO_set_input(DRAXO_INPUT_KEYS);
    DRAXO_console_printf("Arrows or W A S D steer, P pauses, R starts again, Ctrl+Q ends.\n");
    new_game(&g);
    DRAXO_set_animation(DRAXO_ANIMATE_RUN);

    for (;;) {
        draw(&g);
        switch (DRAXO_next_event(&x, &y, &key)) {
        case DRAXO_PERIODIC:
            if (!g.paused && !g.over) {
                step(&g);
                if (++g.ticks % 50 == 0) report(&g);
            }
            break;
        case DRAXO_KEY_PRESS:
        case DRAXO_KBD: on_key(&g, DRAXO_event_key_code(), key); break;
        case DRAXO_QUIT:
            report(&g);
            DRAXO_stop();
            return 0;
        default: break;
        }
    }
}
