// Text beyond Latin-1 with the platform's real fonts: characters the default
// face lacks come from the fallback fonts as glyphs of their own, and UTF-8
// text draws exactly as the same text in Latin-1.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "draxo.h"
#include "support/test_support.h"
#include "surface/display.h"

namespace draxo {
namespace {

// The frame buffer's pixels that are not white, as positions relative to
// the first of them.
std::vector<int> ink_of_text(const char* text) {
    DRAXO_clear_window();
    DRAXO_text(BLACK, -100, 0, 40, text);
    std::vector<int> ink;
    for (int row = 1; row < frame_height - 1; ++row)
        for (int column = 1; column < frame_width - 1; ++column)
            if (test::frame_pixel(column, row) != 0xFFFFFF) ink.push_back(row * frame_width + column);
    for (std::size_t i = 1; i < ink.size(); ++i) ink[i] -= ink[0];
    if (!ink.empty()) ink[0] = 0;
    return ink;
}

TEST(QtWorldText, GreekAndChineseGetGlyphsOfTheirOwn) {
    test::open_package();
    DRAXO_set_logging(0);
    // A face without the character would draw the same box for each.
    const char* const characters[] = {"\xCE\xA9",     "\xCE\xBC",     "\xCE\xB3",
                                      "\xE4\xBD\xA0", "\xE5\xA5\xBD", "\xE2\x82\xAC"};
    std::set<std::vector<int>> shapes;
    for (const char* c : characters) {
        std::vector<int> ink = ink_of_text(c);
        EXPECT_GT(ink.size(), 20u) << c;
        shapes.insert(ink);
    }
    EXPECT_EQ(shapes.size(), std::size(characters));
}

TEST(QtWorldText, ALineWithAControlCharacterStillTakesFallbackGlyphs) {
    test::open_package();
    DRAXO_set_logging(0);
    // A tab makes the line go glyph by glyph; Greek and Chinese letters
    // still get glyphs of their own, not the face's one missing-glyph box.
    const char* const lines[] = {"\t\xCE\xA9", "\t\xCE\xBC", "\t\xE4\xBD\xA0", "\t\xE5\xA5\xBD"};
    std::set<std::vector<int>> shapes;
    for (const char* line : lines) shapes.insert(ink_of_text(line));
    EXPECT_EQ(shapes.size(), std::size(lines));
    // The same letter drawn with and without the tab has the same ink.
    std::vector<int> alone = ink_of_text("\xE4\xBD\xA0\xE5\xA5\xBD");
    std::vector<int> after_a_tab = ink_of_text("\t\xE4\xBD\xA0\xE5\xA5\xBD");
    std::vector<int> tab = ink_of_text("\t");
    EXPECT_GT(alone.size(), 40u);
    EXPECT_EQ(after_a_tab.size(), alone.size() + tab.size());
}

TEST(QtWorldText, Utf8AndLatin1OfTheSameTextDrawTheSame) {
    test::open_package();
    DRAXO_set_logging(0);
    EXPECT_EQ(ink_of_text("Gr\xC3\xBC\xC3\x9F"
                          "e \xC3\xA0 la cr\xC3\xA8me"),
              ink_of_text("Gr\xFC\xDF"
                          "e \xE0 la cr\xE8me"));
    // A text drawn a second time comes from its kept glyphs: the same again.
    EXPECT_EQ(ink_of_text("\xCE\xA9\xCE\xBC\xCE\xAD\xCE\xB3\xCE\xB1, \xE4\xBD\xA0\xE5\xA5\xBD"),
              ink_of_text("\xCE\xA9\xCE\xBC\xCE\xAD\xCE\xB3\xCE\xB1, \xE4\xBD\xA0\xE5\xA5\xBD"));
}

}  // namespace
}  // namespace draxo
