// Comparing pictures and drawing their difference.
#include "compare.h"

#include <algorithm>
#include <cstdint>

namespace draxo_run {
namespace {

constexpr std::uint32_t difference_red = 0xFFFF0000u;

// Each channel three quarters of the way to white.
std::uint32_t faded(std::uint32_t pixel) {
    std::uint32_t out = 0xFF000000u;
    for (int shift = 0; shift <= 16; shift += 8) {
        std::uint32_t channel = (pixel >> shift) & 0xFFu;
        out |= (255 - (255 - channel) / 4) << shift;
    }
    return out;
}

// The pixel at (x, y), or none when the picture does not reach there.
bool pixel_at(const draxo::png::picture& p, int x, int y, std::uint32_t& out) {
    if (x >= p.width || y >= p.height) return false;
    out = p.pixels[static_cast<std::size_t>(y) * p.width + x] | 0xFF000000u;
    return true;
}

}  // namespace

comparison compare_pictures(const draxo::png::picture& picture, const draxo::png::picture& reference) {
    comparison result;
    draxo::png::picture& d = result.difference;
    d.width = std::max(picture.width, reference.width);
    d.height = std::max(picture.height, reference.height);
    d.pixels.assign(static_cast<std::size_t>(d.width) * d.height, difference_red);
    for (int y = 0; y < d.height; ++y) {
        for (int x = 0; x < d.width; ++x) {
            std::uint32_t mine = 0, theirs = 0;
            bool in_mine = pixel_at(picture, x, y, mine), in_theirs = pixel_at(reference, x, y, theirs);
            std::uint32_t& out = d.pixels[static_cast<std::size_t>(y) * d.width + x];
            if (in_mine && in_theirs && mine == theirs)
                out = faded(mine);
            else
                ++result.differing;
        }
    }
    return result;
}

std::filesystem::path difference_path(const std::filesystem::path& picture) {
    std::filesystem::path extension = picture.has_extension() ? picture.extension() : ".png";
    std::filesystem::path name = picture.stem();
    name += "-diff";
    name += extension;
    return picture.parent_path() / name;
}

}  // namespace draxo_run
