// Images as pixel buffers in the program's own memory, for the backends
// without an image library of their own (null, web): the record, and the
// backend's three image entries in memory_images.cpp, linked with each such
// backend as png_entry.cpp is.
#pragma once

#include <cstdint>
#include <vector>

namespace draxo::ws {

// 32-bit pixels 0xffRRGGBB, rows `width` pixels apart.
struct image_record {
    std::vector<std::uint32_t> bits;
    int width = 0;
    int height = 0;
};

}  // namespace draxo::ws
