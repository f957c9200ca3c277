// The PNG codec: pictures written and read back pixel for pixel;
// files made by hand for what the encoder never writes (other colour types
// and depths, row filters, fixed and dynamic Huffman blocks, interlacing);
// and damaged or hostile files, each refused with its reason.
#include "png/png_codec.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace draxo {
namespace {

using bytes = std::vector<unsigned char>;

// --- Making PNG files by hand ---------------------------------------------------

std::uint32_t crc_of(const bytes& data, std::size_t from, std::size_t size) {
    std::uint32_t crc = 0xFFFFFFFFu;
    for (std::size_t i = from; i < from + size; ++i) {
        crc ^= data[i];
        for (int k = 0; k < 8; ++k) crc = (crc & 1u) ? 0xEDB88320u ^ (crc >> 1) : crc >> 1;
    }
    return ~crc;
}

void put_u32(bytes& out, std::uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<unsigned char>(value >> shift));
}

void put_chunk(bytes& out, const std::string& type, const bytes& data) {
    put_u32(out, static_cast<std::uint32_t>(data.size()));
    std::size_t type_at = out.size();
    out.insert(out.end(), type.begin(), type.end());
    out.insert(out.end(), data.begin(), data.end());
    put_u32(out, crc_of(out, type_at, 4 + data.size()));
}

std::uint32_t adler_of(const bytes& data) {
    std::uint32_t a = 1, b = 0;
    for (unsigned char c : data) {
        a = (a + c) % 65521;
        b = (b + a) % 65521;
    }
    return (b << 16) | a;
}

// A zlib stream of one stored block.
bytes stored(const bytes& raw) {
    bytes out{0x78,
              0x01,
              0x01,
              static_cast<unsigned char>(raw.size() & 0xFF),
              static_cast<unsigned char>(raw.size() >> 8),
              static_cast<unsigned char>(~raw.size() & 0xFF),
              static_cast<unsigned char>((~raw.size() >> 8) & 0xFF)};
    out.insert(out.end(), raw.begin(), raw.end());
    put_u32(out, adler_of(raw));
    return out;
}

