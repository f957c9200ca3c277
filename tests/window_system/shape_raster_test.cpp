// The shape rasteriser: ellipses, Bresenham lines, polygon fill and outline,
// wide pens, and coordinates far beyond the buffer.
#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "window_system/ws_dc.h"
#include "window_system/ws_raster.h"

namespace draxo::ws {
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
    rows picture() const {  // '#' painted, '.' not
        rows out(static_cast<std::size_t>(height), std::string(static_cast<std::size_t>(width), '.'));
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                if (at(x, y)) out[static_cast<std::size_t>(y)][static_cast<std::size_t>(x)] = '#';
        return out;
    }
    int count() const {
        int n = 0;
        for (std::uint32_t v : data) n += v != 0;
        return n;
    }
    // Painted pixels of one row form a single run.
    bool one_run(int y) const {
        int first = -1, last = -1, n = 0;
        for (int x = 0; x < width; ++x)
            if (at(x, y)) {
                first = first < 0 ? x : first;
                last = x;
                ++n;
            }
        return n == 0 || last - first + 1 == n;
    }
};

TEST(Ellipse, CircleOfRadiusThreeIsTheClassicSevenPixelDiscAndItsRing) {
    buffer fill(7, 7), ring(7, 7);
    raster::fill_ellipse(fill.pixels(), 0, 0, 7, 7, 1);
    raster::ellipse_outline(ring.pixels(), 0, 0, 7, 7, 1);
    EXPECT_EQ(fill.picture(), (rows{"..###..", ".#####.", "#######", "#######", "#######", ".#####.", "..###.."}));
    EXPECT_EQ(ring.picture(), (rows{"..###..", ".#...#.", "#.....#", "#.....#", "#.....#", ".#...#.", "..###.."}));
}

TEST(Ellipse, EverySizeIsSymmetricConvexAndTouchesAllFourSidesOfItsBox) {
    for (int w = 1; w <= 26; ++w) {
        for (int h = 1; h <= 26; ++h) {
            SCOPED_TRACE("box " + std::to_string(w) + " x " + std::to_string(h));
            buffer fill(w + 2, h + 2), ring(w + 2, h + 2);
            raster::fill_ellipse(fill.pixels(), 1, 1, 1 + w, 1 + h, 1);
            raster::ellipse_outline(ring.pixels(), 1, 1, 1 + w, 1 + h, 1);
            bool ok = true;
            for (int y = 0; y < h + 2; ++y) {
                for (int x = 0; x < w + 2; ++x) {
                    bool in = fill.at(x, y);
                    ok &= in == fill.at(w + 1 - x, y) && in == fill.at(x, h + 1 - y);
                    // The outline is exactly the filled pixels with a neighbour outside.
                    ok &= ring.at(x, y) == (in && !(fill.at(x - 1, y) && fill.at(x + 1, y) && fill.at(x, y - 1) &&
                                                    fill.at(x, y + 1)));
                }
                ok &= fill.one_run(y);
            }
            // Rows widen toward the middle; the box's edge rows and columns are reached.
            for (int y = 2; y <= (h + 1) / 2; ++y)
                ok &= fill.picture()[y].find('#') <= fill.picture()[y - 1].find('#');
            EXPECT_TRUE(ok);
            EXPECT_TRUE(fill.at(1 + (w - 1) / 2, 1) && fill.at(1, 1 + (h - 1) / 2) && fill.at(w, 1 + (h - 1) / 2));
            EXPECT_EQ(fill.picture()[0], std::string(static_cast<std::size_t>(w + 2), '.'));
        }
    }
}

TEST(Line, OnePixelPerColumnOnTheNearestRowWithoutTheEndPoint) {
    buffer b(12, 4);
    raster::line(b.pixels(), 0, 0, 10, 3, 1);
    EXPECT_EQ(b.picture(), (rows{"##..........", "..####......", "......###...", ".........#.."}));
    buffer steep(4, 12), dot(3, 3);
    raster::line(steep.pixels(), 3, 10, 0, 0, 1);  // one pixel per row, upwards
    EXPECT_EQ(steep.count(), 10);
    EXPECT_FALSE(steep.at(0, 0));
    raster::line(dot.pixels(), 1, 1, 1, 1, 1);
    EXPECT_EQ(dot.count(), 0);
}

