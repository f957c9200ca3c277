// Text on the drawing surface: placement of one and several lines against
// the anchor point, size repairs, the order of messages, printf forms and
// their buffer, and what the text leaves of the pixels beneath it.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "console/console.h"
#include "support/test_support.h"
#include "surface/display.h"
#include "surface/palette.h"

namespace draxo {
namespace {

using lines = std::vector<std::string>;

std::vector<std::uint32_t> pixels_of(ws::image img) {
    ws::pixels px = ws::image_pixels(img);
    std::vector<std::uint32_t> all;
    for (int row = 0; row < px.height; ++row)
        all.insert(all.end(), px.bits + row * px.stride, px.bits + row * px.stride + px.width);
    return all;
}

struct TextTest : ::testing::Test {
    ws::image expected = nullptr;

    void SetUp() override {
        test::open_package();
        DRAXO_set_logging(0);
        DRAXO_clear_window();
    }
    void TearDown() override { ws::delete_image(expected); }

    template <typename Draw>
    lines printed(Draw draw) {
        std::size_t mark = test::console_mark();
        draw();
        return test::console_since(mark);
    }
    // The cell height of the text font at this size.
    static int cell_height(int size) {
        ws::font f = ws::create_font(-size, 400, "DRAXO-font");
        int height = ws::font_metrics(f).height;
        ws::delete_font(f);
        return height;
    }
    // A copy of the frame buffer as it is now, to draw the expected picture on.
    void expect_from_here() {
        ws::delete_image(expected);
        expected = ws::create_image(frame_width, frame_height);
        ws::pixels from = ws::image_pixels(display.frame_buffer), to = ws::image_pixels(expected);
        for (int row = 0; row < from.height; ++row)
            std::copy(from.bits + row * from.stride, from.bits + (row + 1) * from.stride,
                      to.bits + row * to.stride);
    }
    // One line of text drawn straight through the window-system layer with
    // the top-left corner of its cell at device (column, row).
    void expect_line(int column, int row, int size, const std::string& text, int color = BLACK) {
        ws::font f = ws::create_font(-size, 400, "DRAXO-font");
        ws::draw_text(expected, f, column, row, text.data(), static_cast<int>(text.size()), palette_rgb[color],
                      false, 0);
        ws::delete_font(f);
    }
    bool frame_as_expected() const { return pixels_of(display.frame_buffer) == pixels_of(expected); }

