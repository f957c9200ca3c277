// Aliased rasterisation straight into 32-bit pixel buffers, with the classic
// desktop raster rules. Every operation clips to the buffer.
#pragma once

#include <cstdint>

#include "window_system.h"

namespace draxo::raster {

using ws::pixels;

// Fills columns x0..x1-1 of one row.
void fill_span(const pixels& target, int row, int x0, int x1, std::uint32_t value);
// Fills the rectangle with exclusive right and bottom bounds.
void fill_rect(const pixels& target, int left, int top, int right, int bottom, std::uint32_t value);
void set_pixel(const pixels& target, int x, int y, std::uint32_t value);
// Copies width x height pixels from (sx, sy) of `source` to (x, y) of `target`.
void copy_rect(const pixels& target, int x, int y, int width, int height, const pixels& source, int sx, int sy);
// Moves the whole content by (dx, dy); the uncovered part keeps its pixels.
void scroll(const pixels& target, int dx, int dy);

}  // namespace draxo::raster
