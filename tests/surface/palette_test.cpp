// The palette and the colour check.
#include "surface/palette.h"

#include <gtest/gtest.h>

#include "console/console.h"
#include "support/test_support.h"

namespace draxo {
namespace {

TEST(Palette, NamesAndColoursOfAllEntries) {
    struct entry {
        const char* name;
        unsigned r, g, b;
    };
    const entry expected[24] = {
        {"black", 0, 0, 0},           {"white", 255, 255, 255},      {"red", 255, 0, 0},
        {"green", 0, 255, 0},         {"blue", 0, 0, 255},           {"yellow", 255, 255, 0},
        {"magenta", 255, 0, 255},     {"cyan", 0, 255, 255},         {"purple", 153, 0, 204},
        {"navy blue", 0, 51, 153},    {"dusty plum", 153, 102, 153}, {"ice blue", 153, 255, 255},
        {"turquoise", 153, 255, 204}, {"orange", 255, 102, 0},       {"brown", 153, 102, 51},
        {"pink", 255, 153, 204},      {"chalk", 255, 255, 153},      {"gold", 204, 153, 51},
        {"peach", 255, 153, 102},     {"forest green", 0, 102, 51},  {"sea green", 51, 204, 153},
        {"olive", 153, 153, 51},      {"50% gray", 128, 128, 128},   {"20% gray", 204, 204, 204},
    };
    for (int i = 0; i < 24; ++i) {
        EXPECT_STREQ(palette_names[i], expected[i].name) << i;
        EXPECT_EQ(palette_rgb[i], expected[i].r | expected[i].g << 8 | expected[i].b << 16) << i;
    }
    EXPECT_EQ(GRAY_20, 23);
    EXPECT_EQ(NAVY_BLUE, 9);
}

TEST(Palette, LegalColoursPassSilentlyAndOthersBecomeRedWithAMessage) {
    for (bool log : {true, false}) {
        console.logging = log;
        std::size_t mark = test::console_mark();
        EXPECT_EQ(check_color(0), 0);
        EXPECT_EQ(check_color(23), 23);
        EXPECT_TRUE(test::console_since(mark).empty());
        EXPECT_EQ(check_color(24), RED);
        EXPECT_EQ(check_color(-1), RED);
        EXPECT_EQ(test::console_since(mark),
                  (std::vector<std::string>{"Illegal color 24; using RED.\n", "Illegal color -1; using RED.\n"}));
    }
}

}  // namespace
}  // namespace draxo
