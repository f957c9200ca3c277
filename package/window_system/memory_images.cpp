// The image entries of the backends that keep images as pixel buffers in
// the program's own memory (memory_images.h): null, web and the template.
// PNG files are written by the PNG codec's encoder.
#include "memory_images.h"

#include <cstddef>
#include <cstdint>
#include <vector>

#include "backend.h"
#include "png/png_codec.h"

namespace draxo::ws::backend {

// 32-bit pixels 0xffRRGGBB, filled with black.
image create_image(int width, int height) { return new image_record(width, height); }

void delete_image(image img) { delete img; }

// The pixels, valid until the image is deleted; rows `stride` pixels apart.
pixels image_pixels(image img) { return pixels{img->bits.data(), img->width, img->height, img->width}; }

// A 24-bit PNG of `area` (inside the image, checked by the core).
bool encode_png(image img, const rect& area, std::vector<unsigned char>& png) {
    pixels px = backend::image_pixels(img);
    const std::uint32_t* first = px.bits + static_cast<std::ptrdiff_t>(area.top) * px.stride + area.left;
    png = png::encode(first, area.right - area.left, area.bottom - area.top, px.stride);
    return true;
}

}  // namespace draxo::ws::backend
