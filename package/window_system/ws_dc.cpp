// Drawing contexts: the selected pen, brush and font, and every drawing call turned into pixels of the target.
#include "ws_dc.h"

#include <algorithm>
#include <cstdint>
#include <utility>

#include "ws_raster.h"

namespace draxo::ws {

draw_context* get_dc(ws::window w) {
    auto* dc = new draw_context;
    dc->window = w;
    return dc;
}

draw_context* create_memory_dc() { return new draw_context; }

void release_dc(draw_context* dc) { delete dc; }

ws::image select_image(draw_context& dc, ws::image img) { return std::exchange(dc.image, img); }

pen select_pen(draw_context& dc, pen p) { return std::exchange(dc.current_pen, p); }
brush select_brush(draw_context& dc, brush b) { return std::exchange(dc.current_brush, b); }
ws::font select_font(draw_context& dc, ws::font f) { return std::exchange(dc.current_font, f); }
ws::colorref set_text_color(draw_context& dc, ws::colorref color) { return std::exchange(dc.text_color, color); }
int set_background_mode(draw_context& dc, int mode) { return std::exchange(dc.background_mode, mode); }

namespace {
ws::image target_image(draw_context& dc) { return dc.window ? ws::window_surface(dc.window) : dc.image; }

// Bounds of rectangles and ellipses are held within a reach far beyond any
// target, so that the pixel arithmetic on them (one in, one out) cannot
// overflow; nothing that can be seen changes.
constexpr int bounds_reach = 1 << 30;
void order_bounds(int& left, int& top, int& right, int& bottom) {
    left = std::clamp(left, -bounds_reach, bounds_reach);
    top = std::clamp(top, -bounds_reach, bounds_reach);
    right = std::clamp(right, -bounds_reach, bounds_reach);
    bottom = std::clamp(bottom, -bounds_reach, bounds_reach);
    if (left > right) std::swap(left, right);
    if (top > bottom) std::swap(top, bottom);
}
// The bounds enclose at least one pixel. Computed wide: bounds a whole
// reach apart differ by more than an int holds.
bool has_area(int left, int top, int right, int bottom) {
    return std::int64_t{right} - left >= 1 && std::int64_t{bottom} - top >= 1;
}
ws::font font_of(draw_context& dc) { return dc.current_font ? dc.current_font : ws::system_font(); }
}  // namespace

ws::pixels target_pixels(draw_context& dc) {
    ws::image img = target_image(dc);
    if (dc.window && !ws::is_window(dc.window)) return {};
    return img ? ws::image_pixels(img) : ws::pixels{};
}

void target_changed(draw_context& dc) {
    if (dc.window) ws::surface_changed(dc.window);
}

void dc_rectangle(draw_context& dc, int left, int top, int right, int bottom) {
    ws::pixels px = target_pixels(dc);
    if (!px.bits) return;
    order_bounds(left, top, right, bottom);
    const pen& p = dc.current_pen;
    const brush& b = dc.current_brush;
    if (p.null) {
        if (!b.hollow) raster::fill_rect(px, left, top, right - 1, bottom - 1, ws::pixel_of(b.color));
    } else if (p.width <= 1) {
        std::uint32_t outline = ws::pixel_of(p.color);
        if (!b.hollow && b.color == p.color) {
            raster::fill_rect(px, left, top, right, bottom, outline);
        } else {
            if (!b.hollow) raster::fill_rect(px, left + 1, top + 1, right - 1, bottom - 1, ws::pixel_of(b.color));
            if (has_area(left, top, right, bottom)) {
                raster::fill_rect(px, left, top, right, top + 1, outline);
                raster::fill_rect(px, left, bottom - 1, right, bottom, outline);
                raster::fill_rect(px, left, top, left + 1, bottom, outline);
                raster::fill_rect(px, right - 1, top, right, bottom, outline);
            }
        }
    } else {
        if (!b.hollow) raster::fill_rect(px, left + 1, top + 1, right - 1, bottom - 1, ws::pixel_of(b.color));
        if (has_area(left, top, right, bottom)) {
            // The pen follows the one-pixel outline, through the corner pixels.
            const raster::point corners[4] = {
                {left, top}, {right - 1, top}, {right - 1, bottom - 1}, {left, bottom - 1}};
            for (int i = 0; i < 4; ++i)
                raster::stroke_segment(px, corners[i], corners[(i + 1) % 4], p.width, ws::pixel_of(p.color));
        }
    }
    target_changed(dc);
}

void dc_ellipse(draw_context& dc, int left, int top, int right, int bottom) {
    ws::pixels px = target_pixels(dc);
    if (!px.bits) return;
    order_bounds(left, top, right, bottom);
    const pen& p = dc.current_pen;
    const brush& b = dc.current_brush;
    if (p.null) {
        if (!b.hollow) raster::fill_ellipse(px, left, top, right - 1, bottom - 1, ws::pixel_of(b.color));
    } else {
        std::uint32_t outline = ws::pixel_of(p.color);
        if (!b.hollow) raster::fill_ellipse(px, left, top, right, bottom, ws::pixel_of(b.color));
        if (p.width > 1)
            raster::stroke_ellipse(px, left, top, right, bottom, p.width, outline);
        else if (b.hollow || b.color != p.color)  // a fill in the pen's colour already holds its outline
            raster::ellipse_outline(px, left, top, right, bottom, outline);
    }
    target_changed(dc);
}

void dc_polygon(draw_context& dc, const raster::point* points, int count) {
    ws::pixels px = target_pixels(dc);
    if (!px.bits || count <= 0) return;
    const pen& p = dc.current_pen;
    const brush& b = dc.current_brush;
    if (count == 3 && !b.hollow && !p.null && p.width <= 1 && b.color == p.color) {
        // Filled and outlined in one colour: one pass.
        raster::fill_outlined_triangle(px, points, ws::pixel_of(b.color));
        target_changed(dc);
        return;
    }
    if (!b.hollow) raster::fill_polygon(px, points, count, ws::pixel_of(b.color));
    if (!p.null) {
        std::uint32_t outline = ws::pixel_of(p.color);
        if (p.width <= 1) {
            raster::polygon_outline(px, points, count, outline);
        } else {
            for (int i = 0; i < count; ++i)
                raster::stroke_segment(px, points[i], points[(i + 1) % count], p.width, outline);
        }
    }
    target_changed(dc);
}

raster::point dc_move_to(draw_context& dc, int x, int y) {
    raster::point previous{dc.x, dc.y};
    dc.x = x;
    dc.y = y;
    return previous;
}

void dc_line_to(draw_context& dc, int x, int y) {
    raster::point from = dc_move_to(dc, x, y);
    ws::pixels px = target_pixels(dc);
    const pen& p = dc.current_pen;
    if (!px.bits || p.null) return;
    if (p.width <= 1)
        raster::line(px, from.x, from.y, x, y, ws::pixel_of(p.color));
    else
        raster::stroke_segment(px, from, raster::point{x, y}, p.width, ws::pixel_of(p.color));
    target_changed(dc);
}

void dc_set_pixel(draw_context& dc, int x, int y, ws::colorref color) {
    ws::pixels px = target_pixels(dc);
    if (!px.bits) return;
    raster::set_pixel(px, x, y, ws::pixel_of(color));
    target_changed(dc);
}

void dc_text_out(draw_context& dc, int x, int y, const char* text, int length) {
    ws::image img = target_image(dc);
    if (!img || (dc.window && !ws::is_window(dc.window))) return;
    ws::draw_text(img, font_of(dc), x, y, text, length, dc.text_color, dc.background_mode == OPAQUE,
                  dc.background_color);
    target_changed(dc);
}

ws::extent dc_text_extent(draw_context& dc, const char* text, int length) {
    return ws::text_extent(font_of(dc), text, length);
}

ws::text_metrics dc_text_metrics(draw_context& dc) { return ws::font_metrics(font_of(dc)); }

void dc_bit_blt(draw_context& target, int x, int y, int width, int height, draw_context& source, int sx, int sy) {
    ws::pixels to = target_pixels(target), from = target_pixels(source);
    if (!to.bits || !from.bits) return;
    raster::copy_rect(to, x, y, width, height, from, sx, sy);
    target_changed(target);
}

void dc_scroll(draw_context& dc, int dx, int dy) {
    ws::pixels px = target_pixels(dc);
    if (!px.bits) return;
    raster::scroll(px, dx, dy);
    target_changed(dc);
}

}  // namespace draxo::ws
