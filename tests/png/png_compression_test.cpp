// The self-contained PNG encoder (the null and Win32 backends' pictures):
// every kind of picture reads back pixel for pixel through Qt's PNG reader,
// an independent decoder, and drawings come out about as small as Qt's own
// writer makes them.
#include <gtest/gtest.h>

#include <QBuffer>
#include <QImage>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "busy_frame.h"
#include "draxo.h"
#include "surface/display.h"
#include "window_system/window_system.h"

namespace draxo {
namespace {

using fill_rule = std::function<std::uint32_t(int column, int row)>;

struct PngEncoder : ::testing::Test {
    void SetUp() override {
        static char command_line[] = "";
        DRAXO_start(nullptr, nullptr, command_line, 1);
        DRAXO_set_logging(0);
    }

    // An image of the size whose pixels the rule gives.
    static ws::image make_image(int width, int height, const fill_rule& rule) {
        ws::image img = ws::create_image(width, height);
        ws::pixels px = ws::image_pixels(img);
        for (int row = 0; row < height; ++row)
            for (int column = 0; column < width; ++column)
                px.bits[row * px.stride + column] = 0xFF000000u | (rule(column, row) & 0xFFFFFFu);
        return img;
    }

    static std::vector<unsigned char> encode(ws::image img, ws::rect area) {
        std::vector<unsigned char> png;
        EXPECT_TRUE(ws::encode_png(img, area, png));
        return png;
    }

    // How many pixels of the decoded picture differ from the image's area.
    static int differing_pixels(const std::vector<unsigned char>& png, ws::image img, ws::rect area) {
        QImage picture;
        if (!picture.loadFromData(png.data(), static_cast<int>(png.size()), "PNG")) return -1;
        if (picture.width() != area.right - area.left || picture.height() != area.bottom - area.top) return -2;
        ws::pixels px = ws::image_pixels(img);
        int differing = 0;
        for (int row = area.top; row < area.bottom; ++row)
            for (int column = area.left; column < area.right; ++column)
                differing += (picture.pixel(column - area.left, row - area.top) & 0xFFFFFFu) !=
                             (px.bits[row * px.stride + column] & 0xFFFFFFu);
        return differing;
    }

    // The size of the PNG that Qt's writer makes of the same area.
    static std::size_t qt_png_size(ws::image img, ws::rect area) {
        ws::pixels px = ws::image_pixels(img);
        QImage whole(reinterpret_cast<const uchar*>(px.bits), px.width, px.height,
                     static_cast<qsizetype>(px.stride) * 4, QImage::Format_RGB32);
        QImage part = whole.copy(area.left, area.top, area.right - area.left, area.bottom - area.top);
        QBuffer buffer;
        buffer.open(QIODevice::WriteOnly);
        EXPECT_TRUE(part.save(&buffer, "PNG"));
        return static_cast<std::size_t>(buffer.size());
    }
};

// A small deterministic generator: noise that no compressor shrinks.
std::uint32_t noise(int column, int row) {
    std::uint32_t x = static_cast<std::uint32_t>(column) * 73856093u ^ static_cast<std::uint32_t>(row) * 19349663u;
    x ^= x >> 13;
    x *= 0x5bd1e995u;
    return x ^ (x >> 15);
}

TEST_F(PngEncoder, EveryKindOfPictureReadsBackPixelForPixel) {
    struct picture {
        const char* what;
        int width, height;
        fill_rule rule;
        ws::rect area;
    };
    const std::vector<picture> pictures = {
        {"one pixel", 1, 1, [](int, int) { return 0x123456u; }, {0, 0, 1, 1}},
        {"one row", 700, 1, [](int c, int) { return static_cast<std::uint32_t>(c * 997); }, {0, 0, 700, 1}},
        {"one column",
         1,
         300,
         [](int, int r) { return static_cast<std::uint32_t>(r % 3) * 0x7F7F7Fu; },
         {0, 0, 1, 300}},
        {"noise", 601, 540, noise, {0, 0, 601, 540}},
        {"gradients",
         601,
         540,
         [](int c, int r) { return static_cast<std::uint32_t>((c << 16) | (r << 8) | ((c + r) & 0xFF)); },
         {0, 0, 601, 540}},
        // Runs far longer than a match, and repeats just inside and just
        // beyond the 32 KiB window of back-references.
        {"one colour", 601, 540, [](int, int) { return 0xFFFFFFu; }, {0, 0, 601, 540}},
        {"stripes",
         601,
         540,
         [](int c, int r) { return (c / 7 + r / 5) % 2 ? 0xFF0000u : 0x0000FFu; },
         {0, 0, 601, 540}},
        {"rows repeating every 32768 bytes",
         10923,
         6,
         [](int c, int r) { return noise(c % 5461, r % 2); },
         {0, 0, 10923, 6}},
        {"noise with repeated stretches",
         400,
         400,
         [](int c, int r) { return (r / 20) % 2 ? noise(c, r % 20) : noise(c, r); },
         {0, 0, 400, 400}},
        {"an area inside a larger image", 601, 540, noise, {17, 33, 301, 290}},
    };
    for (const picture& p : pictures) {
        ws::image img = make_image(p.width, p.height, p.rule);
        EXPECT_EQ(differing_pixels(encode(img, p.area), img, p.area), 0) << p.what;
        ws::delete_image(img);
    }
}

TEST_F(PngEncoder, TheBusyDesignerFrameReadsBackPixelForPixel) {
    busy_frame::draw(busy_frame::shapes());
    busy_frame::draw(busy_frame::texts());
    const ws::rect whole{0, 0, frame_width, frame_height};
    EXPECT_EQ(differing_pixels(encode(display.frame_buffer, whole), display.frame_buffer, whole), 0);
}

// The sizes that were 45 to 80 times Qt's when the encoder stored the rows
// uncompressed: the whole frame and the card of the busy designer frame,
// and a card with a few pictures on it.
TEST_F(PngEncoder, DrawingsAreAboutAsSmallAsQtsWriterMakesThem) {
    busy_frame::draw(busy_frame::shapes());
    busy_frame::draw(busy_frame::texts());
    const ws::rect whole{0, 0, frame_width, frame_height};
    const ws::rect card{display.origin_x - 140, display.origin_y - 200, display.origin_x + 221,
                        display.origin_y + 151};
    for (const ws::rect& area : {whole, card}) {
        std::size_t ours = encode(display.frame_buffer, area).size(),
                    qts = qt_png_size(display.frame_buffer, area);
        EXPECT_LE(ours, qts + qts / 4) << "ours " << ours << " bytes, Qt's " << qts;
    }

    DRAXO_clear_window();
    DRAXO_rectangle(CHALK, -140, -150, 220, 200, 0);
    DRAXO_circle(RED, -90, 140, 18);
    DRAXO_triangle(GOLD, 40, 150, 80, 100, 0, 110, 0);
    DRAXO_oval(BLUE, 40, -40, 120, -80, 0);
    DRAXO_text(PURPLE, -120, -100, 20, "Happy Birthday");
    std::size_t ours = encode(display.frame_buffer, card).size(), qts = qt_png_size(display.frame_buffer, card);
    EXPECT_LE(ours, qts + qts / 4) << "ours " << ours << " bytes, Qt's " << qts;
    // Uncompressed, the card alone takes 361 x 351 x 3 bytes.
    EXPECT_LT(ours, std::size_t{361 * 351 * 3} / 40);
}

}  // namespace
}  // namespace draxo
