#include "memory_images.h"

#include <algorithm>
#include <cstddef>

#include "backend.h"

namespace draxo::ws::backend {

image create_image(int width, int height) {
    auto* img = new image_record;
    img->width = std::max(0, width);
    img->height = std::max(0, height);
    img->bits.assign(static_cast<std::size_t>(img->width) * static_cast<std::size_t>(img->height), 0xFF000000u);
    return img;
}

void delete_image(image img) { delete img; }

pixels image_pixels(image img) { return pixels{img->bits.data(), img->width, img->height, img->width}; }

}  // namespace draxo::ws::backend
