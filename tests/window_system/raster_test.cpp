// Pixel operations and drawing contexts: clipping, copies, scrolling and the
// rectangle rules (exclusive right and bottom; a null pen draws one smaller).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "window_system/ws_dc.h"
#include "window_system/ws_raster.h"

namespace draxo::ws {
namespace {

constexpr std::uint32_t W = 0xFFFFFFFFu;  // white
constexpr std::uint32_t K = 0xFF000000u;  // black
constexpr std::uint32_t R = 0xFFFF0000u;  // red

struct buffer {
    int width, height;
    std::vector<std::uint32_t> data;
    buffer(int w, int h, std::uint32_t fill = W)
        : width(w), height(h), data(static_cast<std::size_t>(w * h), fill) {}
    ws::pixels pixels() { return ws::pixels{data.data(), width, height, width}; }
    std::uint32_t at(int x, int y) const { return data[static_cast<std::size_t>(y * width + x)]; }
    // One character a pixel: '.' white, '#' black, 'r' red, '?' other.
    std::string row(int y) const {
        std::string s;
        for (int x = 0; x < width; ++x) s += at(x, y) == W ? '.' : at(x, y) == K ? '#' : at(x, y) == R ? 'r' : '?';
        return s;
    }
};

TEST(Raster, FillsClipToTheBuffer) {
    buffer b(4, 3);
    raster::fill_rect(b.pixels(), -5, -5, 2, 2, K);
    raster::fill_rect(b.pixels(), 3, 2, 100, 100, R);
    raster::set_pixel(b.pixels(), -1, 0, R);
    raster::set_pixel(b.pixels(), 4, 0, R);
    raster::fill_span(b.pixels(), 7, 0, 4, R);
    EXPECT_EQ(b.row(0), "##..");
    EXPECT_EQ(b.row(1), "##..");
    EXPECT_EQ(b.row(2), "...r");
}

TEST(Raster, CopiesClipAgainstSourceAndTarget) {
    buffer source(3, 3, R), target(4, 4);
    raster::copy_rect(target.pixels(), -1, 2, 3, 3, source.pixels(), 0, 0);
    EXPECT_EQ(target.row(1), "....");
    EXPECT_EQ(target.row(2), "rr..");
    EXPECT_EQ(target.row(3), "rr..");
    buffer other(4, 4);
    raster::copy_rect(other.pixels(), 0, 0, 4, 4, source.pixels(), 1, -1);
    EXPECT_EQ(other.row(0), "....");
    EXPECT_EQ(other.row(1), "rr..");
}

TEST(Raster, ScrollingUpLeavesTheUncoveredRowsAsTheyWere) {
    buffer b(2, 4);
    for (int y = 0; y < 4; ++y) raster::set_pixel(b.pixels(), 0, y, y % 2 ? K : R);
    raster::scroll(b.pixels(), 0, -2);
    EXPECT_EQ(b.row(0), "r.");
    EXPECT_EQ(b.row(1), "#.");
    EXPECT_EQ(b.row(2), "r.");  // unchanged
    EXPECT_EQ(b.row(3), "#.");
}

TEST(DrawingContext, RectangleOutlinesWithThePenAndFillsWithTheBrush) {
    ws::image img = ws::create_image(6, 5);
    ws::fill_image(img, 0xFFFFFF);
    draw_context* dc = create_memory_dc();
    select_image(*dc, img);
    brush previous = select_brush(*dc, brush{0x0000FF, false});  // red, as 0x00BBGGRR
    dc_rectangle(*dc, 1, 1, 5, 5);                               // columns 1..4, rows 1..4
    select_brush(*dc, previous);
    ws::pixels px = ws::image_pixels(img);
    buffer view(6, 5);
    view.data.assign(px.bits, px.bits + 6 * 5);
    EXPECT_EQ(view.row(0), "......");
    EXPECT_EQ(view.row(1), ".####.");
    EXPECT_EQ(view.row(2), ".#rr#.");
    EXPECT_EQ(view.row(4), ".####.");

    ws::fill_image(img, 0xFFFFFF);
    select_pen(*dc, pen{0, 0, true});
    select_brush(*dc, brush{0x000000, false});
    dc_rectangle(*dc, 0, 0, 4, 3);  // null pen: one pixel smaller each way
    view.data.assign(px.bits, px.bits + 6 * 5);
    EXPECT_EQ(view.row(0), "###...");
    EXPECT_EQ(view.row(1), "###...");
    EXPECT_EQ(view.row(2), "......");
    release_dc(dc);
    ws::delete_image(img);
}

}  // namespace
}  // namespace draxo::ws
