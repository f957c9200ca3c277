// Texts in whole frames. Every text the package draws is, pixel for pixel,
// what a QPainter draws for each of its lines, in the same font and colour at
// the same place, as the Qt backend draws a line it keeps no glyphs for; and the busy designer frame of the
// drawing benchmarks, with its texts, and a sheet of texts in every colour over every colour keep the pixels they
// had before the speed work (checksums taken with Qt 6.4.2 and Liberation Sans: glyphs differ with another Qt or
// face, so elsewhere those two are skipped).
#include <gtest/gtest.h>

#include <QFontInfo>
#include <QImage>
#include <QPainter>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "busy_frame.h"
#include "draxo.h"
#include "support/frame_checksum.h"
#include "support/test_support.h"
#include "surface/display.h"
#include "surface/palette.h"
#include "window_system/qt/qt_backend.h"

namespace draxo {
namespace {

// Texts of every printable Latin-1 character, kerned pairs, glyphs that
// reach into their neighbours, lines split by newlines, a carriage return.
const char* const sheet_texts[] = {
    "Your Personal Greeting Card Designer",
    " !\"#$%&'()*+,-./0123456789:;<=>?@ABCDEFGHIJKLMNOPQRSTUVWXYZ[\\]^_`",
    "abcdefghijklmnopqrstuvwxyz{|}~",
    "\xA0\xA1\xA2\xA3\xA4\xA5\xA6\xA7\xA8\xA9\xAA\xAB\xAC\xAD\xAE\xAF\xB0\xB1\xB2\xB3\xB4\xB5\xB6\xB7\xB8\xB9"
    "\xBA\xBB\xBC\xBD\xBE\xBF",
    "\xC0\xC1\xC2\xC3\xC4\xC5\xC6\xC7\xC8\xC9\xCA\xCB\xCC\xCD\xCE\xCF\xD0\xD1\xD2\xD3\xD4\xD5\xD6\xD7\xD8\xD9"
    "\xDA\xDB\xDC\xDD\xDE\xDF",
    "\xE0\xE1\xE2\xE3\xE4\xE5\xE6\xE7\xE8\xE9\xEA\xEB\xEC\xED\xEE\xEF\xF0\xF1\xF2\xF3\xF4\xF5\xF6\xF7\xF8\xF9"
    "\xFA\xFB\xFC\xFD\xFE\xFF",
    "AVA WAW To Ty Yo LT ff fi fl // \\\\ jjj yjg",
    "two\nlines",
    "\n\nA\rB\n",
    "Happy Birthday!",
};
const int sheet_sizes[] = {0, 8, 11, 12, 14, 16, 20, 27};

struct text_call {
    int color, x, y, size;
    const char* text;
};

// The sheet: 24 bands, one per colour, each with a text in another colour,
// shifted so that some run off the left and right edges; then texts across
// the bands, a large one cut by the bottom edge, and the busy frame's texts
// again in other colours.
void draw_sheet_bands() {
    DRAXO_clear_window();
    for (int band = 0; band < 24; ++band) DRAXO_rectangle(band, -300, 260 - 22 * band, 300, 239 - 22 * band, 0);
}
std::vector<text_call> sheet_text_calls() {
    std::vector<text_call> calls;
    const int texts = sizeof sheet_texts / sizeof *sheet_texts;
    const int sizes = sizeof sheet_sizes / sizeof *sheet_sizes;
    for (int band = 0; band < 24; ++band)
        calls.push_back(text_call{(band * 7 + 3) % 24, -330 + 37 * (band % 9), 242 - 22 * band,
                                  sheet_sizes[band % sizes], sheet_texts[band % texts]});
    for (int i = 0; i < texts; ++i)
        calls.push_back(text_call{(i * 5 + 1) % 24, -280 + 50 * i, 200 - 45 * i, 24, sheet_texts[i]});
    calls.push_back(text_call{BLUE, 100, -250, 127, "Hg"});
    for (const busy_frame::call& c : busy_frame::texts())
        calls.push_back(text_call{(c.color + 9) % 24, c.x1 + 3, c.y1 - 2, c.size, c.text});
    return calls;
}

// The face and the Qt the checksums were taken with.
bool reference_environment() {
    ws::font f = ws::create_font(-12, 400, "DRAXO-font");
    bool liberation = QFontInfo(f->font).family() == QLatin1String("Liberation Sans");
    ws::delete_font(f);
    return liberation && std::strcmp(qVersion(), "6.4.2") == 0;
}

struct TextChecksum : ::testing::Test {
    void SetUp() override {
        test::open_package();
        DRAXO_set_logging(0);
    }
};

TEST_F(TextChecksum, EveryTextIsWhatAPainterDrawsForItsLines) {
    draw_sheet_bands();
    ws::pixels px = ws::image_pixels(display.frame_buffer);
    QImage expected(px.width, px.height, QImage::Format_RGB32);
    for (int row = 0; row < px.height; ++row)
        std::memcpy(expected.scanLine(row), px.bits + row * px.stride, sizeof(std::uint32_t) * px.width);
    // Each text twice: the second time as it is drawn again in the next frame.
    for (int pass = 0; pass < 2; ++pass)
        for (const text_call& c : sheet_text_calls()) {
            DRAXO_text(c.color, c.x, c.y, c.size, c.text);
            ws::font f = ws::create_font(-c.size, 400, "DRAXO-font");
            QPainter painter(&expected);
            painter.setFont(f->font);
            painter.setPen(QColor::fromRgb(ws::pixel_of(palette_rgb[c.color])));
            const int step = f->ascent + f->descent;
            int line = 0;
            for (const char *start = c.text, *end;; start = end + 1, ++line) {
                end = std::strchr(start, '\n');
                if (!end) end = start + std::strlen(start);
                int row = display.origin_y - c.y + (line - 1) * step;
                ws::qt::draw_line(painter, *f, display.origin_x + c.x, row,
                                  QString::fromLatin1(start, static_cast<int>(end - start)));
                if (*end == '\0') break;
            }
            painter.end();
            ws::delete_font(f);
        }
    for (int row = 0; row < px.height; ++row)
        ASSERT_EQ(
            std::memcmp(expected.constScanLine(row), px.bits + row * px.stride, sizeof(std::uint32_t) * px.width),
            0)
            << "row " << row;
}

TEST_F(TextChecksum, BusyDesignerFrameWithItsTexts) {
    if (!reference_environment()) GTEST_SKIP() << "the checksum holds for Qt 6.4.2 with Liberation Sans";
    busy_frame::draw(busy_frame::shapes());
    busy_frame::draw(busy_frame::texts());
    EXPECT_EQ(test::hex(test::fold_frame()), "0x3993967621C4714C");
    // Drawn again, as the next frame: the same pixels.
    busy_frame::draw(busy_frame::shapes());
    busy_frame::draw(busy_frame::texts());
    EXPECT_EQ(test::hex(test::fold_frame()), "0x3993967621C4714C");
}

TEST_F(TextChecksum, SheetOfTextsInEveryColourOverEveryColour) {
    if (!reference_environment()) GTEST_SKIP() << "the checksum holds for Qt 6.4.2 with Liberation Sans";
    // The outlines of glyphs too large for Qt's glyph cache come out a little
    // differently the first time they are drawn in a process; the sheet is
    // drawn twice, and the second is its steady state.
    for (int pass = 0; pass < 2; ++pass) {
        draw_sheet_bands();
        for (const text_call& c : sheet_text_calls()) DRAXO_text(c.color, c.x, c.y, c.size, c.text);
    }
    EXPECT_EQ(test::hex(test::fold_frame()), "0x71A578E469A54B90");
}

}  // namespace
}  // namespace draxo
