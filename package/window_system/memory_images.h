// Images as pixel buffers in the program's own memory, for the backends
// without an image library of their own (null, web, the template): the
// record that their shared image entries (memory_images.cpp) make and hand
// out.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace draxo::ws {

// 32-bit pixels 0xffRRGGBB, rows `width` pixels apart, made black. A side
// asked for below 0 is 0.
struct image_record {
    image_record(int w, int h)
        : bits(static_cast<std::size_t>(std::max(0, w)) * static_cast<std::size_t>(std::max(0, h)), 0xFF000000u),
          width(std::max(0, w)),
          height(std::max(0, h)) {}
    std::vector<std::uint32_t> bits;
    int width = 0;
    int height = 0;
};

}  // namespace draxo::ws