TEST(Line, CoordinatesFarOutsideDrawTheSamePixelsAsACloserLineOfTheSameCourse) {
    // Both run through y = x / 2, so the buffer shows the same pixels.
    buffer near(40, 30), far(40, 30), extremes(40, 30);
    raster::line(near.pixels(), -1000, -500, 1000, 500, 1);
    raster::line(far.pixels(), -2000000000, -1000000000, 2000000000, 1000000000, 1);
    EXPECT_EQ(near.count(), 40);
    EXPECT_EQ(near.data, far.data);
    raster::line(extremes.pixels(), INT_MIN, INT_MIN, INT_MAX, INT_MAX, 1);  // the diagonal
    EXPECT_EQ(extremes.count(), 30);
}

TEST(Polygon, FillLeavesRightAndBottomToTheOutlineAndFlatShapesAreTheirOutline) {
    buffer b(6, 6);
    const raster::point square[4] = {{1, 1}, {4, 1}, {4, 4}, {1, 4}};
    raster::fill_polygon(b.pixels(), square, 4, 1);
    EXPECT_EQ(b.picture(), (rows{"......", ".###..", ".###..", ".###..", "......", "......"}));
    raster::polygon_outline(b.pixels(), square, 4, 1);
    EXPECT_EQ(b.picture()[4], ".####.");
    buffer flat(12, 3), point(3, 3);
    const raster::point segment[3] = {{1, 1}, {10, 1}, {5, 1}}, dot[3] = {{1, 1}, {1, 1}, {1, 1}};
    raster::fill_polygon(flat.pixels(), segment, 3, 1);
    raster::polygon_outline(flat.pixels(), segment, 3, 1);
    EXPECT_EQ(flat.picture()[1], ".##########.");
    raster::polygon_outline(point.pixels(), dot, 3, 1);
    EXPECT_EQ(point.picture(), (rows{"...", ".#.", "..."}));
}

TEST(Polygon, FilledTriangleWithItsOutlineHasNoGapsAndHoldsItsCorners) {
    const raster::point corners[][3] = {{{1, 1}, {11, 1}, {6, 10}},
                                        {{0, 0}, {13, 4}, {3, 11}},
                                        {{12, 0}, {0, 5}, {9, 11}},
                                        {{2, 9}, {5, 0}, {13, 6}}};
    for (const auto& t : corners) {
        buffer b(14, 12);
        raster::fill_polygon(b.pixels(), t, 3, 1);
        raster::polygon_outline(b.pixels(), t, 3, 1);
        for (const raster::point& p : t) EXPECT_TRUE(b.at(p.x, p.y));
        for (int y = 0; y < 12; ++y) EXPECT_TRUE(b.one_run(y)) << "row " << y;
    }
}

