// The shape operations: pixel, filled circle, triangle, rectangle, oval and
// line, each in a coordinate form and a point form, and the obsolete undo.
// Each repairs impossible arguments with a message, checks its colour, logs
// the call while logging is on and hands one draw_command to the renderer.
// The order of those steps differs between the operations, and with it the
// order of the messages on the console.
#include <cstdint>
#include <utility>

#include "console/console.h"
#include "display.h"
#include "draw_command.h"
#include "draxo.h"
#include "operation_guard.h"
#include "palette.h"

namespace draxo {
namespace {

int repaired_width(int width) {
    if (width >= 0) return width;
    int repaired = absolute_value(width);
    console_printf("Width of %d not possible, using width %d\n", width, repaired);
    return repaired;
}

// Rectangle and oval corners: the first becomes the upper left (y up), each
// coordinate swapped on its own.
void order_corners(DRAXO_point& p1, DRAXO_point& p2) {
    if (p1.x > p2.x) std::swap(p1.x, p2.x);
    if (p1.y < p2.y) std::swap(p1.y, p2.y);
}

draw_command box_command(int kind, int color, DRAXO_point p1, DRAXO_point p2, int width) {
    draw_command c;
    c.kind = kind;
    c.color = color;
    c.width = width;
    c.x1 = p1.x;
    c.y1 = p1.y;
    c.x2 = p2.x;
    c.y2 = p2.y;
    return c;
}

}  // namespace
}  // namespace draxo

using namespace draxo;

extern "C" int DRAXO_pixel(int color, int x, int y) try {
    if (!may_draw(__func__)) return 0;
    return DRAXO_pixel_pt(color, DRAXO_point{x, y});
} catch (...) {
    return operation_failed(__func__, 0);
}

extern "C" int DRAXO_pixel_pt(int color, DRAXO_point point) try {
    if (!may_draw(__func__)) return 0;
    color = check_color(color);
    if (console.logging) console_printf("%s pixel at (%d,%d)\n", palette_names[color], point.x, point.y);
    draw_command c;
    c.kind = DRAW_PIXEL;
    c.color = color;
    c.x1 = point.x;
    c.y1 = point.y;
    render_command(&c);
    return 1;
} catch (...) {
    return operation_failed(__func__, 0);
}

extern "C" int DRAXO_circle(int color, int x, int y, int radius) try {
    if (!may_draw(__func__)) return 0;
    return DRAXO_circle_pt(color, DRAXO_point{x, y}, radius);
} catch (...) {
    return operation_failed(__func__, 0);
}

extern "C" int DRAXO_circle_pt(int color, DRAXO_point centre, int radius) try {
    if (!may_draw(__func__)) return 0;
    color = check_color(color);
    if (radius < 0) {
        int repaired = absolute_value(radius);
        console_printf("Radius of %d not possible, using radius %d\n", radius, repaired);
        radius = repaired;
    }
    if (console.logging)
        console_printf("%s circle at (%d,%d), radius %d\n", palette_names[color], centre.x, centre.y, radius);
    // A filled oval reaching `radius` pixels from the centre each way.
    DRAXO_point upper_left{clamp_to_int(std::int64_t{centre.x} - radius),
                           clamp_to_int(std::int64_t{centre.y} + radius)};
    DRAXO_point lower_right{clamp_to_int(std::int64_t{centre.x} + radius),
                            clamp_to_int(std::int64_t{centre.y} - radius)};
    draw_command c = box_command(DRAW_OVAL, color, upper_left, lower_right, 0);
    render_command(&c);
    return 1;
} catch (...) {
    return operation_failed(__func__, 0);
}

extern "C" int DRAXO_triangle(int color, int x1, int y1, int x2, int y2, int x3, int y3, int width) try {
    if (!may_draw(__func__)) return 0;
    return DRAXO_triangle_pt(color, DRAXO_point{x1, y1}, DRAXO_point{x2, y2}, DRAXO_point{x3, y3}, width);
} catch (...) {
    return operation_failed(__func__, 0);
}

