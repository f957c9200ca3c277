// Web backend: images as pixel buffers in the program's memory
// (memory_images.h), copied to a window's canvas when shown; PNG files by
// the PNG codec's encoder.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "png/png_codec.h"
#include "web_backend.h"

namespace draxo::ws::backend {

image create_image(int width, int height) { return new image_record(width, height); }

void delete_image(image img) { delete img; }

pixels image_pixels(image img) { return pixels{img->bits.data(), img->width, img->height, img->width}; }

bool encode_png(image img, const rect& area, std::vector<unsigned char>& png) {
    pixels px = backend::image_pixels(img);
    const std::uint32_t* first = px.bits + static_cast<std::ptrdiff_t>(area.top) * px.stride + area.left;
    png = png::encode(first, area.right - area.left, area.bottom - area.top, px.stride);
    return true;
}

}  // namespace draxo::ws::backend
