// Inside the PNG codec: the pieces of the file format that writing and
// reading share. Checksums, big-endian numbers, chunks, deflate's tables.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace draxo::png::format {

using bytes = std::vector<unsigned char>;

// CRC-32 as PNG chunks use it (reflected polynomial 0xEDB88320).
inline const std::array<std::uint32_t, 256>& crc_table() {
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

inline std::uint32_t crc32(const unsigned char* data, std::size_t size) {
    std::uint32_t crc = 0xFFFFFFFFu;
    for (std::size_t i = 0; i < size; ++i) crc = crc_table()[(crc ^ data[i]) & 0xFFu] ^ (crc >> 8);
    return ~crc;
}

// Adler-32, the zlib stream's checksum of the uncompressed bytes. The sums
// are reduced every 5552 bytes, the most that cannot overflow 32 bits.
inline std::uint32_t adler32(const bytes& data) {
    constexpr std::uint32_t modulus = 65521;
    std::uint32_t a = 1, b = 0;
    for (std::size_t at = 0; at < data.size();) {
        std::size_t end = std::min(data.size(), at + 5552);
        for (; at < end; ++at) {
            a += data[at];
            b += a;
        }
        a %= modulus;
        b %= modulus;
    }
    return (b << 16) | a;
}

inline std::uint32_t get_u32(const unsigned char* at) {
    return (std::uint32_t{at[0]} << 24) | (std::uint32_t{at[1]} << 16) | (std::uint32_t{at[2]} << 8) | at[3];
}

inline void put_u32(bytes& out, std::uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<unsigned char>(value >> shift));
}

// A chunk: length, type, data, and the CRC of type and data.
inline void put_chunk(bytes& out, const char (&type)[5], const bytes& data) {
    put_u32(out, static_cast<std::uint32_t>(data.size()));
    std::size_t type_at = out.size();
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), data.begin(), data.end());
    put_u32(out, crc32(out.data() + type_at, 4 + data.size()));
}

// Paeth's predictor of a byte from its neighbours to the left, above and
// above left.
inline int paeth(int left, int above, int above_left) {
    int p = left + above - above_left;
    int pa = p > left ? p - left : left - p, pb = p > above ? p - above : above - p;
    int pc = p > above_left ? p - above_left : above_left - p;
    if (pa <= pb && pa <= pc) return left;
    return pb <= pc ? above : above_left;
}

// Deflate's lengths and distances: the first value of each code, and how
// many extra bits follow it.
inline constexpr std::array<int, 29> length_base{3,  4,  5,  6,  7,  8,  9,  10, 11,  13,  15,  17,  19,  23, 27,
                                                 31, 35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258};
inline constexpr std::array<int, 29> length_extra{0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                                  2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
inline constexpr std::array<int, 30> distance_base{1,    2,    3,    4,    5,    7,    9,    13,    17,    25,
                                                   33,   49,   65,   97,   129,  193,  257,  385,   513,   769,
                                                   1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
inline constexpr std::array<int, 30> distance_extra{0, 0, 0, 0, 1, 1, 2, 2,  3,  3,  4,  4,  5,  5,  6,
                                                    6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13};

}  // namespace draxo::png::format