    // Rows of the frame buffer holding anything but white, within the columns given.
    static std::vector<int> inked_rows(int from_column, int to_column) {
        std::vector<int> rows;
        for (int row = 1; row < frame_height - 1; ++row)
            for (int column = from_column; column < to_column; ++column)
                if (test::frame_pixel(column, row) != 0xFFFFFF) {
                    rows.push_back(row);
                    break;
                }
        return rows;
    }
};

TEST_F(TextTest, OneLineStandsInTheCellJustAboveTheAnchorStartingAtItsColumn) {
    for (int size : {20, 0}) {
        SCOPED_TRACE("size " + std::to_string(size));
        DRAXO_clear_window();
        const int cy = cell_height(size);
        ASSERT_GT(cy, 0);
        expect_from_here();
        EXPECT_EQ(DRAXO_text(BLACK, 0, 0, size, "Hg"), 1);
        expect_line(display.origin_x, display.origin_y - cy, size, "Hg");
        EXPECT_TRUE(frame_as_expected());
        // The ink lies in the rows above the anchor, the descender close to it.
        std::vector<int> rows = inked_rows(1, frame_width - 1);
        ASSERT_FALSE(rows.empty());
        EXPECT_GE(rows.front(), display.origin_y - cy);
        EXPECT_LT(rows.back(), display.origin_y);
        EXPECT_GE(rows.back(), display.origin_y - cy / 3);
        EXPECT_TRUE(inked_rows(1, display.origin_x).empty());  // nothing left of the anchor column
    }
}

TEST_F(TextTest, FurtherLinesFollowOneCellHeightApartFromTheAnchorRowDown) {
    const int cy = cell_height(20);
    expect_from_here();
    DRAXO_text(BLACK, 0, 0, 20, "Hg\nHg");
    expect_line(display.origin_x, display.origin_y - cy, 20, "Hg");
    expect_line(display.origin_x, display.origin_y, 20, "Hg");
    EXPECT_TRUE(frame_as_expected());
    std::vector<int> rows = inked_rows(1, frame_width - 1);
    EXPECT_LT(rows.front(), display.origin_y);
    EXPECT_GE(rows.back(), display.origin_y);
    EXPECT_LT(rows.back(), display.origin_y + cy);

    // Leading newlines leave empty lines: the text shows on the third line,
    // one cell height below the anchor row; a carriage return is no break.
    DRAXO_clear_window();
    expect_from_here();
    DRAXO_text(BLACK, -50, 30, 20, "\n\nA\rB\n");
    expect_line(display.origin_x - 50, display.origin_y - 30 + cy, 20, "A\rB");
    EXPECT_TRUE(frame_as_expected());
}

TEST_F(TextTest, EmptyTextPaintsNothingButIsLoggedAndMarksTheFrame) {
    DRAXO_set_logging(1);
    expect_from_here();
    display.frame_dirty = 0;
    EXPECT_EQ(printed([] { DRAXO_text(BLACK, 0, 0, 12, ""); }), lines{"black text at (0,0), \"\"\n"});
    EXPECT_EQ(display.frame_dirty, 1);
    EXPECT_TRUE(frame_as_expected());
    // No text at all counts as empty.
    EXPECT_EQ(printed([] {
                  DRAXO_text_pt(BLUE, DRAXO_point{3, 4}, 12, nullptr);
              }),
              lines{"blue text at (3,4), \"\"\n"});
    EXPECT_TRUE(frame_as_expected());
}

TEST_F(TextTest, Utf8TextDrawsItsCharactersAndLatin1TextDrawsAsBefore) {
    // "Grüße" in UTF-8 and in Latin-1: the same characters, the same pixels.
    DRAXO_text(BLACK, -200, 100, 20,
               "Gr\xC3\xBC\xC3\x9F"
               "e");
    const std::vector<std::uint32_t> from_utf8 = pixels_of(display.frame_buffer);
    DRAXO_clear_window();
    expect_from_here();
    DRAXO_text(BLACK, -200, 100, 20,
               "Gr\xFC\xDF"
               "e");
    EXPECT_EQ(pixels_of(display.frame_buffer), from_utf8);
    expect_line(display.origin_x - 200, display.origin_y - 100 - cell_height(20), 20,
                "Gr\xC3\xBC\xC3\x9F"
                "e");
    EXPECT_TRUE(frame_as_expected());

    // Greek and Chinese, each line its own characters.
    DRAXO_clear_window();
    expect_from_here();
    DRAXO_text(BLUE, -250, 0, 20, "\xCE\xA9\xCE\xBC\xCE\xAD\xCE\xB3\xCE\xB1\n\xE4\xBD\xA0\xE5\xA5\xBD");
    expect_line(display.origin_x - 250, display.origin_y - cell_height(20), 20,
                "\xCE\xA9\xCE\xBC\xCE\xAD\xCE\xB3\xCE\xB1", BLUE);
    expect_line(display.origin_x - 250, display.origin_y, 20, "\xE4\xBD\xA0\xE5\xA5\xBD", BLUE);
    EXPECT_TRUE(frame_as_expected());
}

TEST_F(TextTest, TheWholeTextIsUtf8OrLatin1NotEachLine) {
    // The first line alone would be valid UTF-8 ("é"), but a Latin-1 byte on
    // the second makes the whole text Latin-1: "Ã©" and "ÿ".
    expect_from_here();
    DRAXO_text(BLACK, -250, 0, 20, "\xC3\xA9\n\xFF");
    expect_line(display.origin_x - 250, display.origin_y - cell_height(20), 20, "\xC3\x83\xC2\xA9");
    expect_line(display.origin_x - 250, display.origin_y, 20, "\xC3\xBF");
    EXPECT_TRUE(frame_as_expected());
}

TEST_F(TextTest, TheLogLineKeepsTheTextsBytes) {
    DRAXO_set_logging(1);
    EXPECT_EQ(printed([] { DRAXO_text(RED, 1, 2, 12, "\xE4\xBD\xA0\xE5\xA5\xBD"); }),
              lines{"red text at (1,2), \"\xE4\xBD\xA0\xE5\xA5\xBD\"\n"});
    EXPECT_EQ(printed([] {
                  DRAXO_text(RED, 1, 2, 12,
                             "Gr\xFC\xDF"
                             "e");
              }),
              lines{"red text at (1,2), \"Gr\xFC\xDF"
                    "e\"\n"});
}

TEST_F(TextTest, GlyphBackgroundsAreNeverPainted) {
    DRAXO_rectangle(RED, -100, 60, 100, -60, 0);
    DRAXO_text(BLACK, -90, 0, 40, "HOHO");
    int red = 0, other = 0;
    const int cy = cell_height(40);
    for (int row = display.origin_y - cy; row < display.origin_y; ++row)
        for (int column = display.origin_x - 90; column < display.origin_x + 90; ++column) {
            std::uint32_t p = test::frame_pixel(column, row);
            EXPECT_NE(p, 0xFFFFFFu);  // an opaque background would be white
            (p == test::rgb_of(RED) ? red : other) += 1;
        }
    EXPECT_GT(red, other);  // between and inside the strokes
    EXPECT_GT(other, 0);
    EXPECT_EQ(display.buffer_dc->text_color, palette_rgb[BLACK]);  // the one setting a text leaves behind
}

TEST_F(TextTest, SizesAreRepairedToZeroTo127InOrderBeforeTheColourAndTheLogLine) {
    EXPECT_EQ(printed([] { DRAXO_text(BLACK, 0, 0, 127, "x"); }), lines{});
    EXPECT_EQ(printed([] { DRAXO_text(BLACK, 0, 0, 128, "x"); }),
              lines{"ptsize of 128 not possible, using ptsize 127\n"});
    EXPECT_EQ(printed([] { DRAXO_text(BLACK, 0, 0, -20, "x"); }),
              lines{"ptsize of -20 not possible, using ptsize 20\n"});
    DRAXO_set_logging(1);
    EXPECT_EQ(
        printed([] { DRAXO_text(30, 1, 2, -200, "50%\n%s"); }),
        (lines{"ptsize of -200 not possible, using ptsize 200\n", "ptsize of 200 not possible, using ptsize 127\n",
               "Illegal color 30; using RED.\n", "red text at (1,2), \"50%\n%s\"\n"}));

    // The repaired size is the size drawn.
    DRAXO_set_logging(0);
    DRAXO_clear_window();
    expect_from_here();
    expect_line(display.origin_x, display.origin_y - cell_height(127), 127, "Hg");
    DRAXO_text(BLACK, 0, 0, 128, "Hg");
    EXPECT_TRUE(frame_as_expected());
    DRAXO_clear_window();
    expect_from_here();
    expect_line(display.origin_x, display.origin_y - cell_height(20), 20, "Hg");
    DRAXO_text(BLACK, 0, 0, -20, "Hg");
    EXPECT_TRUE(frame_as_expected());
}

TEST_F(TextTest, PrintfFormsDrawTheFormattedTextAsItIsAndReturnItsLength) {
    const int cy = cell_height(20);
    expect_from_here();
    EXPECT_EQ(DRAXO_printf_text(BLACK, 0, 0, 20, "%d", 42), 2);
    expect_line(display.origin_x, display.origin_y - cy, 20, "42");
    EXPECT_TRUE(frame_as_expected());

    // A percent sign in the result is text, never a format again.
    DRAXO_clear_window();
    expect_from_here();
    DRAXO_set_logging(1);
    std::size_t mark = test::console_mark();
    EXPECT_EQ(DRAXO_printf_text_pt(BLUE, DRAXO_point{-20, 10}, 20, "%s %d%%", "%s%n", 7), 7);
    EXPECT_EQ(test::console_since(mark), lines{"blue text at (-20,10), \"%s%n 7%\"\n"});
    expect_line(display.origin_x - 20, display.origin_y - 10 - cy, 20, "%s%n 7%", BLUE);
    EXPECT_TRUE(frame_as_expected());
}

TEST_F(TextTest, AFormattedTextLongerThan1023CharactersIsCutAtTheBuffer) {
    // 31 lines of 32 characters fill 1023 characters to the last newline;
    // the text beyond would begin a 32nd line.
    std::string text;
    for (int line = 0; line < 31; ++line) text += std::string(32, 'x') + "\n";
    ASSERT_EQ(text.size(), 1023u);
    text += "BEYOND";
    const int cy = cell_height(10);
    const int y = display.origin_y - 2 * cy;  // the anchor two lines below the top: room for 32 lines
    ASSERT_LT(33 * cy, frame_height);
    EXPECT_EQ(DRAXO_printf_text(BLACK, -250, y, 10, "%s", text.c_str()), 1029);
    std::vector<std::uint32_t> cut = pixels_of(display.frame_buffer);

    DRAXO_clear_window();
    DRAXO_text(BLACK, -250, y, 10, text.substr(0, 1023).c_str());
    EXPECT_TRUE(pixels_of(display.frame_buffer) == cut);
    DRAXO_clear_window();
    DRAXO_text(BLACK, -250, y, 10, text.substr(0, 1024).c_str());
    EXPECT_FALSE(pixels_of(display.frame_buffer) == cut);  // the 1024th character would have shown

    // With logging on the log line obeys the console's own limit.
    DRAXO_set_logging(1);
    std::size_t mark = test::console_mark();
    DRAXO_printf_text(BLACK, 0, 0, 10, "%s", text.c_str());
    lines logged = test::console_since(mark);
    ASSERT_EQ(logged.size(), 1u);
    EXPECT_EQ(logged[0].size(), 1023u);
    EXPECT_EQ(logged[0].rfind("black text at (0,0), \"xxx", 0), 0u);
}

// A cut inside a two-byte character leaves it out, so that the rest of the
// text still draws as UTF-8, not as Latin-1 with a stray byte at its end
// ("Ã©" for each "é", which the spaces between them show on every backend).
TEST_F(TextTest, AFormattedUtf8TextIsCutBetweenTwoCharacters) {
    std::string text = "xx";
    for (int i = 0; i < 400; ++i) text += "\xC3\xA9 ";  // the 1023rd byte is the first half of an "é"
    EXPECT_EQ(DRAXO_printf_text(BLACK, -290, 0, 8, "%s", text.c_str()), 1202);
    std::vector<std::uint32_t> cut = pixels_of(display.frame_buffer);
    DRAXO_clear_window();
    DRAXO_text(BLACK, -290, 0, 8, text.substr(0, 1022).c_str());
    EXPECT_TRUE(pixels_of(display.frame_buffer) == cut);
}

}  // namespace
}  // namespace draxo
