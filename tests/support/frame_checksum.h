// A checksum of the frame buffer's pixels, for tests that hold whole frames
// fixed.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

#include "surface/display.h"

namespace draxo::test {

constexpr std::uint64_t checksum_start = 0xCBF29CE484222325ull;

// FNV-1a over the frame buffer's pixels, row by row, each pixel's four
// bytes from the lowest, folded into `hash`.
inline std::uint64_t fold_frame(std::uint64_t hash = checksum_start) {
    ws::pixels px = ws::image_pixels(display.frame_buffer);
    for (int row = 0; row < px.height; ++row)
        for (int column = 0; column < px.width; ++column) {
            std::uint32_t value = px.bits[row * px.stride + column];
            for (int byte = 0; byte < 4; ++byte) {
                hash ^= (value >> (8 * byte)) & 0xFFu;
                hash *= 0x100000001B3ull;
            }
        }
    return hash;
}

// As the tests write checksums down: "0x" and 16 hexadecimal digits.
inline std::string hex(std::uint64_t value) {
    char text[24];
    std::snprintf(text, sizeof text, "0x%016llX", static_cast<unsigned long long>(value));
    return text;
}

}  // namespace draxo::test
