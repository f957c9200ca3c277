// The shape rasteriser and the drawing-context calls over it: ellipses,
// Bresenham lines, polygon fill and outline, wide pens, and coordinates far
// beyond the buffer.
#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "surface/dc.h"
#include "surface/raster.h"

namespace draxo {
namespace {

using rows = std::vector<std::string>;

struct buffer {
    int width, height;
    std::vector<std::uint32_t> data;
    buffer(int w, int h) : width(w), height(h), data(static_cast<std::size_t>(w * h), 0) {}
    ws::pixels pixels() { return ws::pixels{data.data(), width, height, width}; }
    bool at(int x, int y) const {
        return x >= 0 && y >= 0 && x < width && y < height && data[static_cast<std::size_t>(y * width + x)] != 0;
    }
    // '#' painted, '.' not.
    rows picture() const {
        rows out;
        for (int y = 0; y < height; ++y) {
            std::string row;
            for (int x = 0; x < width; ++x) row += at(x, y) ? '#' : '.';
            out.push_back(row);
        }
        return out;
    }
    int count() const {
        int n = 0;
        for (std::uint32_t v : data) n += v != 0;
        return n;
    }
    bool operator==(const buffer& other) const { return data == other.data; }
};

// --- Ellipses ---------------------------------------------------------------

TEST(Ellipse, CircleOfRadiusThreeIsTheClassicSevenPixelDiscAndItsRing) {
    buffer fill(9, 9), ring(9, 9);
    raster::fill_ellipse(fill.pixels(), 1, 1, 8, 8, 1);
    raster::ellipse_outline(ring.pixels(), 1, 1, 8, 8, 1);
    EXPECT_EQ(fill.picture(), (rows{".........",
                                    "...###...",
                                    "..#####..",
                                    ".#######.",
                                    ".#######.",
                                    ".#######.",
                                    "..#####..",
                                    "...###...",
                                    "........."}));
    EXPECT_EQ(ring.picture(), (rows{".........",
                                    "...###...",
                                    "..#...#..",
                                    ".#.....#.",
                                    ".#.....#.",
                                    ".#.....#.",
                                    "..#...#..",
                                    "...###...",
                                    "........."}));
}

TEST(Ellipse, EverySizeIsSymmetricConvexAndTouchesAllFourSidesOfItsBox) {
    for (int w = 1; w <= 26; ++w) {
        for (int h = 1; h <= 26; ++h) {
            SCOPED_TRACE("box " + std::to_string(w) + " x " + std::to_string(h));
            buffer fill(w + 4, h + 4), ring(w + 4, h + 4);
            raster::fill_ellipse(fill.pixels(), 2, 2, 2 + w, 2 + h, 1);
            raster::ellipse_outline(ring.pixels(), 2, 2, 2 + w, 2 + h, 1);
            bool top = false, bottom = false, left = false, right = false, ok = true;
            int previous_width = 0;
            for (int y = 0; y < h + 4; ++y) {
                int first = -1, last = -1, painted = 0;
                for (int x = 0; x < w + 4; ++x) {
                    bool in = fill.at(x, y);
                    ok &= in == fill.at(w + 3 - x, y) && in == fill.at(x, h + 3 - y);  // both mirrors
                    ok &= !in || (x >= 2 && x < 2 + w && y >= 2 && y < 2 + h);        // inside the box
                    if (in) {
                        if (first < 0) first = x;
                        last = x;
                        ++painted;
                    }
                    // The outline is the filled pixels with a neighbour outside.
                    bool edge = in && (!fill.at(x - 1, y) || !fill.at(x + 1, y) || !fill.at(x, y - 1) ||
                                       !fill.at(x, y + 1));
                    ok &= ring.at(x, y) == edge;
                }
                if (y >= 2 && y < 2 + h) {
                    ok &= painted > 0 && last - first + 1 == painted;  // one run a row
                    if (y < 2 + (h + 1) / 2) ok &= painted >= previous_width;  // widening to the middle
                    previous_width = painted;
                }
                top |= y == 2 && painted > 0;
                bottom |= y == h + 1 && painted > 0;
                left |= first == 2;
                right |= last == w + 1;
            }
            EXPECT_TRUE(ok);
            EXPECT_TRUE(top && bottom && left && right);
        }
    }
}

TEST(Ellipse, AnEmptyBoxDrawsNothingAndAOnePixelBoxOnePixel) {
    buffer b(5, 5);
    raster::fill_ellipse(b.pixels(), 2, 2, 2, 4, 1);
    raster::ellipse_outline(b.pixels(), 3, 3, 1, 1, 1);
    EXPECT_EQ(b.count(), 0);
    raster::fill_ellipse(b.pixels(), 2, 2, 3, 3, 1);
    EXPECT_EQ(b.count(), 1);
    EXPECT_TRUE(b.at(2, 2));
}

// --- One-pixel lines ----------------------------------------------------------

TEST(Line, OnePixelPerColumnOnTheNearestRowWithoutTheEndPoint) {
    buffer b(12, 4);
    raster::line(b.pixels(), 0, 0, 10, 3, 1);
    EXPECT_EQ(b.picture(), (rows{"##..........",
                                 "..####......",
                                 "......###...",
                                 ".........#.."}));
    buffer steep(4, 12);
    raster::line(steep.pixels(), 3, 10, 0, 0, 1);  // one pixel per row, upwards
    EXPECT_EQ(steep.count(), 10);
    EXPECT_FALSE(steep.at(0, 0));
    EXPECT_TRUE(steep.at(3, 10));
    buffer dot(3, 3);
    raster::line(dot.pixels(), 1, 1, 1, 1, 1);
    EXPECT_EQ(dot.count(), 0);
}

TEST(Line, CoordinatesFarOutsideDrawTheSamePixelsAsACloserLineOfTheSameCourse) {
    // Both lines run through y = x / 2 (halves rounded down), so the buffer
    // must show the same pixels whatever the length.
    buffer near(40, 30), far(40, 30);
    raster::line(near.pixels(), -1000, -500, 1000, 500, 1);
    raster::line(far.pixels(), -2000000000, -1000000000, 2000000000, 1000000000, 1);
    EXPECT_EQ(near.count(), 40);
    EXPECT_TRUE(near == far);
    buffer extremes(40, 30);
    raster::line(extremes.pixels(), INT_MIN, INT_MIN, INT_MAX, INT_MAX, 1);  // the diagonal
    EXPECT_EQ(extremes.count(), 30);
    EXPECT_TRUE(extremes.at(29, 29));
}

// --- Polygons -----------------------------------------------------------------

TEST(Polygon, FillLeavesRightAndBottomEdgesToTheOutlineLikeARectangle) {
    buffer b(6, 6);
    const raster::point square[4] = {{1, 1}, {4, 1}, {4, 4}, {1, 4}};
    raster::fill_polygon(b.pixels(), square, 4, 1);
    EXPECT_EQ(b.picture(), (rows{"......", ".###..", ".###..", ".###..", "......", "......"}));
    raster::polygon_outline(b.pixels(), square, 4, 1);
    EXPECT_EQ(b.picture(), (rows{"......", ".####.", ".####.", ".####.", ".####.", "......"}));
}

TEST(Polygon, FilledTriangleWithItsOutlineHasNoGapsAndHoldsItsCorners) {
    const raster::point corners[][3] = {
        {{1, 1}, {11, 1}, {6, 10}}, {{0, 0}, {13, 4}, {3, 11}}, {{12, 0}, {0, 5}, {9, 11}}, {{2, 9}, {5, 0}, {13, 6}}};
    for (const auto& t : corners) {
        buffer b(14, 12);
        raster::fill_polygon(b.pixels(), t, 3, 1);
        raster::polygon_outline(b.pixels(), t, 3, 1);
        for (const raster::point& p : t) EXPECT_TRUE(b.at(p.x, p.y));
        for (int y = 0; y < 12; ++y) {
            int first = -1, last = -1, painted = 0;
            for (int x = 0; x < 14; ++x) {
                if (!b.at(x, y)) continue;
                if (first < 0) first = x;
                last = x;
                ++painted;
            }
            if (painted > 0) {
                EXPECT_EQ(last - first + 1, painted) << "row " << y;
            }
        }
    }
}

TEST(Polygon, FlatOrPointTrianglesDrawTheirWholeSegmentOrPoint) {
    buffer b(12, 3);
    const raster::point flat[3] = {{1, 1}, {10, 1}, {5, 1}};
    raster::fill_polygon(b.pixels(), flat, 3, 1);
    raster::polygon_outline(b.pixels(), flat, 3, 1);
    EXPECT_EQ(b.picture(), (rows{"............", ".##########.", "............"}));
    buffer p(3, 3);
    const raster::point point[3] = {{1, 1}, {1, 1}, {1, 1}};
    raster::polygon_outline(p.pixels(), point, 3, 1);
    EXPECT_EQ(p.picture(), (rows{"...", ".#.", "..."}));
}

TEST(Polygon, HugeCornersFillTheSameRowsAsACloseTriangleOfTheSameShape) {
    // Edges through (0, 0) with slopes 1/2 and -1/2, reaching far away.
    buffer near(20, 20), far(20, 20);
    const raster::point small[3] = {{0, 0}, {400, 200}, {400, -200}};
    const raster::point huge[3] = {{0, 0}, {2000000000, 1000000000}, {2000000000, -1000000000}};
    raster::fill_polygon(near.pixels(), small, 3, 1);
    raster::fill_polygon(far.pixels(), huge, 3, 1);
    EXPECT_GT(near.count(), 100);
    EXPECT_TRUE(near == far);
}

// --- Wide pens ------------------------------------------------------------------

TEST(WidePen, DotsAreRoundWithTheExtraPixelOfEvenWidthsUpAndLeft) {
    auto dot = [](int width) {
        buffer b(9, 9);
        raster::stroke_segment(b.pixels(), {4, 4}, {4, 4}, width, 1);
        return b.picture();
    };
    EXPECT_EQ(dot(2), (rows{".........", ".........", ".........", "...##....", "...##....", ".........",
                            ".........", ".........", "........."}));
    EXPECT_EQ(dot(4), (rows{".........", ".........", "...##....", "..####...", "..####...", "...##....",
                            ".........", ".........", "........."}));
    EXPECT_EQ(dot(5), (rows{".........", ".........", "...###...", "..#####..", "..#####..", "..#####..",
                            "...###...", ".........", "........."}));
}

TEST(WidePen, SegmentsAreCentredWithRoundCapsOverBothEnds) {
    buffer b(12, 7);
    raster::stroke_segment(b.pixels(), {3, 3}, {8, 3}, 4, 1);  // rows 1..4, one more up than down
    EXPECT_EQ(b.picture(), (rows{"............",
                                 "..#######...",
                                 ".#########..",
                                 ".#########..",
                                 "..#######...",
                                 "............",
                                 "............"}));
    // Direction does not matter for a wide pen.
    buffer forward(30, 30), backward(30, 30);
    raster::stroke_segment(forward.pixels(), {3, 5}, {25, 22}, 5, 1);
    raster::stroke_segment(backward.pixels(), {25, 22}, {3, 5}, 5, 1);
    EXPECT_TRUE(forward == backward);
}

TEST(WidePen, FarAndHugeStrokesStayExactWhereTheyCanBeSeen) {
    buffer b(20, 20);
    raster::stroke_segment(b.pixels(), {INT_MIN, 9}, {INT_MAX, 9}, 3, 1);  // rows 8..10, all across
    EXPECT_EQ(b.count(), 60);
    EXPECT_TRUE(b.at(0, 8) && b.at(19, 10));
    buffer all(20, 20), none(20, 20);
    raster::stroke_segment(all.pixels(), {10, 10}, {10, 10}, INT_MAX, 1);
    EXPECT_EQ(all.count(), 400);
    raster::stroke_segment(none.pixels(), {-100000000, -5}, {100000000, -5}, 7, 1);  // rows -8..-2
    raster::stroke_ellipse(none.pixels(), 30, 30, 100, 100, 5, 1);
    EXPECT_EQ(none.count(), 0);
}

TEST(WidePen, EllipseRingIsAsWideAsThePenAndCentredOnTheOutline) {
    buffer b(15, 15);
    raster::stroke_ellipse(b.pixels(), 2, 2, 13, 13, 3, 1);  // circle of radius 5, outline centred
    // Across the middle row: one pixel outside the box, the outline pixel, one inside.
    EXPECT_EQ(b.picture()[7], ".###.......###.");
    EXPECT_EQ(b.picture()[0], "...............");
    EXPECT_EQ(b.picture()[1][7], '#');
    buffer even(15, 15);
    raster::stroke_ellipse(even.pixels(), 2, 2, 13, 13, 2, 1);  // the extra pixel up and left
    EXPECT_EQ(even.picture()[7], ".##........##..");
    EXPECT_EQ(even.picture()[1][7], '#');
    EXPECT_EQ(even.picture()[13][7], '.');
}

// --- The drawing context ------------------------------------------------------------

struct context_fixture : ::testing::Test {
    ws::image img = ws::create_image(12, 10);
    draw_context* dc = create_memory_dc();
    context_fixture() {
        ws::fill_image(img, 0xFFFFFF);
        select_image(*dc, img);
    }
    ~context_fixture() override {
        release_dc(dc);
        ws::delete_image(img);
    }
    // '.' white, '#' black, 'r' red, '?' other.
    rows picture() {
        ws::pixels px = ws::image_pixels(img);
        rows out;
        for (int y = 0; y < px.height; ++y) {
            std::string row;
            for (int x = 0; x < px.width; ++x) {
                std::uint32_t v = px.bits[y * px.stride + x] & 0xFFFFFFu;
                row += v == 0xFFFFFF ? '.' : v == 0 ? '#' : v == 0xFF0000 ? 'r' : '?';
            }
            out.push_back(row);
        }
        return out;
    }
};

using DrawingContextShapes = context_fixture;

TEST_F(DrawingContextShapes, WidePenRectangleHasRoundOuterCornersAndAnUntouchedInside) {
    select_pen(*dc, pen{0x000000, 3, false});
    select_brush(*dc, brush{0, true});
    dc_rectangle(*dc, 2, 2, 10, 8);  // outline through columns 2..9, rows 2..7
    EXPECT_EQ(picture(), (rows{"............",
                               ".##########.",
                               ".##########.",
                               ".##########.",
                               ".###....###.",
                               ".###....###.",
                               ".##########.",
                               ".##########.",
                               ".##########.",
                               "............"}));
    select_pen(*dc, pen{0x000000, 5, false});
    ws::fill_image(img, 0xFFFFFF);
    dc_rectangle(*dc, 2, 2, 10, 8);
    EXPECT_EQ(picture()[0], ".##########.");  // the outermost corner pixels stay clear
    EXPECT_EQ(picture()[1], "############");
}

TEST_F(DrawingContextShapes, EllipseFillsWithTheBrushOutlinesWithThePenAndShrinksWithoutOne) {
    select_pen(*dc, pen{0x000000, 1, false});
    select_brush(*dc, brush{0x0000FF, false});  // red, as 0x00BBGGRR
    dc_ellipse(*dc, 1, 1, 8, 8);
    EXPECT_EQ(picture()[1], "...###......");
    EXPECT_EQ(picture()[4], ".#rrrrr#....");
    ws::fill_image(img, 0xFFFFFF);
    select_pen(*dc, pen{0, 0, true});
    dc_ellipse(*dc, 1, 1, 8, 8);  // the ellipse of the box one smaller: 6 x 6
    EXPECT_EQ(picture()[1], "..rrrr......");
    EXPECT_EQ(picture()[3], ".rrrrrr.....");
    EXPECT_EQ(picture()[6], "..rrrr......");
    EXPECT_EQ(picture()[7], "............");
}

TEST_F(DrawingContextShapes, LinesMoveTheCurrentPositionAndANullPenPaintsNothing) {
    select_pen(*dc, pen{0x000000, 0, false});
    dc_move_to(*dc, 1, 1);
    dc_line_to(*dc, 5, 1);
    dc_line_to(*dc, 5, 4);
    EXPECT_EQ(dc->x, 5);
    EXPECT_EQ(dc->y, 4);
    EXPECT_EQ(picture()[1], ".#####......");  // the first end point begins the second line
    EXPECT_EQ(picture()[3], ".....#......");
    EXPECT_EQ(picture()[4], "............");  // the end point
    select_pen(*dc, pen{0x000000, 1, true});
    dc_line_to(*dc, 10, 9);
    EXPECT_EQ(dc->x, 10);
    EXPECT_EQ(picture()[8], "............");
}

TEST_F(DrawingContextShapes, PolygonFillsOnlyWithASolidBrushAndOutlinesOnlyWithAPen) {
    const raster::point corners[3] = {{1, 1}, {9, 1}, {1, 8}};
    select_pen(*dc, pen{0, 1, true});
    select_brush(*dc, brush{0x0000FF, false});
    dc_polygon(*dc, corners, 3);
    EXPECT_EQ(picture()[1], ".rrrrrrrr...");  // right end left to the outline
    EXPECT_EQ(picture()[8], "............");
    select_pen(*dc, pen{0x000000, 1, false});
    select_brush(*dc, brush{0, true});
    dc_polygon(*dc, corners, 3);
    EXPECT_EQ(picture()[1], ".#########..");
    EXPECT_EQ(picture()[2], ".#rrrrrr#...");
    EXPECT_EQ(picture()[8], ".#..........");
}

}  // namespace
}  // namespace draxo
