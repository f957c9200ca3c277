// The backend's PNG entry for backends without an image library of their own
// (null, Win32, web): the PNG codec's encoder (png/png_codec.h), which compresses as
// well as an image library does. Linked with each such backend; a backend
// with its own encoder (Qt's is faster there) leaves this file out.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "backend.h"
#include "png/png_codec.h"

namespace draxo::ws {

bool backend::encode_png(image img, const rect& area, std::vector<unsigned char>& png) {
    pixels px = backend::image_pixels(img);
    const std::uint32_t* first = px.bits + static_cast<std::ptrdiff_t>(area.top) * px.stride + area.left;
    png = png::encode(first, area.right - area.left, area.bottom - area.top, px.stride);
    return true;
}

}  // namespace draxo::ws
