// Opening and closing the package: windows, geometry, the frame buffer, the
// origin, clearing and the copy to the screen.
#include "surface/display.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QMenuBar>
#include <QTest>
#include <QWidget>

#include "console/console.h"
#include "events/graphics_window.h"
#include "events/run_menu.h"
#include "events/run_state.h"
#include "events/script.h"
#include "support/test_support.h"

namespace draxo {
namespace {

TEST(Geometry, OriginIsTheTruncatedCentreOfTheClientArea) {
    origin o = origin_of(ws::rect{0, 0, 595, 496});
    EXPECT_EQ(o.x, 297);
    EXPECT_EQ(o.y, 248);
    o = origin_of(ws::rect{0, 0, 601, 515});
    EXPECT_EQ(o.x, 300);
    EXPECT_EQ(o.y, 257);
}

TEST(Geometry, ConsoleTakesTheBottomThirdOfTheScreen) {
    ws::rect r = console_geometry(1024, 768);
    EXPECT_EQ(r.left, 0);
    EXPECT_EQ(r.top, 513);
    EXPECT_EQ(r.right - r.left, 1024);
    EXPECT_EQ(r.bottom - r.top, 256);
    r = console_geometry(800, 600);
    EXPECT_EQ(r.top, 401);
    EXPECT_EQ(r.right - r.left, 800);
    EXPECT_EQ(r.bottom - r.top, 200);
}

TEST(Start, OpensBothWindowsWithTheirTitlesGeometryAndTimer) {
    run.animation_running = true;
    run.single_step = true;
    test::open_package();
    EXPECT_FALSE(run.animation_running);
    EXPECT_FALSE(run.single_step);
    ASSERT_TRUE(ws::is_window(display.main_window));
    ASSERT_TRUE(ws::is_window(console.console_window));

    QWidget* drawing = test::top_level("DRAXO Graphics");
    QWidget* console = test::top_level("DRAXO Text");
    ASSERT_NE(drawing, nullptr);
    ASSERT_NE(console, nullptr);
    EXPECT_TRUE(drawing->isVisible());
    EXPECT_TRUE(console->isVisible());
    EXPECT_EQ(drawing->size(), QSize(601, 540));
    EXPECT_EQ(drawing->pos(), QPoint(0, 0));
    EXPECT_EQ(drawing->minimumSize(), drawing->maximumSize());  // no sizing border
    EXPECT_TRUE(drawing->windowFlags() & Qt::WindowCloseButtonHint);
    EXPECT_FALSE(drawing->windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_TRUE(console->windowFlags() & Qt::WindowMaximizeButtonHint);

    ws::extent screen = ws::screen_size();
    ws::rect expected = console_geometry(screen.cx, screen.cy);
    EXPECT_EQ(console->pos(), QPoint(expected.left, expected.top));
    EXPECT_EQ(console->size(), QSize(screen.cx, screen.cy / 3));

    // The origin is the centre of the client area below the menu bar.
    int bar = drawing->findChild<QMenuBar*>()->height();
    EXPECT_GT(bar, 0);
    ws::rect client = ws::client_rect(display.main_window);
    EXPECT_EQ(client.right, 601);
    EXPECT_EQ(client.bottom, 540 - bar);
    EXPECT_EQ(display.origin_x, 300);
    EXPECT_EQ(display.origin_y, (540 - bar) / 2);

    ws::pixels px = ws::image_pixels(display.frame_buffer);
    EXPECT_EQ(px.width, 601);
    EXPECT_EQ(px.height, 540);
    EXPECT_EQ(display.frame_dirty, 1);

    // The 100 ms timer of the drawing window.
    QTest::qWait(150);
    bool ticked = false;
    ws::message m;
    while (ws::peek_message(m)) {
        if (m.id == ws::WM_TIMER && m.hwnd == display.main_window && m.w == timer_id) ticked = true;
        ws::dispatch_message(m);
    }
    EXPECT_TRUE(ticked);
}

TEST(Start, WithAPreviousInstanceStillCreatesBothWindows) {
    static char command_line[] = "ignored arguments";
    EXPECT_EQ(DRAXO_start(test::test_instance(), test::test_instance(), command_line, ws::SW_SHOWNORMAL), 1);
    EXPECT_TRUE(ws::is_window(display.main_window));
    EXPECT_TRUE(ws::is_window(console.console_window));
    EXPECT_NE(test::top_level("DRAXO Graphics"), nullptr);
}

TEST(Start, AHiddenShowCommandLeavesBothWindowsHidden) {
    static char command_line[] = "";
    DRAXO_start(test::test_instance(), nullptr, command_line, ws::SW_HIDE);
    EXPECT_FALSE(ws::window_visible(display.main_window));
    EXPECT_FALSE(ws::window_visible(console.console_window));
}

TEST(Clear, MakesTheFrameWhiteWithABlackBorderAndMarksItDirty) {
    test::open_package();
    for (bool log : {false, true}) {
        console.logging = log;
        display.frame_dirty = 0;
        std::size_t mark = test::console_mark();
        EXPECT_EQ(DRAXO_clear_window(), 1);
        EXPECT_EQ(display.frame_dirty, 1);
        std::vector<std::string> printed = test::console_since(mark);
        if (log)
            EXPECT_EQ(printed, std::vector<std::string>{"Clearing the graphics window\n"});
        else
            EXPECT_TRUE(printed.empty());
    }
    int black_border = 0, white_inside = 0;
    for (int row = 0; row < 540; ++row) {
        for (int column = 0; column < 601; ++column) {
            bool border = row == 0 || row == 539 || column == 0 || column == 600;
            std::uint32_t p = test::frame_pixel(column, row);
            if (border && p == 0x000000) ++black_border;
            if (!border && p == 0xFFFFFF) ++white_inside;
        }
    }
    EXPECT_EQ(black_border, 2 * 601 + 2 * 538);
    EXPECT_EQ(white_inside, 599 * 538);
}

TEST(CopyToScreen, PutsTheFrameOnTheWindowAndCleansIt) {
    test::open_package();
    DRAXO_clear_window();
    test::pump_messages();
    ws::pixels frame = ws::image_pixels(display.frame_buffer);
    frame.bits[display.origin_y * frame.stride + display.origin_x] =
        0xFF0000FFu;  // a blue pixel, drawn behind the package's back
    display.frame_dirty = 1;
    copy_to_screen();
    EXPECT_EQ(display.frame_dirty, 0);
    EXPECT_EQ(test::surface_pixel(display.main_window, display.origin_x, display.origin_y), 0x0000FFu);
    EXPECT_EQ(test::surface_pixel(display.main_window, 0, 0), 0x000000u);  // the border's corner
    EXPECT_EQ(test::surface_pixel(display.main_window, 1, 1), 0xFFFFFFu);

    // A paint copies the whole frame whether or not it is dirty.
    frame.bits[display.origin_y * frame.stride + display.origin_x] = 0xFF00FF00u;
    ws::invalidate(display.main_window);
    test::pump_messages();
    EXPECT_EQ(display.frame_dirty, 0);
    EXPECT_EQ(test::surface_pixel(display.main_window, display.origin_x, display.origin_y), 0x00FF00u);
}

TEST(Stop, ReleasesTheWindowContextAndClosesTheScriptFile) {
    test::open_package();
    run.script_file = std::tmpfile();
    ASSERT_NE(run.script_file, nullptr);
    EXPECT_EQ(DRAXO_stop(), 1);
    EXPECT_EQ(display.window_dc, nullptr);
    EXPECT_EQ(run.script_file, nullptr);
    // The windows stay until the process ends.
    EXPECT_TRUE(ws::is_window(display.main_window));
}

}  // namespace
}  // namespace draxo
