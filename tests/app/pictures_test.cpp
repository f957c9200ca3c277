// The card's pictures and messages, read from the console: with logging on,
// every drawing call prints one line with its exact geometry and colour.
#include "pictures.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "console/console.h"
#include "random_draw.h"
#include "support/test_support.h"

namespace cards {
namespace {

using lines = std::vector<std::string>;

// The log lines of one drawing, with logging on.
template <typename Draw>
lines logged(Draw draw) {
    draxo::console.logging = true;
    std::size_t mark = draxo::test::console_mark();
    draw();
    return draxo::test::console_since(mark);
}

// Every pixel inside the frame's one-pixel border is white.
void expect_frame_white() {
    int other = 0;
    for (int row = 1; row < DRAXO_HEIGHT - 1; ++row)
        for (int column = 1; column < DRAXO_WIDTH - 1; ++column)
            other += draxo::test::frame_pixel(column, row) != 0xFFFFFFu;
    EXPECT_EQ(other, 0);
}

TEST(RandomDraw, ARunStartsFromDraxoSeedWhenItIsAWholeNumberElseFromTheTime) {
    EXPECT_EQ(starting_seed("42", 1700000000u), 42u);
    EXPECT_EQ(starting_seed("0", 1700000000u), 0u);
    EXPECT_EQ(starting_seed("4294967295", 7u), 4294967295u);
    for (const char* not_a_seed : {"", "4294967296", "-1", "12a", " 1", "99999999999"})
        EXPECT_EQ(starting_seed(not_a_seed, 7u), 7u) << not_a_seed;
    EXPECT_EQ(starting_seed(nullptr, 7u), 7u);
}

class Pictures : public ::testing::Test {
protected:
    void SetUp() override { draxo::test::open_package(); }
};

TEST(RandomDraw, FollowsItsRuleFromStateOneAndFromASeed) {
    EXPECT_EQ(random_draw(), 41);
    EXPECT_EQ(random_draw(), 18467);
    EXPECT_EQ(random_draw(), 6334);
    seed_random(1);
    EXPECT_EQ(random_draw(), 41);
    seed_random(0xFFFFFFFFu);  // wraps modulo 2^32
    EXPECT_EQ(random_draw(), static_cast<int>(((0xFFFFFFFFu * 214013u + 2531011u) >> 16) & 0x7FFF));
    for (int i = 0; i < 1000; ++i) {
        int value = random_draw();
        ASSERT_GE(value, 0);
        ASSERT_LE(value, 32767);
    }
}

TEST_F(Pictures, HeartWithRadiusEighteen) {
    seed_random(1);  // first draw 41: r = 17 + 1
    EXPECT_EQ(logged([] { draw_shape(PICTURE_HEART, BLACK, 0, 0); }),
              (lines{"black circle at (-13,0), radius 18\n", "black circle at (13,0), radius 18\n",
                     "black triangle at (-31,-5), (31,-5), (0,-41)\n"}));
}

TEST_F(Pictures, StarburstsOfFiveSixAndSevenSteps) {
    auto line = [](int dx, int dy) {
        return "red line from (" + std::to_string(dx) + "," + std::to_string(dy) + ") to (" + std::to_string(-dx) +
               "," + std::to_string(-dy) + "), width 1\n";
    };
    seed_random(2);  // draw mod 3 = 0: five lines
    EXPECT_EQ(logged([] { draw_shape(PICTURE_STARBURST, RED, 0, 0); }),
              (lines{line(40, 0), line(12, 38), line(-32, 23), line(-32, -23), line(12, -38)}));
    seed_random(6);  // six lines; the fourth offset is -39, truncated toward zero
    EXPECT_EQ(logged([] { draw_shape(PICTURE_STARBURST, RED, 0, 0); }),
              (lines{line(40, 0), line(19, 34), line(-20, 34), line(-39, 0), line(-19, -34), line(20, -34)}));
    seed_random(1);  // seven steps fall just short of the bound: an eighth line at (39, 0)
    EXPECT_EQ(logged([] { draw_shape(PICTURE_STARBURST, RED, 0, 0); }),
              (lines{line(40, 0), line(24, 31), line(-8, 38), line(-36, 17), line(-36, -17), line(-8, -38),
                     line(24, -31), line(39, 0)}));
}

TEST_F(Pictures, JetKeepsItsColoursAndFlickersItsFlames) {
    seed_random(21);  // draws leave remainders 3, then 0
    EXPECT_EQ(logged([] { draw_shape(PICTURE_JET, PINK, 10, 20); }),
              (lines{"black rectangle with bounding box (95,35) to (105,25), filled\n",
                     "50% gray triangle at (10,20), (95,20), (110,55)\n",
                     "20% gray triangle at (55,25), (80,25), (90,5)\n",
                     "pink oval with bounding box (50,40) to (65,30), filled\n",
                     "orange triangle at (110,35), (110,25), (175,30)\n",
                     "red triangle at (110,35), (110,25), (120,30)\n"}));
}

TEST_F(Pictures, CarInTheObjectColourWithFixedWindowsAndTyres) {
    lines car = logged([] { draw_shape(7, BLUE, 0, 0); });  // style 7 is a car
    ASSERT_EQ(car.size(), 17u);
    EXPECT_EQ(car[0], "blue rectangle with bounding box (5,10) to (120,0), filled\n");
    EXPECT_EQ(car[7], "turquoise triangle at (80,30), (95,20), (80,20)\n");
    EXPECT_EQ(car[8], "turquoise triangle at (40,20), (60,30), (55,20)\n");
    EXPECT_EQ(car[10], "black triangle at (85,15), (85,5), (90,15)\n");
    EXPECT_EQ(car[11], "black line from (60,15) to (85,15), width 1\n");
    EXPECT_EQ(car[13], "black circle at (25,5), radius 10\n");
    EXPECT_EQ(car[14], "black circle at (100,5), radius 10\n");
    EXPECT_EQ(car[15], "blue circle at (100,5), radius 5\n");
    EXPECT_EQ(car[16], "blue circle at (25,5), radius 5\n");
    int in_object_colour = 0;
    for (const std::string& line : car)
        if (line.rfind("blue ", 0) == 0) ++in_object_colour;
    EXPECT_EQ(in_object_colour, 10);
}

TEST_F(Pictures, StylesPickPicturesAndMessagesByRemainder) {
    seed_random(1);
    lines heart = logged([] { draw_shape(4, BLACK, 0, 0); });
    EXPECT_EQ(heart.size(), 3u);
    EXPECT_EQ(heart[0], "black circle at (-13,0), radius 18\n");
    EXPECT_TRUE(logged([] { draw_shape(-1, BLACK, 0, 0); }).empty());
    EXPECT_EQ(logged([] { draw_message(10, GOLD, -5, 6); }), lines{"gold text at (-5,6), \"Be my co-pilot!\"\n"});
    EXPECT_EQ(logged([] { draw_message(3, BLACK, 0, 0); }), lines{"black text at (0,0), \"Hot Weels!\"\n"});
}

TEST_F(Pictures, OnlyHeartsStarburstsAndJetsDrawRandomNumbers) {
    seed_random(1);
    logged([] {
        draw_shape(PICTURE_CAR, BLACK, 0, 0);
        draw_message(0, BLACK, 0, 0);
        draw_shape(PICTURE_JET, BLACK, 0, 0);    // two draws: 41, 18467
        draw_shape(PICTURE_HEART, BLACK, 0, 0);  // one draw: 6334
    });
    seed_random(1);
    for (int i = 0; i < 3; ++i) random_draw();
    int fourth = random_draw();
    seed_random(1);
    logged([] {
        draw_shape(PICTURE_JET, BLACK, 0, 0);
        draw_shape(PICTURE_STARBURST, BLACK, 0, 0);
    });
    EXPECT_EQ(random_draw(), fourth);
}

// A card file may anchor objects anywhere in the 32-bit range. Pictures
// there are drawn off the frame: no offset wraps round onto it (a starburst
// at the right end would otherwise cross the whole frame).
TEST_F(Pictures, AnchorsAtTheEndsOfThe32BitRangeLeaveTheFrameUntouched) {
    DRAXO_set_logging(0);
    DRAXO_clear_window();
    expect_frame_white();
    const int ends[][2] = {{INT_MAX, 0}, {INT_MIN, 0}, {0, INT_MAX}, {0, INT_MIN}, {INT_MAX, INT_MIN}};
    for (const auto& anchor : ends) {
        for (int style = 0; style < 4; ++style) draw_shape(style, RED, anchor[0], anchor[1]);
        draw_message(0, RED, anchor[0], anchor[1]);
    }
    expect_frame_white();
}

}  // namespace
}  // namespace cards