// The one-pass triangle against the fill and the outline drawn one after the
// other: thousands of triangles, small and large, steep and flat, partly
// outside the buffer, degenerate, with corners beyond the one-pass reach, and
// taller than the rows it works on at a time.
TEST(Polygon, OnePassFilledTriangleIsTheFillAndTheOutlineExactly) {
    std::uint32_t seed = 7;
    auto next = [&seed](int lo, int hi) {
        seed = seed * 1103515245u + 12345u;
        return lo + static_cast<int>((seed >> 8) % static_cast<std::uint32_t>(hi - lo + 1));
    };
    for (int i = 0; i < 20000; ++i) {
        const int reach = i % 10 == 0 ? 200 : i % 3 == 0 ? 12 : 40;
        raster::point t[3];
        for (raster::point& p : t) p = raster::point{next(-reach, reach + 30), next(-reach, reach + 20)};
        if (i % 7 == 0) t[2] = t[next(0, 1)];  // two corners in one
        if (i % 11 == 0)                       // three in a line
            t[2] = raster::point{t[0].x + 2 * (t[1].x - t[0].x), t[0].y + 2 * (t[1].y - t[0].y)};
        if (i % 13 == 0) t[1].y = t[0].y;     // a horizontal edge
        if (i % 17 == 0) t[1] = t[2] = t[0];  // one point
        if (i == 5) t[1] = raster::point{INT_MAX, 20}, t[2] = raster::point{-40000000, INT_MIN};
        // Every tenth taller than the one-pass triangle's batches of rows.
        const int height = i % 10 == 0 ? 150 : 20;
        buffer two_passes(30, height), one_pass(30, height);
        raster::fill_polygon(two_passes.pixels(), t, 3, 1);
        raster::polygon_outline(two_passes.pixels(), t, 3, 1);
        raster::fill_outlined_triangle(one_pass.pixels(), t, 1);
        ASSERT_EQ(one_pass.picture(), two_passes.picture())
            << "(" << t[0].x << "," << t[0].y << ") (" << t[1].x << "," << t[1].y << ") (" << t[2].x << ","
            << t[2].y << ")";
    }
}

TEST(Polygon, HugeCornersFillTheSameRowsAsACloseTriangleOfTheSameShape) {
    buffer near(20, 20), far(20, 20);
    const raster::point small[3] = {{0, 0}, {400, 200}, {400, -200}};
    const raster::point huge[3] = {{0, 0}, {2000000000, 1000000000}, {2000000000, -1000000000}};
    raster::fill_polygon(near.pixels(), small, 3, 1);
    raster::fill_polygon(far.pixels(), huge, 3, 1);
    EXPECT_GT(near.count(), 100);
    EXPECT_EQ(near.data, far.data);
}

TEST(WidePen, RoundStampCentredWithTheExtraPixelOfEvenWidthsUpAndLeft) {
    auto dot = [](int width) {
        buffer b(7, 7);
        raster::stroke_segment(b.pixels(), {3, 3}, {3, 3}, width, 1);
        return b.picture();
    };
    EXPECT_EQ(dot(2), (rows{".......", ".......", "..##...", "..##...", ".......", ".......", "......."}));
    EXPECT_EQ(dot(4), (rows{".......", "..##...", ".####..", ".####..", "..##...", ".......", "......."}));
    EXPECT_EQ(dot(5), (rows{".......", "..###..", ".#####.", ".#####.", ".#####.", "..###..", "......."}));
    buffer b(12, 6);
    raster::stroke_segment(b.pixels(), {8, 3}, {3, 3}, 4, 1);  // round caps over both ends
    EXPECT_EQ(b.picture(), (rows{"............", "..#######...", ".#########..", ".#########..", "..#######...",
                                 "............"}));
}

// Pixel (x, y) belongs to a segment drawn with a pen of width w when the
// point (2x + o, 2y + o), o being 1 for an even width and 0 for an odd one,
// lies within w of the segment from 2a to 2b: checked pixel by pixel for
// thousands of segments, steep and flat, short and long, partly outside.
bool within_pen(int x, int y, raster::point a, raster::point b, int width) {
    __extension__ typedef __int128 wide;
    const wide o = width % 2 == 0 ? 1 : 0;
    const wide px = 2 * wide{x} + o - 2 * wide{a.x}, py = 2 * wide{y} + o - 2 * wide{a.y};
    const wide dx = 2 * (wide{b.x} - a.x), dy = 2 * (wide{b.y} - a.y);
    const wide r2 = wide{width} * width, length2 = dx * dx + dy * dy, along = px * dx + py * dy;
    if (length2 == 0 || along <= 0) return px * px + py * py <= r2;
    if (along >= length2) return (px - dx) * (px - dx) + (py - dy) * (py - dy) <= r2;
    const wide across = dx * py - dy * px;
    return across * across <= r2 * length2;
}

