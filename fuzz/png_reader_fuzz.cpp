// Fuzz target for the PNG reader, which draxo-run gives the reference
// pictures users name. Any bytes go to the reader, which must never read
// past them, overflow or misbehave: it refuses them with a reason, or gives a
// picture of the size it says, every pixel opaque. A picture it gives is
// written again by the encoder and must read back pixel for pixel.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "png/png_codec.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    draxo::png::picture picture;
    std::string why_not;
    if (!draxo::png::decode(data, size, picture, why_not)) {
        if (why_not.empty() || !picture.pixels.empty()) std::abort();
        return 0;
    }
    if (picture.width < 1 || picture.height < 1 || picture.width > draxo::png::largest_side ||
        picture.height > draxo::png::largest_side ||
        picture.pixels.size() != static_cast<std::size_t>(picture.width) * picture.height)
        std::abort();
    for (std::uint32_t pixel : picture.pixels)
        if ((pixel >> 24) != 0xFFu) std::abort();
    std::vector<unsigned char> again =
        draxo::png::encode(picture.pixels.data(), picture.width, picture.height, picture.width);
    draxo::png::picture back;
    if (!draxo::png::decode(again.data(), again.size(), back, why_not) || back.pixels != picture.pixels)
        std::abort();
    return 0;
}
