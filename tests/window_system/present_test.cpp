// The layer's core, presentation (ws_present.h), on the null backend: what
// changed in a surface and the copy the screen was given, the frames of a
// busy program on the virtual clock, the scale that fits the screen, typed
// characters, dialog units, and the grace time after a request to end.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <ostream>
#include <thread>
#include <vector>

#include "support/null_support.h"
#include "support/test_support.h"
#include "window_system/backend.h"
#include "window_system/ws_present.h"

// Rectangles compared and printed by the tests (found where rect is).
namespace draxo::ws {
inline bool operator==(const rect& a, const rect& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}
inline void PrintTo(const rect& r, std::ostream* out) {
    *out << "{" << r.left << ", " << r.top << ", " << r.right << ", " << r.bottom << "}";
}
}  // namespace draxo::ws

namespace ws = draxo::ws;
namespace null = draxo::ws::null;

namespace {

const ws::rect nothing{};

// A surface of its own, its rows `stride` pixels apart (wider than the
// surface, as a sub-image's are), every pixel different.
struct surface {
    int width, height, stride;
    std::vector<std::uint32_t> bits;
    surface(int w, int h, int s = 0) : width(w), height(h), stride(s ? s : w), bits(stride * h) {
        for (int row = 0; row < height; ++row)
            for (int column = 0; column < width; ++column) at(column, row) = 0xFF000000u | (row * 1000u + column);
    }
    std::uint32_t& at(int column, int row) { return bits[static_cast<std::size_t>(row) * stride + column]; }
    ws::pixels px() { return ws::pixels{bits.data(), width, height, stride}; }
};

// --- What changed --------------------------------------------------------------------

TEST(ChangeFinder, TheFirstLookIsTheWholeSurfaceAndThenNothingChanged) {
    surface s(100, 40);
    ws::shown_copy shown;
    EXPECT_EQ(shown.take_changes(s.px()), (ws::rect{0, 0, 100, 40}));
    EXPECT_EQ(shown.take_changes(s.px()), nothing);
    shown.forget();  // the screen lost what it showed
    EXPECT_EQ(shown.take_changes(s.px()), (ws::rect{0, 0, 100, 40}));
}

TEST(ChangeFinder, OnePixelAtEachCornerIsThatPixelAlone) {
    surface s(100, 40, 128);
    ws::shown_copy shown;
    shown.take_changes(s.px());
    for (auto [column, row] : {std::pair{0, 0}, {99, 0}, {0, 39}, {99, 39}}) {
        s.at(column, row) ^= 0xFFu;
        EXPECT_EQ(shown.take_changes(s.px()), (ws::rect{column, row, column + 1, row + 1}))
            << column << "," << row;
        EXPECT_EQ(shown.take_changes(s.px()), nothing) << "the copy took the change over";
    }
    // Beyond the surface's width, in the rows' padding: no pixel of it.
    s.bits[5 * 128 + 110] ^= 0xFFu;
    EXPECT_EQ(shown.take_changes(s.px()), nothing);
}

// Rows are compared many pixels at once: changes on either side of a
// block's edge, and of the row's ends, are found to the pixel.
TEST(ChangeFinder, ChangesAreFoundToThePixelWhereverTheyLie) {
    surface s(601, 50);
    ws::shown_copy shown;
    shown.take_changes(s.px());
    for (int column : {1, 7, 8, 15, 16, 17, 31, 32, 33, 584, 585, 586, 592, 593, 599}) {
        s.at(column, column % 50) ^= 0x10u;
        EXPECT_EQ(shown.take_changes(s.px()), (ws::rect{column, column % 50, column + 1, column % 50 + 1}))
            << column;
    }
    // Two far apart, with rows as they were between: their bounding rectangle.
    s.at(40, 3) ^= 1;
    s.at(500, 44) ^= 1;
    s.at(20, 20) ^= 1;
    EXPECT_EQ(shown.take_changes(s.px()), (ws::rect{20, 3, 501, 45}));
    EXPECT_EQ(shown.take_changes(s.px()), nothing);
    // Changed and changed back before anyone looked: nothing to show.
    s.at(9, 9) ^= 1;
    s.at(9, 9) ^= 1;
    EXPECT_EQ(shown.take_changes(s.px()), nothing);
}

TEST(ChangeFinder, AResizedSurfaceIsShownWhole) {
    surface small(30, 20), wide(31, 20), tall(31, 21);
    ws::shown_copy shown;
    shown.take_changes(small.px());
    EXPECT_EQ(shown.take_changes(wide.px()), (ws::rect{0, 0, 31, 20}));
    EXPECT_EQ(shown.take_changes(tall.px()), (ws::rect{0, 0, 31, 21}));
    EXPECT_EQ(shown.take_changes(tall.px()), nothing);
    EXPECT_EQ(shown.take_changes(ws::pixels{}), nothing) << "no surface, nothing to show";
}

// --- Frames on the virtual clock ------------------------------------------------------

ws::lresult plain_proc(ws::window w, unsigned id, ws::wparam wp, ws::lparam lp) {
    return ws::def_window_proc(w, id, wp, lp);
}

ws::window shown_window() {
    draxo::test::open_window_system();
    ws::register_class("PresentTest", 0, plain_proc, 0xFFFFFF);
    ws::window w = ws::create_window("PresentTest", "Test", ws::WS_OVERLAPPEDWINDOW, 0, 0, 200, 100);
    ws::show_window(w, ws::SW_SHOW);
    ws::present_now(w);  // the first showing: the whole surface
    return w;
}

std::uint32_t& pixel(ws::window w, int column, int row) {
    ws::pixels px = ws::image_pixels(ws::window_surface(w));
    return px.bits[row * px.stride + column];
}

// A program drawing without waiting: its first change goes to the screen
// at once, later ones within the frame at the frame's end, all of them in
// one showing, and nothing ever waits for it.
TEST(FramePacing, AChangeWithinAFrameIsShownAtItsEndWithTheOthers) {
    ws::window w = shown_window();
    null::advance(ws::frame_interval_ms);
    const int before = null::surface_updates(w);
    const std::uint64_t start = null::now();
    pixel(w, 3, 4) ^= 1;
    ws::surface_changed(w);
    EXPECT_EQ(null::surface_updates(w), before + 1) << "a frame has passed: shown at once";
    EXPECT_EQ(null::last_shown_area(w), (ws::rect{3, 4, 4, 5}));
    pixel(w, 10, 10) ^= 1;
    ws::surface_changed(w);
    pixel(w, 50, 60) ^= 1;
    ws::surface_changed(w);
    EXPECT_EQ(null::now(), start) << "surface_changed waited";
    EXPECT_EQ(null::surface_updates(w), before + 1) << "shown again within the frame";
    null::advance(ws::frame_interval_ms);
    EXPECT_EQ(null::surface_updates(w), before + 1) << "shown before the frame was over";
    null::advance(1);
    EXPECT_EQ(null::surface_updates(w), before + 2);
    EXPECT_EQ(null::last_shown_area(w), (ws::rect{10, 10, 51, 61}));
}

TEST(FramePacing, ADrawingWindowIsShownAtMostOnceAFrame) {
    ws::window w = shown_window();
    const int before = null::surface_updates(w);
    for (int ms = 0; ms < 1000; ++ms) {
        pixel(w, ms % 200, 5) ^= 1;
        ws::surface_changed(w);
        null::advance(1);
    }
    const int shown = null::surface_updates(w) - before;
    EXPECT_LE(shown, 1000 / ws::frame_interval_ms + 1);
    EXPECT_GE(shown, 1000 / (ws::frame_interval_ms + 1) - 1);
}

TEST(FramePacing, NothingChangedIsNotHandedToTheScreen) {
    ws::window w = shown_window();
    null::advance(100);
    const int before = null::surface_updates(w);
    ws::surface_changed(w);
    null::advance(100);
    EXPECT_EQ(null::surface_updates(w), before);
}

// An immediate presentation hands over what changed at once, frame or not,
// and asks a hidden window for nothing.
TEST(FramePacing, PresentingShowsAtOnceAndAHiddenWindowIsLeftAlone) {
    ws::window w = shown_window();
    const int before = null::presents(w);
    pixel(w, 199, 99) ^= 1;
    ws::present_now(w);
    EXPECT_EQ(null::presents(w), before + 1);
    EXPECT_EQ(null::last_shown_area(w), (ws::rect{199, 99, 200, 100}));
    ws::present_now(w);  // nothing new: the backend still shows what it was given before
    EXPECT_EQ(null::presents(w), before + 2);
    EXPECT_EQ(null::last_shown_area(w), nothing);
    ws::show_window(w, ws::SW_HIDE);
    ws::present_now(w);
    EXPECT_EQ(null::presents(w), before + 2);
}

// The frame asked for comes after the window and its native side are gone
// (under the sanitizers, a copy of the dead window would be a fault).
TEST(FramePacing, AFrameDueAfterItsWindowWasDestroyedReachesNothing) {
    ws::window w = shown_window();
    ws::window other = ws::create_window("PresentTest", "Other", ws::WS_OVERLAPPEDWINDOW, 0, 0, 50, 50);
    ws::show_window(other, ws::SW_SHOW);
    pixel(w, 1, 1) ^= 1;
    ws::surface_changed(w);  // within the frame of shown_window's presentation: asked for at its end
    ws::destroy_window(w);
    const int before = null::surface_updates(other);
    null::advance(100);
    EXPECT_FALSE(ws::is_window(w));
    EXPECT_EQ(null::surface_updates(other), before);
}

// --- What a backend measures -----------------------------------------------------------

TEST(FittingScale, TheScreensWholeFactorWhileTheWindowsFit) {
    const ws::extent screen{2048, 1536}, window{601, 700};
    EXPECT_EQ(ws::fitting_scale(2.0, window, screen), 2);
    EXPECT_EQ(ws::fitting_scale(2.5, window, screen), 2) << "a fraction is taken down";
    EXPECT_EQ(ws::fitting_scale(1.5, window, screen), 1);
    EXPECT_EQ(ws::fitting_scale(0.75, window, screen), 1) << "never below one";
    EXPECT_EQ(ws::fitting_scale(1.9999999999, window, screen), 2) << "a factor a rounding short of whole";
    EXPECT_EQ(ws::fitting_scale(3.0, window, screen), 2) << "too tall at 3";
    EXPECT_EQ(ws::fitting_scale(3.0, ws::extent{682, 512}, screen), 3) << "exactly the screen fits";
    EXPECT_EQ(ws::fitting_scale(3.0, ws::extent{683, 512}, screen), 2);
    EXPECT_EQ(ws::fitting_scale(4.0, ws::extent{3000, 100}, screen), 1) << "too large at any factor";
    EXPECT_EQ(ws::fitting_scale(2.0, ws::extent{}, screen), 2) << "nothing that must fit";
}

TEST(TypedCharacter, Latin1AsItIsAndQuestionMarkBeyond) {
    EXPECT_EQ(ws::typed_character(-1), -1);
    EXPECT_EQ(ws::typed_character('a'), 'a');
    EXPECT_EQ(ws::typed_character(0x1B), 0x1B);
    EXPECT_EQ(ws::typed_character(0xE9), 0xE9);
    EXPECT_EQ(ws::typed_character(0xFF), 0xFF);
    EXPECT_EQ(ws::typed_character(0x100), '?');
    EXPECT_EQ(ws::typed_character(0x20AC), '?');   // the euro sign
    EXPECT_EQ(ws::typed_character(0x1F600), '?');  // beyond the first plane
}

TEST(DialogUnits, QuartersOfTheAverageWidthEighthsOfTheHeight) {
    const ws::dialog_units units(7, 15);
    EXPECT_EQ(units.px(0), 0);
    EXPECT_EQ(units.px(4), 7);
    EXPECT_EQ(units.px(10), 17);  // 17.5: the pixel it starts in
    EXPECT_EQ(units.py(8), 15);
    EXPECT_EQ(units.py(14), 26);  // 26.25
    EXPECT_EQ(units.px(-2), -4);  // -3.5 starts in the pixel at -4
    EXPECT_EQ(units.py(-8), -15);
    const ws::dialog_units none(0, -3);  // a font that measured nothing
    EXPECT_EQ(none.px(8), 2);
    EXPECT_EQ(none.py(16), 2);
}

// --- The grace time -------------------------------------------------------------------------

std::atomic<bool> last_words_said{false};

TEST(GraceTime, TheLastWordsComeWhenTheGraceTimeIsOver) {
#ifdef __wasi__
    GTEST_SKIP() << "the page has no thread to wait on; its program is ended with the page";
#endif
    ws::on_forced_end([] { last_words_said = true; });
    const auto start = std::chrono::steady_clock::now();
    std::thread watch(ws::wait_out_grace_time);
    while (!last_words_said && std::chrono::steady_clock::now() - start < std::chrono::seconds(20))
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    const auto waited = std::chrono::steady_clock::now() - start;
    watch.join();
    EXPECT_TRUE(last_words_said);
    EXPECT_GE(waited, std::chrono::milliseconds(ws::termination_grace_ms));
}

}  // namespace