TEST(WidePen, EverySegmentPaintsThePixelsWithinThePenOfItsPath) {
    std::uint32_t seed = 3;
    auto next = [&seed](int lo, int hi) {
        seed = seed * 1103515245u + 12345u;
        return lo + static_cast<int>((seed >> 8) % static_cast<std::uint32_t>(hi - lo + 1));
    };
    for (int i = 0; i < 4000; ++i) {
        const int reach = i % 4 == 0 ? 120 : 25;
        const raster::point a{next(-reach, reach + 40), next(-reach, reach + 30)};
        const raster::point b = i % 9 == 0 ? a : raster::point{next(-reach, reach + 40), next(-reach, reach + 30)};
        const int width = next(2, 14);
        buffer b_stroked(40, 30);
        raster::stroke_segment(b_stroked.pixels(), a, b, width, 1);
        for (int y = 0; y < 30; ++y)
            for (int x = 0; x < 40; ++x)
                ASSERT_EQ(b_stroked.at(x, y), within_pen(x, y, a, b, width))
                    << "(" << a.x << "," << a.y << ") to (" << b.x << "," << b.y << "), width " << width
                    << ", pixel (" << x << "," << y << ")";
    }
}

TEST(WidePen, FarAndHugeStrokesStayExactWhereTheyCanBeSeen) {
    buffer across(20, 20), all(20, 20), none(20, 20);
    raster::stroke_segment(across.pixels(), {INT_MIN, 9}, {INT_MAX, 9}, 3, 1);  // rows 8..10
    EXPECT_EQ(across.count(), 60);
    EXPECT_TRUE(across.at(0, 8) && across.at(19, 10));
    raster::stroke_segment(all.pixels(), {10, 10}, {10, 10}, INT_MAX, 1);
    EXPECT_EQ(all.count(), 400);
    raster::stroke_segment(none.pixels(), {-100000000, -5}, {100000000, -5}, 7, 1);   // rows -8..-2
    raster::stroke_ellipse(none.pixels(), INT_MIN, INT_MIN, INT_MAX, INT_MAX, 9, 1);  // ring far outside
    EXPECT_EQ(none.count(), 0);
}

TEST(WidePen, EllipseRingIsAsWideAsThePenAndCentredOnTheOutline) {
    buffer odd(15, 15), even(15, 15);
    raster::stroke_ellipse(odd.pixels(), 2, 2, 13, 13, 3, 1);  // circle of radius 5
    EXPECT_EQ(odd.picture()[7], ".###.......###.");
    EXPECT_EQ(odd.picture()[1][7], '#');
    EXPECT_EQ(odd.picture()[0][7], '.');
    raster::stroke_ellipse(even.pixels(), 2, 2, 13, 13, 2, 1);  // the extra pixel up and left
    EXPECT_EQ(even.picture()[7], ".##........##..");
    EXPECT_EQ(even.picture()[13][7], '.');
}

TEST(DrawingContextShapes, WidePenRectangleHasRoundOuterCornersAndAnUntouchedInside) {
    ws::image img = ws::create_image(13, 13);
    ws::fill_image(img, 0xFFFFFF);
    draw_context* dc = create_memory_dc();
    select_image(*dc, img);
    select_pen(*dc, pen{0x000000, 5, false});
    select_brush(*dc, brush{0, true});
    dc_rectangle(*dc, 3, 3, 10, 10);  // outline through columns and rows 3..9
    ws::pixels px = ws::image_pixels(img);
    rows picture;
    for (int y = 0; y < px.height; ++y) {
        std::string row;
        for (int x = 0; x < px.width; ++x) row += (px.bits[y * px.stride + x] & 0xFFFFFFu) == 0 ? '#' : '.';
        picture.push_back(row);
    }
    EXPECT_EQ(picture, (rows{".............", "..#########..", ".###########.", ".###########.", ".###########.",
                             ".###########.", ".#####.#####.", ".###########.", ".###########.", ".###########.",
                             ".###########.", "..#########..", "............."}));
    release_dc(dc);
    ws::delete_image(img);
}

}  // namespace
}  // namespace draxo::ws
