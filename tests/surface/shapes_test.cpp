// The shape operations through the package: repairs and their messages in
// each operation's own order, log lines, and the pixels each command leaves
// in the frame buffer.
#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "console/console.h"
#include "support/test_support.h"
#include "surface/display.h"
#include "surface/draw_command.h"

namespace draxo {
namespace {

using lines = std::vector<std::string>;
constexpr std::uint32_t white = 0xFFFFFF;

// The whole frame buffer, to see that a command changed nothing.
std::vector<std::uint32_t> snapshot() {
    ws::pixels px = ws::image_pixels(display.frame_buffer);
    std::vector<std::uint32_t> all;
    for (int row = 0; row < px.height; ++row)
        all.insert(all.end(), px.bits + row * px.stride, px.bits + row * px.stride + px.width);
    return all;
}

// Device pixels around the origin: the pixel dx columns right, dy rows down.
std::uint32_t at(int dx, int dy) { return test::frame_pixel(display.origin_x + dx, display.origin_y + dy); }

struct ShapeTest : ::testing::Test {
    void SetUp() override {
        test::open_package();
        DRAXO_clear_window();
    }
    // Runs `draw` and returns what it printed.
    template <typename Draw>
    lines printed(Draw draw) {
        std::size_t mark = test::console_mark();
        draw();
        return test::console_since(mark);
    }
};

TEST_F(ShapeTest, RectangleFromReversedCornersIsOrderedLoggedAndFillsBothCornerPixels) {
    display.frame_dirty = 0;
    EXPECT_EQ(printed([] { EXPECT_EQ(DRAXO_rectangle(RED, 10, -10, -10, 10, 0), 1); }),
              lines{"red rectangle with bounding box (-10,10) to (10,-10), filled\n"});
    EXPECT_EQ(display.frame_dirty, 1);
    int red = 0;
    for (int dy = -11; dy <= 11; ++dy)
        for (int dx = -11; dx <= 11; ++dx) {
            bool inside = dx >= -10 && dx <= 10 && dy >= -10 && dy <= 10;
            EXPECT_EQ(at(dx, dy), inside ? test::rgb_of(RED) : white) << dx << "," << dy;
            red += inside;
        }
    EXPECT_EQ(red, 21 * 21);
}

TEST_F(ShapeTest, OutlinedRectangleCoversItsCornersAndLeavesTheInsideAsItWas) {
    DRAXO_rectangle(YELLOW, 1, 4, 4, 1, 0);  // something inside to keep
    EXPECT_EQ(printed([] { DRAXO_rectangle(BLUE, 0, 0, 5, 5, 1); }),
              lines{"blue rectangle with bounding box (0,5) to (5,0) with line width 1\n"});
    for (int dy = -6; dy <= 1; ++dy)
        for (int dx = -1; dx <= 6; ++dx) {
            bool border = (dx == 0 || dx == 5 || dy == -5 || dy == 0) && dx >= 0 && dx <= 5 && dy >= -5 && dy <= 0;
            bool kept = dx >= 1 && dx <= 4 && dy >= -4 && dy <= -1;
            EXPECT_EQ(at(dx, dy), border ? test::rgb_of(BLUE)
                                  : kept ? test::rgb_of(YELLOW)
                                         : white)
                << dx << "," << dy;
        }
}

TEST_F(ShapeTest, CircleRepairsItsRadiusAndSpansTwiceTheRadiusPlusOne) {
    EXPECT_EQ(printed([] { DRAXO_circle(GREEN, 0, 0, -3); }),
              (lines{"Radius of -3 not possible, using radius 3\n", "green circle at (0,0), radius 3\n"}));
    const std::uint32_t green = test::rgb_of(GREEN);
    for (int d = -4; d <= 4; ++d) {
        EXPECT_EQ(at(d, 0), d >= -3 && d <= 3 ? green : white) << d;
        EXPECT_EQ(at(0, d), d >= -3 && d <= 3 ? green : white) << d;
    }
    EXPECT_EQ(at(3, 3), white);  // round, not square
    DRAXO_clear_window();
    DRAXO_circle(GREEN, 20, 20, 0);
    int painted = 0;
    for (int dy = -2; dy <= 2; ++dy)
        for (int dx = -2; dx <= 2; ++dx) painted += test::logical_pixel(20 + dx, 20 + dy) == green;
    EXPECT_EQ(painted, 1);
    EXPECT_EQ(test::logical_pixel(20, 20), green);
}

TEST_F(ShapeTest, OvalCoversBothCornersAndWithAWidthLeavesItsInside) {
    DRAXO_oval(BLUE, -10, 5, 10, -5, 0);
    EXPECT_EQ(at(-10, 0), test::rgb_of(BLUE));
    EXPECT_EQ(at(10, 0), test::rgb_of(BLUE));
    EXPECT_EQ(at(0, -5), test::rgb_of(BLUE));
    EXPECT_EQ(at(0, 5), test::rgb_of(BLUE));
    EXPECT_EQ(at(11, 0), white);
    EXPECT_EQ(at(0, 6), white);
    EXPECT_EQ(at(10, 5), white);
    DRAXO_clear_window();
    EXPECT_EQ(printed([] { DRAXO_oval(BLUE, 10, -5, -10, 5, 1); }),
              lines{"blue oval with bounding box (-10,5) to (10,-5), line width 1\n"});
    EXPECT_EQ(at(-10, 0), test::rgb_of(BLUE));
    EXPECT_EQ(at(0, 5), test::rgb_of(BLUE));
    EXPECT_EQ(at(0, 0), white);
    EXPECT_EQ(at(-9, 0), white);
}

TEST_F(ShapeTest, LineOfWidthZeroIsOnePixelWideAndLeavesItsEndPoint) {
    EXPECT_EQ(printed([] { DRAXO_line(BLACK, 0, 0, 10, 0, 0); }),
              lines{"black line from (0,0) to (10,0), width 0\n"});
    for (int dx = -1; dx <= 11; ++dx) {
        EXPECT_EQ(at(dx, 0), dx >= 0 && dx <= 9 ? 0u : white) << dx;
        EXPECT_EQ(at(dx, -1), white);
        EXPECT_EQ(at(dx, 1), white);
    }
}

TEST_F(ShapeTest, WideLinesAreCentredWithTheExtraPixelUpAndRoundAtTheEnds) {
    DRAXO_line(BLACK, -5, 0, 5, 0, 2);
    EXPECT_EQ(at(0, -1), 0u);  // one row above the line
    EXPECT_EQ(at(0, 0), 0u);
    EXPECT_EQ(at(0, 1), white);
    EXPECT_EQ(at(5, 0), 0u);  // both ends painted
    EXPECT_EQ(at(-6, 0), 0u);
    DRAXO_clear_window();
    DRAXO_line(BLACK, 0, 0, 0, 0, 5);  // a round dot
    EXPECT_EQ(at(-2, 0), 0u);
    EXPECT_EQ(at(0, 2), 0u);
    EXPECT_EQ(at(2, 2), white);
    EXPECT_EQ(at(3, 0), white);
}

TEST_F(ShapeTest, PixelSetsExactlyOneDevicePixel) {
    DRAXO_rectangle(BLACK, -3, 3, 3, -3, 0);
    EXPECT_EQ(printed([] { DRAXO_pixel(WHITE, 0, 0); }), lines{"white pixel at (0,0)\n"});
    for (int dy = -3; dy <= 3; ++dy)
        for (int dx = -3; dx <= 3; ++dx) EXPECT_EQ(at(dx, dy), dx == 0 && dy == 0 ? white : 0u);
}

TEST_F(ShapeTest, TriangleOfWidthZeroIsFilledWithItsCornersAndOfWidthOneOutlined) {
    EXPECT_EQ(printed([] { DRAXO_triangle(PURPLE, -10, -10, 10, -10, 0, 10, 0); }),
              lines{"purple triangle at (-10,-10), (10,-10), (0,10)\n"});
    const std::uint32_t purple = test::rgb_of(PURPLE);
    EXPECT_EQ(test::logical_pixel(-10, -10), purple);
    EXPECT_EQ(test::logical_pixel(10, -10), purple);
    EXPECT_EQ(test::logical_pixel(0, 10), purple);
    EXPECT_EQ(test::logical_pixel(0, 0), purple);
    EXPECT_EQ(test::logical_pixel(0, 11), white);
    EXPECT_EQ(test::logical_pixel(11, -10), white);
    DRAXO_clear_window();
    EXPECT_EQ(printed([] { DRAXO_triangle(PURPLE, -10, -10, 10, -10, 0, 10, 1); }),
              lines{"purple triangle at (-10,-10), (10,-10), (0,10)\n"});
    EXPECT_EQ(test::logical_pixel(0, 10), purple);
    EXPECT_EQ(test::logical_pixel(0, -10), purple);
    EXPECT_EQ(test::logical_pixel(0, 0), white);
    // Flat: the whole segment, both ends included.
    DRAXO_clear_window();
    DRAXO_triangle(PURPLE, -5, 0, 5, 0, 0, 0, 0);
    for (int x = -6; x <= 6; ++x) EXPECT_EQ(test::logical_pixel(x, 0), x >= -5 && x <= 5 ? purple : white) << x;
}

TEST_F(ShapeTest, EachOperationRepairsAndChecksInItsOwnOrderAndLogsOnlyWhenAsked) {
    DRAXO_set_logging(0);
    const lines width_then_color{"Width of -2 not possible, using width 2\n", "Illegal color 30; using RED.\n"};
    const lines color_then_width{"Illegal color 30; using RED.\n", "Width of -2 not possible, using width 2\n"};
    EXPECT_EQ(printed([] { DRAXO_oval(30, 0, 0, 10, 10, -2); }), width_then_color);
    EXPECT_EQ(printed([] { DRAXO_line(30, 0, 0, 10, 10, -2); }), width_then_color);
    EXPECT_EQ(printed([] { DRAXO_rectangle(30, 0, 0, 10, 10, -2); }), color_then_width);
    EXPECT_EQ(printed([] { DRAXO_triangle(30, 0, 0, 10, 10, 5, 0, -2); }), color_then_width);
    EXPECT_EQ(printed([] { DRAXO_circle(-1, 0, 0, -4); }),
              (lines{"Illegal color -1; using RED.\n", "Radius of -4 not possible, using radius 4\n"}));
    EXPECT_EQ(printed([] { DRAXO_pixel(24, 0, 0); }), lines{"Illegal color 24; using RED.\n"});
    // With logging on, exactly one log line follows, naming the colour used.
    DRAXO_set_logging(1);
    lines oval = width_then_color;
    oval.push_back("red oval with bounding box (0,10) to (10,0), line width 2\n");
    EXPECT_EQ(printed([] { DRAXO_oval(30, 0, 0, 10, 10, -2); }), oval);
    lines line = width_then_color;
    line.push_back("red line from (0,0) to (10,10), width 2\n");
    EXPECT_EQ(printed([] { DRAXO_line_pt(30, DRAXO_point{0, 0}, DRAXO_point{10, 10}, -2); }), line);
}

TEST_F(ShapeTest, ShapesFarOutsideAreClippedSilentlyAndStillMarkTheFrameDirty) {
    DRAXO_set_logging(0);
    const std::vector<std::uint32_t> before = snapshot();
    auto outside = [&](auto draw) {
        display.frame_dirty = 0;
        EXPECT_EQ(printed(draw), lines{});
        EXPECT_EQ(display.frame_dirty, 1);
        EXPECT_TRUE(snapshot() == before);
    };
    outside([] { DRAXO_rectangle(RED, 100000, 100000, 100010, 99990, 0); });
    outside([] { DRAXO_rectangle(RED, INT_MAX, INT_MAX, INT_MAX - 5, INT_MAX, 7); });
    outside([] { DRAXO_rectangle(RED, INT_MAX, INT_MIN, INT_MAX, INT_MIN, 1); });
    outside([] { DRAXO_oval(RED, INT_MAX, INT_MIN, INT_MAX, INT_MIN, 1); });
    outside([] { DRAXO_oval(RED, INT_MIN, INT_MIN, INT_MIN + 100, INT_MIN + 100, 0); });
    outside([] { DRAXO_circle(RED, INT_MAX, INT_MIN, 10); });
    outside([] { DRAXO_triangle(RED, INT_MIN, INT_MAX, INT_MAX, INT_MAX, 0, INT_MAX, 0); });
    outside([] { DRAXO_line(RED, INT_MIN, 5000, INT_MAX, 5000, 9); });
    outside([] { DRAXO_pixel(RED, INT_MIN, INT_MAX); });
    // One that reaches the frame from far away covers it.
    DRAXO_circle(RED, 0, 0, INT_MAX);
    EXPECT_EQ(test::frame_pixel(0, 0), test::rgb_of(RED));
    EXPECT_EQ(test::frame_pixel(600, 539), test::rgb_of(RED));
}

TEST_F(ShapeTest, ExtremeCoordinatesWorkForEveryShapeAndWidth) {
    // Under the sanitizers, any arithmetic that overflows on the way fails here.
    DRAXO_set_logging(0);
    const int far[] = {INT_MIN, INT_MIN + 1,   -2000000000, -(1 << 30) - 1, -1000,  0,
                       1000,    (1 << 30) + 1, 2000000000,  INT_MAX - 1,    INT_MAX};
    const int widths[] = {0, 1, 2, 5, 1000, INT_MAX, INT_MIN};
    for (int a : far) {
        for (int b : far) {
            for (int width : widths) {
                DRAXO_rectangle(BLUE, a, 100, b, -100, width);
                DRAXO_rectangle(BLUE, 100, a, -100, b, width);
                DRAXO_oval(BLUE, a, b, b, a, width);
                DRAXO_triangle(BLUE, a, b, b, a, 0, 0, width);
                DRAXO_line(BLUE, a, b, b, a, width);
            }
            DRAXO_circle(BLUE, a, b, a);
            DRAXO_pixel(BLUE, a, b);
        }
    }
    // The widest outline of all still shows its two long edges across the frame.
    DRAXO_clear_window();
    DRAXO_rectangle(BLUE, -2000000000, 100, 2000000000, -100, 1);
    EXPECT_EQ(test::logical_pixel(0, 100), test::rgb_of(BLUE));
    EXPECT_EQ(test::logical_pixel(-200, -100), test::rgb_of(BLUE));
    EXPECT_EQ(test::logical_pixel(0, 0), white);
}

TEST_F(ShapeTest, RendererPutsBackThePenAndBrushAndMarksTheFrameForAnyKind) {
    for (int kind = DRAW_TRIANGLE; kind <= 9; ++kind) {
        draw_command c;
        c.kind = kind;
        c.color = RED;
        c.width = 3;
        c.x2 = 12;
        display.frame_dirty = 0;
        render_command(&c);
        EXPECT_EQ(display.frame_dirty, 1) << kind;
        EXPECT_EQ(display.buffer_dc->current_pen.width, 1) << kind;
        EXPECT_EQ(display.buffer_dc->current_pen.color, 0u) << kind;
        EXPECT_FALSE(display.buffer_dc->current_pen.null) << kind;
        EXPECT_EQ(display.buffer_dc->current_brush.color, 0xFFFFFFu) << kind;
        EXPECT_FALSE(display.buffer_dc->current_brush.hollow) << kind;
        EXPECT_EQ(display.buffer_dc->current_font, nullptr) << kind;
        EXPECT_EQ(display.buffer_dc->background_mode, ws::OPAQUE) << kind;
    }
    // An unknown kind draws nothing; the clear still draws its black border.
    const std::vector<std::uint32_t> before = snapshot();
    draw_command unknown;
    unknown.kind = 6;
    unknown.color = RED;
    render_command(&unknown);
    EXPECT_TRUE(snapshot() == before);
    DRAXO_clear_window();
    EXPECT_EQ(test::frame_pixel(0, 0), 0u);
    EXPECT_EQ(test::frame_pixel(1, 1), white);
}

TEST_F(ShapeTest, UndoOnlySaysItIsNoLongerSupported) {
    DRAXO_set_logging(0);
    DRAXO_circle(BLUE, 0, 0, 5);
    const std::vector<std::uint32_t> before = snapshot();
    int result = 0;
    EXPECT_EQ(printed([&] { result = DRAXO_undo(); }), lines{"DRAXO_undo is no longer supported.\n"});
    EXPECT_EQ(result, 1);
    EXPECT_TRUE(snapshot() == before);
}

}  // namespace
}  // namespace draxo
