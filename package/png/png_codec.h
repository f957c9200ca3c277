// PNG files without an image library: the encoder of the window-system
// backends that have none (null, Win32, web), of the picture an unattended
// run keeps and of the pictures draxo-run writes; the decoder of the
// reference pictures draxo-run compares with. Pure functions over bytes and
// pixels: no files, no window system. Pixels are 32-bit 0xffRRGGBB, as the
// layer's images hold them. A library of its own (draxo_png), which those
// backends, the package and draxo-run link.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace draxo::png {

// A picture's pixels, row by row, without gaps.
struct picture {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels;
};

// The most pixels a decoded picture may have, and the most a side: far more
// than any drawing window, far less than would exhaust the memory.
constexpr int largest_side = 16384;
constexpr std::size_t most_pixels = std::size_t{1} << 24;

// A PNG file of `width` x `height` pixels starting at `first`, rows `stride`
// pixels apart: 24-bit RGB, compressed (adaptive row filters, deflate with
// dynamic codes). The same pixels always give the same bytes, on every
// platform. `width` and `height` are at least 1.
std::vector<unsigned char> encode(const std::uint32_t* first, int width, int height, int stride);

// Reads a PNG file's bytes: every colour type and bit depth of the format,
// interlaced or not. Alpha is left out: each pixel comes back opaque with
// its colour; 16-bit samples are rounded to the nearest 8-bit value.
// False, with the reason in words, for anything that is not a whole,
// undamaged PNG file, or for a picture larger than the limits above. It
// never reads past `size` bytes, nor writes past what it allocates.
bool decode(const unsigned char* bytes, std::size_t size, picture& out, std::string& why_not);

}  // namespace draxo::png
