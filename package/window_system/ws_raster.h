// Aliased rasterisation straight into 32-bit pixel buffers, with the classic
// desktop raster rules. Every operation clips to the buffer, and takes any
// coordinates: only the rows and columns inside the buffer cost time.
#pragma once

#include <cstdint>

#include "window_system.h"

namespace draxo::ws::raster {

using ws::pixels;

// A device point: column and row.
struct point {
    int x = 0;
    int y = 0;
};

// Fills columns x0..x1-1 of one row.
void fill_span(const pixels& target, int row, int x0, int x1, std::uint32_t value);
// Fills the rectangle with exclusive right and bottom bounds.
void fill_rect(const pixels& target, int left, int top, int right, int bottom, std::uint32_t value);
void set_pixel(const pixels& target, int x, int y, std::uint32_t value);
// Copies width x height pixels from (sx, sy) of `source` to (x, y) of `target`.
void copy_rect(const pixels& target, int x, int y, int width, int height, const pixels& source, int sx, int sy);
// Moves the whole content by (dx, dy); the uncovered part keeps its pixels.
void scroll(const pixels& target, int dx, int dy);

// A one-pixel line from (x0, y0) towards (x1, y1), Bresenham-style: one pixel
// per column, or per row when the line is steeper than a diagonal, on the
// nearest row (column), halves going to the side of the start. The end point
// itself is not painted, so a line of length zero paints nothing.
void line(const pixels& target, int x0, int y0, int x1, int y1, std::uint32_t value);

// The inside of a polygon (alternate rule): the pixels inside it, those on
// a left or top edge included and those on a right or bottom edge left to the
// outline, as a rectangle's fill leaves them.
void fill_polygon(const pixels& target, const point* points, int count, std::uint32_t value);
// The closed one-pixel outline through the points: every edge as a line, and
// every corner, so that even a polygon shrunk to one point shows it.
void polygon_outline(const pixels& target, const point* points, int count, std::uint32_t value);

// A triangle filled and outlined in one colour: exactly the pixels of
// fill_polygon followed by polygon_outline, in one pass.
void fill_outlined_triangle(const pixels& target, const point* corners, std::uint32_t value);

// The ellipse inscribed in (left, top) to (right, bottom), right and bottom
// exclusive. It is symmetric about both axes of the box and touches all four
// sides: a box of 2r + 1 pixels gives the circle of radius r, one pixel a
// single pixel. An empty box draws nothing.
void fill_ellipse(const pixels& target, int left, int top, int right, int bottom, std::uint32_t value);
// The ellipse's one-pixel outline: the pixels of the filled ellipse that have
// a neighbour (left, right, above or below) outside it.
void ellipse_outline(const pixels& target, int left, int top, int right, int bottom, std::uint32_t value);

// Wide pens. A pen of `width` pixels is centred on the one-pixel path: an odd
// width reaches width / 2 pixels to each side, an even width one pixel more
// up and to the left than down and to the right. Its stamp is round, so
// segments get round caps and joins.
//
// A segment from a to b with round caps; both ends are painted, and a segment
// of length zero is a round dot.
void stroke_segment(const pixels& target, point a, point b, int width, std::uint32_t value);
// The outline of the ellipse in the box, as wide as the pen: the ring between
// the ellipse grown by the pen's outer reach and the one shrunk by its inner
// reach.
void stroke_ellipse(const pixels& target, int left, int top, int right, int bottom, int width,
                    std::uint32_t value);

}  // namespace draxo::ws::raster
