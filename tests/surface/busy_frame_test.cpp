// A busy frame of shapes (the designer's work area, card, 24 jets and the
// button boxes, and one of each other kind), checked against the checksum
// of its reference picture: any change to a single pixel of what the
// package draws shows here.
#include <gtest/gtest.h>

#include <cstdint>

#include "designer.h"
#include "pictures.h"
#include "random_draw.h"
#include "support/test_support.h"
#include "surface/display.h"

namespace draxo {
namespace {

// FNV-1a over the red, green and blue bytes of every pixel, row by row.
std::uint64_t checksum_of_frame() {
    ws::pixels px = ws::image_pixels(display.frame_buffer);
    std::uint64_t h = 1469598103934665603ull;
    for (int row = 0; row < px.height; ++row) {
        for (int column = 0; column < px.width; ++column) {
            std::uint32_t value = px.bits[row * px.stride + column] & 0xFFFFFFu;
            for (int byte = 0; byte < 3; ++byte) {
                h ^= (value >> (8 * byte)) & 0xFFu;
                h *= 1099511628211ull;
            }
        }
    }
    return h;
}

TEST(BusyFrame, ItsShapesAreExactlyTheReferencePicture) {
    test::open_package();
    DRAXO_set_logging(0);
    display.origin_x = 300;  // the same origin on every backend
    display.origin_y = 258;
    DRAXO_clear_window();
    DRAXO_rectangle(WHITE, -300, -250, 300, 250, 0);
    DRAXO_rectangle(YELLOW, -140, -150, 220, 200, 0);
    cards::seed_random(1);
    for (int n = 0; n < 24; ++n) cards::draw_jet(n % 24, -130 + (n % 6) * 55, -120 + (n / 6) * 70);
    for (int i = 0; i < 6; ++i) {
        int top = 250 - 35 * i;
        DRAXO_rectangle(BLACK, -296, top - 2, -200, top - 37, 1);
    }
    DRAXO_circle(RED, 0, 0, 20);
    DRAXO_line(BLUE, -200, -200, 200, 150, 5);
    DRAXO_oval(GREEN, -50, 40, 60, -30, 3);
    DRAXO_triangle(PURPLE, -250, -240, 250, -200, 0, 240, 2);
    DRAXO_pixel(BLACK, 7, 7);
    EXPECT_EQ(checksum_of_frame(), 0x7c896a58b98aee30ull);
}

}  // namespace
}  // namespace draxo
