// The layer's core: images, fonts and text, kept by the backend, and the
// plain pixel operations the core does itself.
#include <algorithm>
#include <cstring>

#include "ws_core.h"

namespace draxo::ws {

image create_image(int width, int height) { return backend::create_image(width, height); }

void delete_image(image img) {
    if (img) backend::delete_image(img);
}

pixels image_pixels(image img) { return img ? backend::image_pixels(img) : pixels{}; }

bool encode_png(image img, const rect& area, std::vector<unsigned char>& png) {
    png.clear();
    pixels px = image_pixels(img);
    bool inside = area.left >= 0 && area.top >= 0 && area.left < area.right && area.top < area.bottom &&
                  area.right <= px.width && area.bottom <= px.height;
    if (!inside) return false;
    if (backend::encode_png(img, area, png)) return true;
    png.clear();
    return false;
}

void fill_image(image img, colorref color) {
    pixels px = image_pixels(img);
    std::uint32_t value = pixel_of(color);
    for (int row = 0; row < px.height; ++row) std::fill_n(px.bits + row * px.stride, px.width, value);
}

void copy_image(image from, image to) {
    pixels a = image_pixels(from), b = image_pixels(to);
    int width = std::min(a.width, b.width), height = std::min(a.height, b.height);
    for (int row = 0; row < height; ++row)
        std::memcpy(b.bits + row * b.stride, a.bits + row * a.stride, sizeof(std::uint32_t) * width);
}

font create_font(int height, int weight, const char* face) { return backend::create_font(height, weight, face); }

void delete_font(font f) {
    if (f && f != stock_fixed_font() && f != system_font()) backend::delete_font(f);
}

font stock_fixed_font() { return backend::stock_fixed_font(); }

font system_font() { return backend::system_font(); }

text_metrics font_metrics(font f) { return f ? backend::font_metrics(f) : text_metrics{}; }

extent text_extent(font f, const char* text, int length) {
    return f ? backend::text_extent(f, text, length) : extent{};
}

void draw_text(image target, font f, int x, int y, const char* text, int length, colorref color, bool opaque,
               colorref background) {
    if (!target || !f || !text || length <= 0) return;
    backend::draw_text(target, f, x, y, text, length, color, opaque, background);
}

}  // namespace draxo::ws
