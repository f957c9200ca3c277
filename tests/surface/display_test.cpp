// Opening and closing the package: windows, geometry, the frame buffer, the
// origin, clearing and the copy to the screen.
#include "surface/display.h"

#include <gtest/gtest.h>

#include "console/console.h"
#include "events/event_control.h"
#include "events/graphics_window.h"
#include "events/run_menu.h"
#include "events/script.h"
#include "support/null_support.h"
#include "support/test_support.h"
#include "window_system/backend.h"

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
    event_control.animation_running = true;
    event_control.single_step = true;
    test::open_package();
    EXPECT_FALSE(event_control.animation_running);
    EXPECT_FALSE(event_control.single_step);
    ws::window drawing = package.drawing_window, text = console.console_window;
    ASSERT_TRUE(ws::is_window(drawing));
    ASSERT_TRUE(ws::is_window(text));
    EXPECT_EQ(drawing->title, "DRAXO Graphics");
    EXPECT_EQ(drawing->class_name, "DrawWndClass");
    EXPECT_EQ(drawing->style, ws::WS_CAPTION | ws::WS_SYSMENU);
    EXPECT_EQ(drawing->outer.left, 0);
    EXPECT_EQ(drawing->outer.top, 0);
    EXPECT_EQ(drawing->outer.right, 601);
    EXPECT_EQ(drawing->outer.bottom, 540);
    EXPECT_EQ(text->title, "DRAXO Text");
    EXPECT_EQ(text->class_name, "TextWndClass");
    EXPECT_EQ(text->style, ws::WS_OVERLAPPEDWINDOW);
    ws::rect expected = console_geometry(1024, 768);
    EXPECT_EQ(text->outer.top, expected.top);
    EXPECT_EQ(text->outer.bottom - text->outer.top, 256);
    EXPECT_EQ(text->outer.right - text->outer.left, 1024);
    EXPECT_TRUE(ws::window_visible(drawing));
    EXPECT_TRUE(ws::window_visible(text));

    // The origin is the centre of the client area below the menu bar.
    EXPECT_EQ(display.origin_x, 300);
    EXPECT_EQ(display.origin_y, (540 - ws::null::menu_bar_height) / 2);

    ws::pixels px = ws::image_pixels(display.frame_buffer);
    EXPECT_EQ(px.width, 601);
    EXPECT_EQ(px.height, 540);
    EXPECT_EQ(display.frame_dirty, 1);
    EXPECT_EQ(ws::null::timer_period(drawing, timer_id), 100u);
}

TEST(Start, TheTimerTicksEveryHundredMilliseconds) {
    test::open_package();
    test::pump_messages();
    int ticks = 0;
    for (int ms = 0; ms < 1000; ++ms) {
        ws::null::advance(1);
        ws::message m;
        while (ws::peek_message(m)) {
            if (m.id == ws::WM_TIMER && m.hwnd == package.drawing_window && m.w == timer_id) {
                ++ticks;
                EXPECT_EQ(ws::null::now() % 100, 0u) << ws::null::now();
            }
            ws::dispatch_message(m);
        }
    }
    EXPECT_EQ(ticks, 10);
}

TEST(Start, WithAPreviousInstanceStillCreatesBothWindows) {
    static char command_line[] = "ignored arguments";
    EXPECT_EQ(DRAXO_start(test::test_instance(), test::test_instance(), command_line, ws::SW_SHOWNORMAL), 1);
    EXPECT_TRUE(ws::is_window(package.drawing_window));
    EXPECT_TRUE(ws::is_window(console.console_window));
}

TEST(Start, AHiddenShowCommandLeavesBothWindowsHidden) {
    static char command_line[] = "";
    DRAXO_start(test::test_instance(), nullptr, command_line, ws::SW_HIDE);
    EXPECT_FALSE(ws::window_visible(package.drawing_window));
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
    EXPECT_EQ(test::surface_pixel(package.drawing_window, display.origin_x, display.origin_y), 0x0000FFu);
    EXPECT_EQ(test::surface_pixel(package.drawing_window, 0, 0), 0x000000u);  // the border's corner
    EXPECT_EQ(test::surface_pixel(package.drawing_window, 1, 1), 0xFFFFFFu);

    // A paint copies the whole frame whether or not it is dirty.
    frame.bits[display.origin_y * frame.stride + display.origin_x] = 0xFF00FF00u;
    ws::invalidate(package.drawing_window);
    test::pump_messages();
    EXPECT_EQ(display.frame_dirty, 0);
    EXPECT_EQ(test::surface_pixel(package.drawing_window, display.origin_x, display.origin_y), 0x00FF00u);
}

TEST(Stop, ReleasesTheWindowContextAndClosesTheScriptFile) {
    test::open_package();
    event_control.script_file = std::tmpfile();
    ASSERT_NE(event_control.script_file, nullptr);
    EXPECT_EQ(DRAXO_stop(), 1);
    EXPECT_EQ(display.window_dc, nullptr);
    EXPECT_EQ(event_control.script_file, nullptr);
    // The windows stay until the process ends.
    EXPECT_TRUE(ws::is_window(package.drawing_window));
}

}  // namespace
}  // namespace draxo
