// A PNG encoder for the backends that use no image library: the null
// backend, and the Win32 one. Self-contained.
// The picture is written as one IDAT chunk holding a zlib stream of stored
// (uncompressed) deflate blocks: larger than a compressed file, but exact,
// small to write and readable by every PNG reader.
#include <array>
#include <cstddef>
#include <cstdint>

#include "null_backend.h"

namespace draxo::ws {
namespace {

using bytes = std::vector<unsigned char>;

// CRC-32 as PNG chunks use it (reflected polynomial 0xEDB88320).
const std::array<std::uint32_t, 256>& crc_table() {
    static const std::array<std::uint32_t, 256> table = [] {
        std::array<std::uint32_t, 256> t{};
        for (std::uint32_t n = 0; n < 256; ++n) {
            std::uint32_t c = n;
            for (int k = 0; k < 8; ++k) c = (c & 1u) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[n] = c;
        }
        return t;
    }();
    return table;
}

std::uint32_t crc32(const unsigned char* data, std::size_t size, std::uint32_t crc = 0) {
    crc = ~crc;
    for (std::size_t i = 0; i < size; ++i) crc = crc_table()[(crc ^ data[i]) & 0xFFu] ^ (crc >> 8);
    return ~crc;
}

// Adler-32, the zlib stream's checksum of the uncompressed bytes.
std::uint32_t adler32(const bytes& data) {
    constexpr std::uint32_t modulus = 65521;
    std::uint32_t a = 1, b = 0;
    for (unsigned char byte : data) {
        a = (a + byte) % modulus;
        b = (b + a) % modulus;
    }
    return (b << 16) | a;
}

void put_u32(bytes& out, std::uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<unsigned char>(value >> shift));
}

// A chunk: length, type, data, and the CRC of type and data.
void put_chunk(bytes& out, const char (&type)[5], const bytes& data) {
    put_u32(out, static_cast<std::uint32_t>(data.size()));
    std::size_t type_at = out.size();
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), data.begin(), data.end());
    put_u32(out, crc32(out.data() + type_at, 4 + data.size()));
}

// A zlib stream of stored blocks, at most 65535 bytes each.
bytes stored_zlib_stream(const bytes& raw) {
    constexpr std::size_t block_limit = 65535;
    bytes out{0x78, 0x01};  // deflate, 32 KiB window; header check: 0x7801 is a multiple of 31
    std::size_t at = 0;
    do {
        std::size_t length = raw.size() - at < block_limit ? raw.size() - at : block_limit;
        bool last = at + length == raw.size();
        out.push_back(last ? 1 : 0);  // BFINAL, and BTYPE 00: stored
        out.push_back(static_cast<unsigned char>(length & 0xFFu));
        out.push_back(static_cast<unsigned char>(length >> 8));
        out.push_back(static_cast<unsigned char>(~length & 0xFFu));
        out.push_back(static_cast<unsigned char>((~length >> 8) & 0xFFu));
        out.insert(out.end(), raw.begin() + static_cast<std::ptrdiff_t>(at),
                   raw.begin() + static_cast<std::ptrdiff_t>(at + length));
        at += length;
    } while (at < raw.size());
    put_u32(out, adler32(raw));
    return out;
}

}  // namespace

bool backend::encode_png(image img, const rect& area, std::vector<unsigned char>& png) {
    pixels px = backend::image_pixels(img);
    auto width = static_cast<std::uint32_t>(area.right - area.left);
    auto height = static_cast<std::uint32_t>(area.bottom - area.top);

    // Each row: filter type 0 (none), then red, green and blue of each pixel.
    bytes raw;
    raw.reserve(static_cast<std::size_t>(height) * (1 + 3 * static_cast<std::size_t>(width)));
    for (int row = area.top; row < area.bottom; ++row) {
        raw.push_back(0);
        const std::uint32_t* line = px.bits + static_cast<std::ptrdiff_t>(row) * px.stride;
        for (int column = area.left; column < area.right; ++column) {
            std::uint32_t p = line[column];  // 0xffRRGGBB
            raw.push_back(static_cast<unsigned char>(p >> 16));
            raw.push_back(static_cast<unsigned char>(p >> 8));
            raw.push_back(static_cast<unsigned char>(p));
        }
    }

    bytes header;
    put_u32(header, width);
    put_u32(header, height);
    header.insert(header.end(), {8, 2, 0, 0, 0});  // 8 bits a sample, RGB, deflate, no filter choice, no interlace

    png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    put_chunk(png, "IHDR", header);
    put_chunk(png, "IDAT", stored_zlib_stream(raw));
    put_chunk(png, "IEND", {});
    return true;
}

}  // namespace draxo::ws