bytes png_file(std::uint32_t width, std::uint32_t height, int depth, int color, int interlace,
               const bytes& zlib_stream, const bytes& palette = {}) {
    bytes out{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    bytes header;
    put_u32(header, width);
    put_u32(header, height);
    header.insert(header.end(), {static_cast<unsigned char>(depth), static_cast<unsigned char>(color), 0, 0,
                                 static_cast<unsigned char>(interlace)});
    put_chunk(out, "IHDR", header);
    if (!palette.empty()) put_chunk(out, "PLTE", palette);
    put_chunk(out, "IDAT", zlib_stream);
    put_chunk(out, "IEND", {});
    return out;
}

png::picture decoded(const bytes& file) {
    png::picture picture;
    std::string why_not;
    EXPECT_TRUE(png::decode(file.data(), file.size(), picture, why_not)) << why_not;
    return picture;
}

std::string refusal(const bytes& file) {
    png::picture picture;
    std::string why_not;
    EXPECT_FALSE(png::decode(file.data(), file.size(), picture, why_not));
    EXPECT_TRUE(picture.pixels.empty());
    return why_not;
}

// --- Round trips --------------------------------------------------------------

TEST(PngCodec, APictureWrittenReadsBackPixelForPixel) {
    const int width = 37, height = 23, stride = 40;
    std::vector<std::uint32_t> pixels(static_cast<std::size_t>(stride) * height);
    for (std::size_t i = 0; i < pixels.size(); ++i)
        pixels[i] = 0xFF000000u | static_cast<std::uint32_t>(i * 2654435761u >> 8);
    png::picture back = decoded(png::encode(pixels.data(), width, height, stride));
    ASSERT_EQ(back.width, width);
    ASSERT_EQ(back.height, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            ASSERT_EQ(back.pixels[y * width + x], pixels[y * stride + x]) << x << "," << y;
}

TEST(PngCodec, ADrawingOfFlatColoursIsASmallFile) {
    std::vector<std::uint32_t> pixels(601 * 521, 0xFFFFFFFFu);
    for (int y = 100; y < 300; ++y)
        for (int x = 50; x < 400; ++x) pixels[y * 601 + x] = 0xFFFF0000u;
    bytes file = png::encode(pixels.data(), 601, 521, 601);
    EXPECT_LT(file.size(), 601u * 521u * 3u / 50u);  // under 2 % of its pixels' bytes
    EXPECT_EQ(decoded(file).pixels, pixels);
}

TEST(PngCodec, AWindowSizedPictureReadsBackWhole) {
    std::vector<std::uint32_t> pixels(601 * 521);
    std::uint32_t noise = 1;
    for (std::uint32_t& p : pixels) p = 0xFF000000u | ((noise = noise * 1103515245u + 12345u) >> 8);
    pixels[600 + 520 * 601] = 0xFFFF0000u;
    png::picture back = decoded(png::encode(pixels.data(), 601, 521, 601));
    EXPECT_EQ(back.pixels, pixels);
}

// --- What other writers write ---------------------------------------------------

TEST(PngCodec, GreyPalettesAndSixteenBitSamplesAreWidenedToRgb) {
    // Grey, 2 bits: 0, 1, 2, 3 are 0, 85, 170, 255; one row of four.
    EXPECT_EQ(decoded(png_file(4, 1, 2, 0, 0, stored({0, 0x1B}))).pixels,
              (std::vector<std::uint32_t>{0xFF000000u, 0xFF555555u, 0xFFAAAAAAu, 0xFFFFFFFFu}));
    // A palette of three, 4-bit indexes.
    EXPECT_EQ(decoded(png_file(3, 1, 4, 3, 0, stored({0, 0x21, 0x00}), {1, 2, 3, 4, 5, 6, 7, 8, 9})).pixels,
              (std::vector<std::uint32_t>{0xFF070809u, 0xFF040506u, 0xFF010203u}));
    // RGBA, 16 bits: rounded to 8 (0x12A0 is nearer 0x1313 than 0x1212), alpha left out.
    EXPECT_EQ(
        decoded(png_file(1, 1, 16, 6, 0, stored({0, 0x12, 0xA0, 0x56, 0x00, 0x9A, 0x7F, 0x00, 0x00}))).pixels,
        (std::vector<std::uint32_t>{0xFF13569Au}));
    // Grey with alpha, 8 bits.
    EXPECT_EQ(decoded(png_file(1, 1, 8, 4, 0, stored({0, 0x80, 0x10}))).pixels,
              (std::vector<std::uint32_t>{0xFF808080u}));
}

TEST(PngCodec, EveryRowFilterIsUndone) {
    // Two RGB rows of two pixels; the second row's filter is each kind in turn.
    const bytes first_row{0, 10, 20, 30, 40, 50, 60};
    const std::uint32_t top_left = 0xFF0A141Eu, top_right = 0xFF28323Cu;
    struct {
        int filter;
        bytes row;  // filtered, for the pixels 1,2,3 and 5,7,9
    } cases[] = {
        {0, {1, 2, 3, 5, 7, 9}},
        {1, {1, 2, 3, 4, 5, 6}},  // Sub: minus the pixel to the left
        {2,
         {static_cast<unsigned char>(1 - 10), static_cast<unsigned char>(2 - 20),  // Up: minus the pixel above
          static_cast<unsigned char>(3 - 30), static_cast<unsigned char>(5 - 40),
          static_cast<unsigned char>(7 - 50), static_cast<unsigned char>(9 - 60)}},
        {3,
         {static_cast<unsigned char>(1 - 5), static_cast<unsigned char>(2 - 10),  // Average of left and up
          static_cast<unsigned char>(3 - 15), static_cast<unsigned char>(5 - (1 + 40) / 2),
          static_cast<unsigned char>(7 - (2 + 50) / 2), static_cast<unsigned char>(9 - (3 + 60) / 2)}},
        // Paeth: of left, up and upper left, the one nearest left + up - upper
        // left: up for the first pixel; then up, upper left, upper left.
        {4,
         {static_cast<unsigned char>(1 - 10), static_cast<unsigned char>(2 - 20),
          static_cast<unsigned char>(3 - 30), static_cast<unsigned char>(5 - 40),
          static_cast<unsigned char>(7 - 20), static_cast<unsigned char>(9 - 30)}},
    };
    for (const auto& c : cases) {
        bytes raw = first_row;
        raw.push_back(static_cast<unsigned char>(c.filter));
        raw.insert(raw.end(), c.row.begin(), c.row.end());
        EXPECT_EQ(decoded(png_file(2, 2, 8, 2, 0, stored(raw))).pixels,
                  (std::vector<std::uint32_t>{top_left, top_right, 0xFF010203u, 0xFF050709u}))
            << "filter " << c.filter;
    }
}

TEST(PngCodec, FixedHuffmanBlocksWithBackReferencesAreInflated) {
    // Grey 8-bit, one row of five: filter 0, then 7, 7, 7, 7, 7, as zlib
    // compresses it: a fixed-code block of a literal 0, a literal 7 and a
    // match of length 4 at distance 1.
    bytes raw{0, 7, 7, 7, 7, 7};
    bytes stream{0x78, 0xDA, 0x63, 0x60, 0x07, 0x01, 0x00};
    put_u32(stream, adler_of(raw));
    EXPECT_EQ(decoded(png_file(5, 1, 8, 0, 0, stream)).pixels, std::vector<std::uint32_t>(5, 0xFF070707u));
}

TEST(PngCodec, AnInterlacedPictureIsPutTogetherFromItsSevenPasses) {
    // 3 x 3 grey pixels numbered 0 to 8 row by row; Adam7 sends pixel 0 in
    // pass 1, 2 in pass 4, 6 in pass 5, 1 in pass 6, 3 4 5 in pass 7... with
    // 3 x 3: pass 1 (0,0); pass 4 (2,0); pass 5 (0,2),(2,2); pass 6 (1,0),(1,2); pass 7 row 1 all.
    bytes raw{0, 0,         // pass 1: (0,0)
              0, 2,         // pass 4: (2,0)
              0, 6, 8,      // pass 5: (0,2) (2,2)
              0, 1,         // pass 6: (1,0)
              0, 7,         // pass 6: (1,2)
              0, 3, 4, 5};  // pass 7: row 1
    png::picture p = decoded(png_file(3, 3, 8, 0, 1, stored(raw)));
    std::vector<std::uint32_t> expected;
    for (std::uint32_t v = 0; v < 9; ++v) expected.push_back(0xFF000000u | v * 0x010101u);
    EXPECT_EQ(p.pixels, expected);
}

// --- Damaged and hostile files ------------------------------------------------------

TEST(PngCodec, DamagedFilesAreRefusedWithTheirReason) {
    std::vector<std::uint32_t> pixels(4 * 4, 0xFF102030u);
    bytes good = png::encode(pixels.data(), 4, 4, 4);

    EXPECT_EQ(refusal(bytes{'G', 'I', 'F', '8', '9', 'a', 0, 0}), "it is not a PNG file");
    EXPECT_EQ(refusal(bytes(good.begin(), good.begin() + 4)), "it is not a PNG file");
    for (std::size_t cut : {std::size_t{8}, std::size_t{20}, good.size() / 2, good.size() - 1})
        EXPECT_FALSE(refusal(bytes(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(cut))).empty()) << cut;

    bytes flipped = good;
    std::size_t idat = std::string(good.begin(), good.end()).find("IDAT");
    flipped[idat + 6] ^= 0x40;  // inside the picture data: its chunk's checksum no longer matches
    EXPECT_EQ(refusal(flipped), "a chunk is damaged (its checksum does not match)");

    EXPECT_EQ(refusal(png_file(2, 1, 8, 2, 0, stored({0, 1, 2, 3}))),
              "its picture data is shorter than its size says");
    EXPECT_EQ(refusal(png_file(1, 1, 8, 0, 0, stored({9, 1}))),
              "its picture data is damaged (a row filter of no known kind)");
    EXPECT_EQ(refusal(png_file(1, 1, 3, 0, 0, stored({0, 0}))),
              "its header names a kind of picture that PNG does not have");
    EXPECT_EQ(refusal(png_file(0, 5, 8, 0, 0, stored({}))), "it is a picture without pixels");
    EXPECT_EQ(refusal(png_file(2, 1, 8, 3, 0, stored({0, 0, 3}), {1, 2, 3, 4, 5, 6})),
              "a pixel names a colour its palette does not have");
    EXPECT_EQ(refusal(png_file(1, 1, 8, 3, 0, stored({0, 0}))), "its colours name a palette it does not have");
}

TEST(PngCodec, HugePicturesAreRefusedBeforeAnythingIsAllocated) {
    EXPECT_NE(refusal(png_file(100000, 1, 8, 0, 0, stored({}))).find("larger than 16384 pixels a side"),
              std::string::npos);
    EXPECT_NE(refusal(png_file(16384, 16384, 8, 0, 0, stored({}))).find("pixels in all"), std::string::npos);
}

TEST(PngCodec, StreamsThatPromiseMoreThanThePictureHoldsAreRefused) {
    // A stored block longer than the rows the header allows.
    bytes raw(2 * 100, 0);
    EXPECT_EQ(refusal(png_file(1, 1, 8, 0, 0, stored(raw))), "its picture data is damaged");
    // A back reference before the start of the data.
    bytes stream{0x78, 0x01, 0x03, 0x02, 0x00};  // fixed block: a match first
    put_u32(stream, 1);
    EXPECT_EQ(refusal(png_file(4, 1, 8, 0, 0, stream)), "its picture data is damaged");
}

}  // namespace
}  // namespace draxo
