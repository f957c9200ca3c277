// PNG files for the backends that use no image library: the null backend,
// and the Win32 one, through the layer's own encoder (png_codec.h).
#include "../png_codec.h"
#include "null_backend.h"

namespace draxo::ws {

bool backend::encode_png(image img, const rect& area, std::vector<unsigned char>& png) {
    pixels px = backend::image_pixels(img);
    const std::uint32_t* first = px.bits + static_cast<std::ptrdiff_t>(area.top) * px.stride + area.left;
    png = png::encode(first, area.right - area.left, area.bottom - area.top, px.stride);
    return true;
}

}  // namespace draxo::ws
