// Drawing contexts in the classic desktop's manner: a target (a window's
// client area or an image), the selected pen, brush and font, the text and
// background colours, the background mode and the current position. Each
// drawing command selects its own pen, brush or font and puts the previous
// ones back, so a context always returns to its defaults between commands.
#pragma once

#include "window_system.h"
#include "ws_raster.h"

namespace draxo::ws {

// A solid pen. Wider than one pixel it is centred on the outline, round, so
// that lines get round ends and outlines round joins.
struct pen {
    ws::colorref color = 0x000000;
    int width = 1;  // 0 and 1 both give a one-pixel pen
    bool null = false;
};

struct brush {
    ws::colorref color = 0xFFFFFF;
    bool hollow = false;
};

enum : int { TRANSPARENT = 1, OPAQUE = 2 };

struct draw_context {
    ws::window window = nullptr;  // draws into this window's client area, or
    ws::image image = nullptr;    // into this image (a memory context)
    pen current_pen{};
    brush current_brush{};
    ws::font current_font = nullptr;  // null: the system font
    ws::colorref text_color = 0x000000;
    ws::colorref background_color = 0xFFFFFF;
    int background_mode = OPAQUE;
    int x = 0, y = 0;  // current position
};

// A context over a window's client area, or a memory context with no image.
draw_context* get_dc(ws::window w);
draw_context* create_memory_dc();
void release_dc(draw_context* dc);
ws::image select_image(draw_context& dc, ws::image img);

pen select_pen(draw_context& dc, pen p);
brush select_brush(draw_context& dc, brush b);
ws::font select_font(draw_context& dc, ws::font f);
ws::colorref set_text_color(draw_context& dc, ws::colorref color);
int set_background_mode(draw_context& dc, int mode);

// The pixels the context draws into (empty when it has no target).
ws::pixels target_pixels(draw_context& dc);
// Marks a window target changed, so the screen catches up.
void target_changed(draw_context& dc);

// Rectangle from (left, top) to (right, bottom), right and bottom exclusive:
// outlined with the pen, filled with the brush. With a null pen the
// rectangle is one pixel smaller in width and height. A wide pen is centred
// on the one-pixel outline and rounds the outer corners.
void dc_rectangle(draw_context& dc, int left, int top, int right, int bottom);
// The ellipse inscribed in the same bounds, outlined and filled the same way.
void dc_ellipse(draw_context& dc, int left, int top, int right, int bottom);
// The closed polygon through the points: filled with the brush, outlined
// with the pen through the points themselves, so that every corner is
// painted (a flat polygon is its outline alone).
void dc_polygon(draw_context& dc, const raster::point* points, int count);
// Sets the current position; returns the previous one.
raster::point dc_move_to(draw_context& dc, int x, int y);
// A line from the current position to (x, y) with the pen, which then
// becomes the current position. A one-pixel pen leaves (x, y) itself
// unpainted; a wide pen paints both ends, round.
void dc_line_to(draw_context& dc, int x, int y);
void dc_set_pixel(draw_context& dc, int x, int y, ws::colorref color);
// Text is UTF-8 (text/text_encoding.h turns a client's text into it).
void dc_text_out(draw_context& dc, int x, int y, const char* text, int length);
ws::extent dc_text_extent(draw_context& dc, const char* text, int length);
ws::text_metrics dc_text_metrics(draw_context& dc);
void dc_bit_blt(draw_context& target, int x, int y, int width, int height, draw_context& source, int sx, int sy);
void dc_scroll(draw_context& dc, int dx, int dy);

}  // namespace draxo::ws