extern "C" int DRAXO_triangle_pt(int color, DRAXO_point p1, DRAXO_point p2, DRAXO_point p3, int width) try {
    if (!may_draw(__func__)) return 0;
    color = check_color(color);
    width = repaired_width(width);
    if (console.logging)
        console_printf("%s triangle at (%d,%d), (%d,%d), (%d,%d)\n", palette_names[color], p1.x, p1.y, p2.x, p2.y,
                       p3.x, p3.y);
    draw_command c = box_command(DRAW_TRIANGLE, color, p1, p2, width);
    c.x3 = p3.x;
    c.y3 = p3.y;
    render_command(&c);
    return 1;
} catch (...) {
    return operation_failed(__func__, 0);
}

extern "C" int DRAXO_rectangle(int color, int x1, int y1, int x2, int y2, int width) try {
    if (!may_draw(__func__)) return 0;
    return DRAXO_rectangle_pt(color, DRAXO_point{x1, y1}, DRAXO_point{x2, y2}, width);
} catch (...) {
    return operation_failed(__func__, 0);
}

extern "C" int DRAXO_rectangle_pt(int color, DRAXO_point p1, DRAXO_point p2, int width) try {
    if (!may_draw(__func__)) return 0;
    order_corners(p1, p2);
    color = check_color(color);
    width = repaired_width(width);
    if (console.logging) {
        if (width == 0)
            console_printf("%s rectangle with bounding box (%d,%d) to (%d,%d), filled\n", palette_names[color],
                           p1.x, p1.y, p2.x, p2.y);
        else
            console_printf("%s rectangle with bounding box (%d,%d) to (%d,%d) with line width %d\n",
                           palette_names[color], p1.x, p1.y, p2.x, p2.y, width);
    }
    draw_command c = box_command(DRAW_RECTANGLE, color, p1, p2, width);
    render_command(&c);
    return 1;
} catch (...) {
    return operation_failed(__func__, 0);
}

extern "C" int DRAXO_oval(int color, int x1, int y1, int x2, int y2, int width) try {
    if (!may_draw(__func__)) return 0;
    return DRAXO_oval_pt(color, DRAXO_point{x1, y1}, DRAXO_point{x2, y2}, width);
} catch (...) {
    return operation_failed(__func__, 0);
}

extern "C" int DRAXO_oval_pt(int color, DRAXO_point p1, DRAXO_point p2, int width) try {
    if (!may_draw(__func__)) return 0;
    order_corners(p1, p2);
    width = repaired_width(width);
    color = check_color(color);
    if (console.logging) {
        if (width == 0)
            console_printf("%s oval with bounding box (%d,%d) to (%d,%d), filled\n", palette_names[color], p1.x,
                           p1.y, p2.x, p2.y);
        else
            console_printf("%s oval with bounding box (%d,%d) to (%d,%d), line width %d\n", palette_names[color],
                           p1.x, p1.y, p2.x, p2.y, width);
    }
    draw_command c = box_command(DRAW_OVAL, color, p1, p2, width);
    render_command(&c);
    return 1;
} catch (...) {
    return operation_failed(__func__, 0);
}

extern "C" int DRAXO_line(int color, int x1, int y1, int x2, int y2, int width) try {
    if (!may_draw(__func__)) return 0;
    return DRAXO_line_pt(color, DRAXO_point{x1, y1}, DRAXO_point{x2, y2}, width);
} catch (...) {
    return operation_failed(__func__, 0);
}

extern "C" int DRAXO_line_pt(int color, DRAXO_point p1, DRAXO_point p2, int width) try {
    if (!may_draw(__func__)) return 0;
    width = repaired_width(width);
    color = check_color(color);
    if (console.logging)
        console_printf("%s line from (%d,%d) to (%d,%d), width %d\n", palette_names[color], p1.x, p1.y, p2.x, p2.y,
                       width);
    // A line of width 0 is drawn one pixel wide.
    draw_command c = box_command(DRAW_LINE, color, p1, p2, width == 0 ? 1 : width);
    render_command(&c);
    return 1;
} catch (...) {
    return operation_failed(__func__, 0);
}

extern "C" int DRAXO_undo(void) try {
    if (!on_package_thread(__func__)) return 0;
    console_printf("DRAXO_undo is no longer supported.\n");
    return 1;
} catch (...) {
    return operation_failed(__func__, 0);
}
