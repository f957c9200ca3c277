// Reading PNG files: inflating the zlib stream, undoing the row filters and
// the interlacing, and widening the samples to 8-bit RGB.
#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>

#include "png_codec.h"
#include "png_format.h"

namespace draxo::png {
namespace {

using namespace format;

// --- Inflating ------------------------------------------------------------------

// Reads a deflate stream bit by bit; reading past its end gives zeros and
// marks it overrun.
class bit_reader {
public:
    bit_reader(const unsigned char* data, std::size_t size) : data_(data), size_(size) {}
    unsigned bits(int count) {
        unsigned value = 0;
        for (int i = 0; i < count; ++i) value |= bit() << i;
        return value;
    }
    unsigned bit() {
        if (at_ >= size_) {
            overrun_ = true;
            return 0;
        }
        unsigned value = (data_[at_] >> used_) & 1u;
        if (++used_ == 8) {
            used_ = 0;
            ++at_;
        }
        return value;
    }
    void to_byte_boundary() {
        if (used_ == 0) return;
        used_ = 0;
        ++at_;
    }
    bool take_bytes(std::size_t count, bytes& out) {
        if (count > size_ - std::min(at_, size_)) {
            overrun_ = true;
            return false;
        }
        out.insert(out.end(), data_ + at_, data_ + at_ + count);
        at_ += count;
        return true;
    }
    bool overrun() const { return overrun_; }
    std::size_t position() const { return at_; }

private:
    const unsigned char* data_;
    std::size_t size_;
    std::size_t at_ = 0;
    int used_ = 0;
    bool overrun_ = false;
};

// A canonical Huffman code, decoded a bit at a time: how many codes each
// length has, and the symbols in code order.
struct huffman {
    std::array<int, 16> counts{};
    std::vector<int> symbols;
};

// Builds the code of the given lengths; false when the lengths promise more
// codes than there can be (an incomplete code is allowed, as deflate does).
bool build(huffman& h, const int* lengths, int count) {
    h.counts.fill(0);
    for (int i = 0; i < count; ++i) ++h.counts[lengths[i]];
    int left = 1;
    for (int length = 1; length < 16; ++length) {
        left = 2 * left - h.counts[length];
        if (left < 0) return false;
    }
    std::array<int, 16> offsets{};
    for (int length = 1; length < 15; ++length) offsets[length + 1] = offsets[length] + h.counts[length];
    h.symbols.assign(count, 0);
    for (int symbol = 0; symbol < count; ++symbol)
        if (lengths[symbol] != 0) h.symbols[offsets[lengths[symbol]]++] = symbol;
    return true;
}

// The next symbol, or -1 for a code the table does not have.
int decode_symbol(bit_reader& in, const huffman& h) {
    int code = 0, first = 0, index = 0;
    for (int length = 1; length < 16; ++length) {
        code |= static_cast<int>(in.bit());
        int count = h.counts[length];
        if (code - first < count) return h.symbols[index + code - first];
        index += count;
        first = (first + count) << 1;
        code <<= 1;
        if (in.overrun()) return -1;
    }
    return -1;
}

// The symbols of one block with the given codes, up to its end-of-block.
bool inflate_codes(bit_reader& in, const huffman& lengths, const huffman& distances, bytes& out, std::size_t limit,
                   std::string& why_not) {
    for (;;) {
        int symbol = decode_symbol(in, lengths);
        if (symbol < 0) break;
        if (symbol < 256) {
            if (out.size() >= limit) break;
            out.push_back(static_cast<unsigned char>(symbol));
            continue;
        }
        if (symbol == 256) return true;
        symbol -= 257;
        if (symbol >= 29) break;
        std::size_t length = static_cast<std::size_t>(length_base[symbol]) + in.bits(length_extra[symbol]);
        int d = decode_symbol(in, distances);
        if (d < 0 || d >= 30) break;
        std::size_t distance = static_cast<std::size_t>(distance_base[d]) + in.bits(distance_extra[d]);
        if (distance > out.size() || length > limit - std::min(limit, out.size())) break;
        for (std::size_t i = 0; i < length; ++i) out.push_back(out[out.size() - distance]);
    }
    why_not = "its picture data is damaged";
    return false;
}

bool fixed_codes(huffman& lengths, huffman& distances) {
    static int length_lengths[288], distance_lengths[30];
    for (int i = 0; i < 288; ++i) length_lengths[i] = i < 144 ? 8 : i < 256 ? 9 : i < 280 ? 7 : 8;
    std::fill(std::begin(distance_lengths), std::end(distance_lengths), 5);
    return build(lengths, length_lengths, 288) && build(distances, distance_lengths, 30);
}

bool dynamic_codes(bit_reader& in, huffman& lengths, huffman& distances) {
    static constexpr int order[19] = {16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15};
    int literal_count = static_cast<int>(in.bits(5)) + 257;
    int distance_count = static_cast<int>(in.bits(5)) + 1;
    int code_count = static_cast<int>(in.bits(4)) + 4;
    if (literal_count > 286 || distance_count > 30) return false;
    int code_lengths[19] = {};
    for (int i = 0; i < code_count; ++i) code_lengths[order[i]] = static_cast<int>(in.bits(3));
    huffman code_code;
    if (!build(code_code, code_lengths, 19)) return false;
    int all[286 + 30] = {};
    int total = literal_count + distance_count;
    for (int i = 0; i < total;) {
        int symbol = decode_symbol(in, code_code);
        if (symbol < 0) return false;
        if (symbol < 16) {
            all[i++] = symbol;
            continue;
        }
        int repeat, value = 0;
        if (symbol == 16) {
            if (i == 0) return false;
            value = all[i - 1];
            repeat = 3 + static_cast<int>(in.bits(2));
        } else if (symbol == 17) {
            repeat = 3 + static_cast<int>(in.bits(3));
        } else {
            repeat = 11 + static_cast<int>(in.bits(7));
        }
        if (i + repeat > total) return false;
        while (repeat-- > 0) all[i++] = value;
    }
    if (all[256] == 0) return false;  // no end-of-block code
    return build(lengths, all, literal_count) && build(distances, all + literal_count, distance_count);
}

// Inflates a zlib stream into at most `limit` bytes.
bool inflate_zlib(const bytes& stream, std::size_t limit, bytes& out, std::string& why_not) {
    why_not = "its picture data is damaged";
    if (stream.size() < 6) return false;
    unsigned cmf = stream[0], flags = stream[1];
    if ((cmf & 0x0Fu) != 8 || (cmf >> 4) > 7 || ((cmf << 8) | flags) % 31 != 0 || (flags & 0x20u)) return false;
    bit_reader in(stream.data() + 2, stream.size() - 2);
    out.clear();
    bool last = false;
    while (!last) {
        last = in.bit() != 0;
        unsigned type = in.bits(2);
        if (in.overrun()) return false;
        if (type == 0) {
            in.to_byte_boundary();
            unsigned length = in.bits(16), complement = in.bits(16);
            if (in.overrun() || (length ^ 0xFFFFu) != complement || length > limit - out.size()) return false;
            if (!in.take_bytes(length, out)) return false;
        } else if (type == 1 || type == 2) {
            huffman lengths, distances;
            bool built = type == 1 ? fixed_codes(lengths, distances) : dynamic_codes(in, lengths, distances);
            if (!built || !inflate_codes(in, lengths, distances, out, limit, why_not)) return false;
        } else {
            return false;
        }
    }
    in.to_byte_boundary();
    std::size_t end = 2 + in.position();
    if (end + 4 > stream.size() || get_u32(stream.data() + end) != adler32(out)) return false;
    why_not.clear();
    return true;
}

// --- Reading PNG files ---------------------------------------------------------------

struct header {
    std::uint32_t width = 0, height = 0;
    int depth = 0, color = 0;
    bool interlaced = false;
    int channels() const { return color == 0 ? 1 : color == 2 ? 3 : color == 3 ? 1 : color == 4 ? 2 : 4; }
    int bits_per_pixel() const { return channels() * depth; }
};

bool valid_depth(int color, int depth) {
    switch (color) {
    case 0: return depth == 1 || depth == 2 || depth == 4 || depth == 8 || depth == 16;
    case 3: return depth == 1 || depth == 2 || depth == 4 || depth == 8;
    case 2:
    case 4:
    case 6: return depth == 8 || depth == 16;
    default: return false;
    }
}

std::size_t row_bytes(const header& h, std::uint32_t width) {
    return (static_cast<std::size_t>(width) * h.bits_per_pixel() + 7) / 8;
}

// The seven passes of interlacing: first column and row, and steps.
struct pass {
    int x0, y0, dx, dy;
};
constexpr pass adam7[7] = {{0, 0, 8, 8}, {4, 0, 8, 8}, {0, 4, 4, 8}, {2, 0, 4, 4},
                           {0, 2, 2, 4}, {1, 0, 2, 2}, {0, 1, 1, 2}};
constexpr pass whole_picture = {0, 0, 1, 1};

std::uint32_t pass_extent(std::uint32_t size, int start, int step) {
    return size > static_cast<std::uint32_t>(start) ? (size - start + step - 1) / step : 0;
}

// Undoes the filter of one row in place, given the row above (unfiltered).
bool unfilter(int type, unsigned char* row, const unsigned char* above, std::size_t size, std::size_t step) {
    for (std::size_t i = 0; i < size; ++i) {
        int left = i >= step ? row[i - step] : 0, up = above ? above[i] : 0;
        int upper_left = i >= step && above ? above[i - step] : 0;
        int add;
        switch (type) {
        case 0: add = 0; break;
        case 1: add = left; break;
        case 2: add = up; break;
        case 3: add = (left + up) / 2; break;
        case 4: add = paeth(left, up, upper_left); break;
        default: return false;
        }
        row[i] = static_cast<unsigned char>(row[i] + add);
    }
    return true;
}

// The 8-bit value of sample `index` of an unfiltered row.
int sample(const header& h, const unsigned char* row, std::size_t index) {
    switch (h.depth) {
    case 16: {  // rounded to the nearest of 256 steps
        int value = (row[index * 2] << 8) | row[index * 2 + 1];
        return (value * 255 + 32767) / 65535;
    }
    case 8: return row[index];
    default: {
        std::size_t bit = index * h.depth;
        int value = (row[bit / 8] >> (8 - h.depth - bit % 8)) & ((1 << h.depth) - 1);
        return h.color == 3 ? value : value * 255 / ((1 << h.depth) - 1);
    }
    }
}

bool pixel_of(const header& h, const unsigned char* row, std::uint32_t x,
              const std::vector<std::uint32_t>& palette, std::uint32_t& out) {
    std::size_t first = static_cast<std::size_t>(x) * h.channels();
    int r, g, b;
    switch (h.color) {
    case 0:
    case 4: r = g = b = sample(h, row, first); break;
    case 3: {
        int index = sample(h, row, first);
        if (static_cast<std::size_t>(index) >= palette.size()) return false;
        out = palette[static_cast<std::size_t>(index)];
        return true;
    }
    default:
        r = sample(h, row, first);
        g = sample(h, row, first + 1);
        b = sample(h, row, first + 2);
        break;
    }
    out = 0xFF000000u | (static_cast<std::uint32_t>(r) << 16) | (static_cast<std::uint32_t>(g) << 8) |
          static_cast<std::uint32_t>(b);
    return true;
}

// Unfilters the rows of one pass and places their pixels; `at` moves past
// the pass's data.
bool place_pass(const header& h, const pass& p, const bytes& data, std::size_t& at,
                const std::vector<std::uint32_t>& palette, picture& out, std::string& why_not) {
    std::uint32_t width = pass_extent(h.width, p.x0, p.dx), height = pass_extent(h.height, p.y0, p.dy);
    if (width == 0 || height == 0) return true;
    std::size_t size = row_bytes(h, width);
    std::size_t step = static_cast<std::size_t>(std::max(1, h.bits_per_pixel() / 8));
    bytes previous, current(size);
    for (std::uint32_t y = 0; y < height; ++y) {
        int filter = data[at];
        std::memcpy(current.data(), data.data() + at + 1, size);
        at += 1 + size;
        if (!unfilter(filter, current.data(), previous.empty() ? nullptr : previous.data(), size, step)) {
            why_not = "its picture data is damaged (a row filter of no known kind)";
            return false;
        }
        for (std::uint32_t x = 0; x < width; ++x) {
            std::uint32_t pixel;
            if (!pixel_of(h, current.data(), x, palette, pixel)) {
                why_not = "a pixel names a colour its palette does not have";
                return false;
            }
            std::size_t column = p.x0 + static_cast<std::size_t>(x) * p.dx;
            std::size_t line = p.y0 + static_cast<std::size_t>(y) * p.dy;
            out.pixels[line * h.width + column] = pixel;
        }
        previous.swap(current);
        current.resize(size);
    }
    return true;
}

bool read_header(const unsigned char* data, std::size_t size, header& h, std::string& why_not) {
    if (size != 13) {
        why_not = "its header is damaged";
        return false;
    }
    h.width = get_u32(data);
    h.height = get_u32(data + 4);
    h.depth = data[8];
    h.color = data[9];
    h.interlaced = data[12] == 1;
    if (!valid_depth(h.color, h.depth) || data[10] != 0 || data[11] != 0 || data[12] > 1) {
        why_not = "its header names a kind of picture that PNG does not have";
        return false;
    }
    if (h.width == 0 || h.height == 0) {
        why_not = "it is a picture without pixels";
        return false;
    }
    if (h.width > largest_side || h.height > largest_side ||
        static_cast<std::size_t>(h.width) * h.height > most_pixels) {
        why_not = "it is larger than " + std::to_string(largest_side) + " pixels a side or " +
                  std::to_string(most_pixels) + " pixels in all";
        return false;
    }
    return true;
}

}  // namespace

namespace {

bool decode_into(const unsigned char* data, std::size_t size, picture& out, std::string& why_not) {
    static constexpr unsigned char signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    if (size < 8 || std::memcmp(data, signature, 8) != 0) {
        why_not = "it is not a PNG file";
        return false;
    }
    header h;
    bool have_header = false, ended = false;
    std::vector<std::uint32_t> palette;
    bytes stream;
    for (std::size_t at = 8; !ended;) {
        if (size - at < 12) {
            why_not = "it ends before its last chunk";
            return false;
        }
        std::uint32_t length = get_u32(data + at);
        if (length > size - at - 12) {
            why_not = "it ends in the middle of a chunk";
            return false;
        }
        const unsigned char* type = data + at + 4;
        const unsigned char* body = type + 4;
        if (get_u32(body + length) != crc32(type, length + 4)) {
            why_not = "a chunk is damaged (its checksum does not match)";
            return false;
        }
        std::string name(reinterpret_cast<const char*>(type), 4);
        if (!have_header && name != "IHDR") {
            why_not = "it does not start with its header";
            return false;
        }
        if (name == "IHDR") {
            if (have_header || !read_header(body, length, h, why_not)) {
                if (have_header) why_not = "it has two headers";
                return false;
            }
            have_header = true;
        } else if (name == "PLTE") {
            if (length % 3 != 0 || length / 3 > 256) {
                why_not = "its palette is damaged";
                return false;
            }
            palette.clear();
            for (std::uint32_t i = 0; i < length; i += 3)
                palette.push_back(0xFF000000u | (std::uint32_t{body[i]} << 16) |
                                  (std::uint32_t{body[i + 1]} << 8) | body[i + 2]);
        } else if (name == "IDAT") {
            stream.insert(stream.end(), body, body + length);
        } else if (name == "IEND") {
            ended = true;
        } else if (!(type[0] & 0x20u)) {
            why_not = "it holds a chunk that must be understood and is not (" + name + ")";
            return false;
        }
        at += 12 + static_cast<std::size_t>(length);
    }
    if (h.color == 3 && palette.empty()) {
        why_not = "its colours name a palette it does not have";
        return false;
    }

    // The rows of every pass, each with its filter byte.
    std::size_t expected = 0;
    for (const pass& p :
         h.interlaced ? std::vector<pass>(std::begin(adam7), std::end(adam7)) : std::vector<pass>{whole_picture}) {
        std::uint32_t width = pass_extent(h.width, p.x0, p.dx), height = pass_extent(h.height, p.y0, p.dy);
        if (width != 0) expected += height * (1 + row_bytes(h, width));
    }
    bytes rows;
    if (!inflate_zlib(stream, expected, rows, why_not)) return false;
    if (rows.size() != expected) {
        why_not = "its picture data is shorter than its size says";
        return false;
    }
    out.width = static_cast<int>(h.width);
    out.height = static_cast<int>(h.height);
    out.pixels.assign(static_cast<std::size_t>(h.width) * h.height, 0xFF000000u);
    std::size_t at = 0;
    if (h.interlaced) {
        for (const pass& p : adam7)
            if (!place_pass(h, p, rows, at, palette, out, why_not)) return false;
    } else if (!place_pass(h, whole_picture, rows, at, palette, out, why_not)) {
        return false;
    }
    return true;
}

}  // namespace

bool decode(const unsigned char* bytes, std::size_t size, picture& out, std::string& why_not) {
    if (decode_into(bytes, size, out, why_not)) return true;
    out = picture{};
    return false;
}

}  // namespace draxo::png
