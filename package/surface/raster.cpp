#include "raster.h"

#include <algorithm>
#include <cstring>

namespace draxo::raster {

void fill_span(const pixels& target, int row, int x0, int x1, std::uint32_t value) {
    if (row < 0 || row >= target.height) return;
    x0 = std::max(x0, 0);
    x1 = std::min(x1, target.width);
    if (x0 >= x1) return;
    std::fill(target.bits + static_cast<long>(row) * target.stride + x0,
              target.bits + static_cast<long>(row) * target.stride + x1, value);
}

void fill_rect(const pixels& target, int left, int top, int right, int bottom, std::uint32_t value) {
    top = std::max(top, 0);
    bottom = std::min(bottom, target.height);
    for (int row = top; row < bottom; ++row) fill_span(target, row, left, right, value);
}

void set_pixel(const pixels& target, int x, int y, std::uint32_t value) {
    if (x < 0 || y < 0 || x >= target.width || y >= target.height) return;
    target.bits[static_cast<long>(y) * target.stride + x] = value;
}

void copy_rect(const pixels& target, int x, int y, int width, int height, const pixels& source, int sx, int sy) {
    // Clip against the source, then the target, moving both origins together.
    if (sx < 0) { width += sx; x -= sx; sx = 0; }
    if (sy < 0) { height += sy; y -= sy; sy = 0; }
    if (x < 0) { width += x; sx -= x; x = 0; }
    if (y < 0) { height += y; sy -= y; y = 0; }
    width = std::min({width, source.width - sx, target.width - x});
    height = std::min({height, source.height - sy, target.height - y});
    if (width <= 0 || height <= 0) return;
    for (int row = 0; row < height; ++row)
        std::memmove(target.bits + static_cast<long>(y + row) * target.stride + x,
                     source.bits + static_cast<long>(sy + row) * source.stride + sx,
                     sizeof(std::uint32_t) * static_cast<std::size_t>(width));
}

void scroll(const pixels& target, int dx, int dy) {
    if (dy <= 0) {
        for (int row = 0; row < target.height; ++row)
            copy_rect(target, dx, row + dy, target.width, 1, target, 0, row);
    } else {
        for (int row = target.height - 1; row >= 0; --row)
            copy_rect(target, dx, row + dy, target.width, 1, target, 0, row);
    }
}

}  // namespace draxo::raster
