// Template backend: images as pixel buffers in memory (memory_images.h) and
// PNG files by the PNG codec's encoder, as the null and web backends keep
// them. A port whose system has an image type the screen copies from
// quickly keeps its pixels there instead (its own image_record), and may
// encode with the system's PNG writer.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "../memory_images.h"
#include "png/png_codec.h"
#include "template_backend.h"

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
