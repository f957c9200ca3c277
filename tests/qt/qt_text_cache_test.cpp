// The Qt backend's texts drawn again from their glyphs: every drawing of a
// text, the first (by Qt), the second (which makes its glyphs) and later
// ones, is pixel for pixel what a QPainter draws, in any font, colour and
// place, over any pixels, cut by any edge; and the texts kept stay within
// their budget however many there are.
#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "support/test_support.h"
#include "window_system/qt/qt_backend.h"
#include "window_system/window_system.h"

namespace draxo {
namespace {

struct TextCache : ::testing::Test {
    void SetUp() override { test::open_window_system(); }

    // Pixels that differ from one to the next, for glyphs to blend with.
    static void fill_with_noise(ws::image img, std::uint32_t seed) {
        ws::pixels px = ws::image_pixels(img);
        for (int row = 0; row < px.height; ++row)
            for (int column = 0; column < px.width; ++column) {
                seed = seed * 1103515245u + 12345u;
                px.bits[row * px.stride + column] = 0xFF000000u | (seed >> 8);
            }
    }
    static QImage copy_of(ws::image img) {
        ws::pixels px = ws::image_pixels(img);
        QImage copy(px.width, px.height, QImage::Format_RGB32);
        for (int row = 0; row < px.height; ++row)
            std::memcpy(copy.scanLine(row), px.bits + row * px.stride, sizeof(std::uint32_t) * px.width);
        return copy;
    }
    // Draws the text through the layer, and with a QPainter as the backend
    // draws a line it keeps no glyphs for on a copy of what was there; true
    // when the two are the same.
    static bool drawn_as_a_painter_draws(ws::image img, ws::font f, int x, int y, const std::string& text,
                                         ws::colorref color) {
        QImage expected = copy_of(img);
        {
            QPainter painter(&expected);
            painter.setFont(f->font);
            painter.setPen(QColor::fromRgb(ws::pixel_of(color)));
            ws::qt::draw_line(painter, *f, x, y, QString::fromUtf8(text.data(), int(text.size())));
        }
        ws::draw_text(img, f, x, y, text.data(), static_cast<int>(text.size()), color, false, 0);
        return copy_of(img) == expected;
    }
};

TEST_F(TextCache, EveryDrawingOfATextIsWhatAPainterDraws) {
    ws::image img = ws::create_image(160, 90);
    // Text reaches the layer as UTF-8: Latin-1 letters, and Greek and
    // Chinese, whose glyphs come from fallback fonts.
    const std::string texts[] = {
        "Hg",
        "AVA WAW ff fi Ty",
        "\xC3\x85ngstr\xC3\xB6m \xC3\xA6\xC3\xB8\xC3\xA5 \xC2\xBF?",
        " ",
        "Select Object",
        "tab\there\rand\x7F",
        "\xCE\xA9\xCE\xBC\xCE\xAD\xCE\xB3\xCE\xB1, \xE4\xBD\xA0\xE5\xA5\xBD \xE2\x82\xAC"};
    const ws::colorref colors[] = {0x000000, 0x0000FF, 0x33CC99, 0xFFFFFF, 0x808080};
    // Inside, and cut by the left, top, right and bottom edges.
    const int places[][2] = {{10, 20}, {-7, 30}, {5, -9}, {120, 40}, {30, 80}};
    std::uint32_t seed = 1;
    for (int size : {0, 8, 12, 20, 33, 63, 64, 90})
        for (const std::string& text : texts) {
            ws::font f = ws::create_font(-size, 400, "DRAXO-font");
            for (int drawing = 0; drawing < 5; ++drawing) {
                fill_with_noise(img, ++seed);
                EXPECT_TRUE(drawn_as_a_painter_draws(img, f, places[drawing][0], places[drawing][1], text,
                                                     colors[drawing]))
                    << "size " << size << ", \"" << text << "\", drawing " << drawing;
            }
            ws::delete_font(f);
        }
    // A bold face of the same size keeps its glyphs apart from the normal one.
    for (int weight : {400, 700, 400, 700}) {
        ws::font f = ws::create_font(-20, weight, "DRAXO-font");
        fill_with_noise(img, ++seed);
        EXPECT_TRUE(drawn_as_a_painter_draws(img, f, 3, 3, "Hg", 0x000000)) << "weight " << weight;
        ws::delete_font(f);
    }
    ws::delete_image(img);
}

TEST_F(TextCache, KeptTextsStayWithinTheirBudget) {
    // Large texts, so that a thousand of them overflow the budget.
    ws::image img = ws::create_image(400, 70);
    ws::font f = ws::create_font(-40, 400, "DRAXO-font");
    std::size_t most = 0;
    for (int i = 0; i < 1000; ++i) {
        const std::string text = "message number " + std::to_string(i);
        for (int drawing = 0; drawing < 2; ++drawing)
            ws::draw_text(img, f, 0, 0, text.data(), static_cast<int>(text.size()), 0x000000, false, 0);
        most = std::max(most, ws::qt::cached_text_bytes());
    }
    EXPECT_GT(most, ws::qt::cached_text_budget() / 2);  // the budget was reached
    EXPECT_LE(most, ws::qt::cached_text_budget());
    // Still drawn as a painter draws, after the texts were dropped.
    fill_with_noise(img, 5);
    EXPECT_TRUE(drawn_as_a_painter_draws(img, f, 2, 4, "message number 3", 0x0000FF));
    EXPECT_TRUE(drawn_as_a_painter_draws(img, f, 2, 4, "message number 3", 0x00FF00));
    ws::delete_font(f);
    ws::delete_image(img);
}

}  // namespace
}  // namespace draxo
