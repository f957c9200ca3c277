// The renderer: draws one command into the frame buffer through buffer_dc.
// Each command makes its own pen and brush, selects them, draws and puts
// back what it replaced, so the context's default one-pixel black pen is in
// place between commands (the clear relies on it).
#include "renderer.h"

#include "palette.h"

namespace draxo {

namespace {

// The pen of a command: solid, `width` pixels wide (0 and 1 give one pixel).
ws::pen pen_of(const draw_command& c) { return ws::pen{palette_rgb[c.color], c.width, false}; }

// Width 0 fills in the colour; any other width leaves the inside untouched.
ws::brush brush_of(const draw_command& c) { return ws::brush{palette_rgb[c.color], c.width != 0}; }

void render_triangle(const draw_command& c) {
    ws::pen previous_pen = select_pen(*display.buffer_dc, pen_of(c));
    ws::brush previous_brush = select_brush(*display.buffer_dc, brush_of(c));
    const ws::raster::point corners[3] = {{device_column(c.x1), device_row(c.y1)},
                                          {device_column(c.x2), device_row(c.y2)},
                                          {device_column(c.x3), device_row(c.y3)}};
    dc_polygon(*display.buffer_dc, corners, 3);
    select_pen(*display.buffer_dc, previous_pen);
    select_brush(*display.buffer_dc, previous_brush);
}

// Rectangles and ovals cover both corner pixels: the bounds handed on are
// exclusive on the right and at the bottom, hence the + 1.
void render_box(const draw_command& c, void (*draw)(ws::draw_context&, int, int, int, int)) {
    ws::pen previous_pen = select_pen(*display.buffer_dc, pen_of(c));
    ws::brush previous_brush = select_brush(*display.buffer_dc, brush_of(c));
    draw(*display.buffer_dc, device_column(c.x1), device_row(c.y1), device_column(std::int64_t{c.x2} + 1),
         device_row(std::int64_t{c.y2} - 1));
    select_pen(*display.buffer_dc, previous_pen);
    select_brush(*display.buffer_dc, previous_brush);
}

void render_line(const draw_command& c) {
    ws::pen previous_pen = select_pen(*display.buffer_dc, pen_of(c));
    dc_move_to(*display.buffer_dc, device_column(c.x1), device_row(c.y1));
    dc_line_to(*display.buffer_dc, device_column(c.x2), device_row(c.y2));
    select_pen(*display.buffer_dc, previous_pen);
}

}  // namespace

void render_command(const draw_command* command) {
    const draw_command& c = *command;
    switch (c.kind) {
    case DRAW_TRIANGLE: render_triangle(c); break;
    case DRAW_RECTANGLE: render_box(c, ws::dc_rectangle); break;
    case DRAW_OVAL: render_box(c, ws::dc_ellipse); break;
    case DRAW_LINE: render_line(c); break;
    case DRAW_PIXEL:
        dc_set_pixel(*display.buffer_dc, device_column(c.x1), device_row(c.y1), palette_rgb[c.color]);
        break;
    case DRAW_TEXT: render_text(c); break;
    default: break;
    }
    display.frame_dirty = 1;
}

}  // namespace draxo
