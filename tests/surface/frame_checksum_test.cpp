// The pixels of whole frames, held fixed by checksums taken from the
// renderer as it was before its speed work: the busy designer frame of the
// drawing benchmarks, and a sheet of a thousand shapes of every kind, width
// and size, some far outside the frame. Shapes need no display: these run
// on the null backend, whose drawing window has a client area of 601 x 520
// and so the origin (300, 260).
#include "support/frame_checksum.h"

#include <gtest/gtest.h>

#include <cstdint>

#include "busy_frame.h"
#include "draxo.h"
#include "surface/display.h"

namespace draxo {
namespace {

struct FrameChecksum : ::testing::Test {
    void SetUp() override {
        static char command_line[] = "";
        DRAXO_start(nullptr, nullptr, command_line, 1);
        DRAXO_set_logging(0);
        ASSERT_EQ(display.origin_x, 300);
        ASSERT_EQ(display.origin_y, 260);
    }
};

TEST_F(FrameChecksum, BusyDesignerFrameShapes) {
    busy_frame::draw(busy_frame::shapes());
    EXPECT_EQ(test::hex(test::fold_frame()), "0x0697FFA64D643133");
}

// A small deterministic generator, so that the sheet is the same everywhere.
struct generator {
    std::uint32_t state = 12345;
    int next(int lo, int hi) {  // lo..hi inclusive
        state = state * 1103515245u + 12345u;
        return lo + static_cast<int>((state >> 8) % static_cast<std::uint32_t>(hi - lo + 1));
    }
};

// Every shape kind: small and large, filled and at widths 1 to 9, partly or
// wholly outside the frame, degenerate (flat, one point, reversed corners).
// The frame is folded into the checksum after every 25 shapes, so that a
// wrong pixel is not hidden by a later shape drawn over it.
TEST_F(FrameChecksum, SheetOfEveryShapeKind) {
    DRAXO_clear_window();
    generator g;
    std::uint64_t hash = test::checksum_start;
    for (int i = 0; i < 1000; ++i) {
        int color = g.next(0, 23);
        int reach = g.next(0, 9) == 0 ? 2000 : 330;  // one in ten reaches far outside
        int x1 = g.next(-reach, reach), y1 = g.next(-reach, reach);
        int size = g.next(0, 4) == 0 ? 120 : 30;
        int x2 = x1 + g.next(-size, size), y2 = y1 + g.next(-size, size);
        int x3 = x1 + g.next(-size, size), y3 = y1 + g.next(-size, size);
        int width = g.next(0, 2) == 0 ? 0 : g.next(1, 9);
        switch (g.next(0, 5)) {
        case 0: DRAXO_pixel(color, x1, y1); break;
        case 1: DRAXO_circle(color, x1, y1, g.next(0, size)); break;
        case 2: DRAXO_triangle(color, x1, y1, x2, y2, x3, y3, width); break;
        case 3: DRAXO_rectangle(color, x1, y1, x2, y2, width); break;
        case 4: DRAXO_oval(color, x1, y1, x2, y2, width); break;
        case 5: DRAXO_line(color, x1, y1, x2, y2, width); break;
        }
        if (i % 25 == 24) hash = test::fold_frame(hash);
    }
    EXPECT_EQ(test::hex(hash), "0xE2A5695AE517B187");
}

}  // namespace
}  // namespace draxo
