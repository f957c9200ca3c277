// The package opened and closed in any order, called before it is open,
// after it is closed, twice, and from the wrong thread: nothing crashes,
// nothing is drawn or changed that should not be, and nothing leaks.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "console/console.h"
#include "events/event_control.h"
#include "events/run_menu.h"
#include "support/null_support.h"
#include "support/scratch_directory.h"
#include "support/test_support.h"
#include "surface/display.h"
#include "window_system/ws_core.h"

namespace draxo {
namespace {

// Every operation that needs the open package, each called once; how many of
// them answered with something other than 0.
int operations_that_acted() {
    char buffer[256] = "untouched";
    DRAXO_point p{1, 1};
    int x = 9, y = 9;
    char key = 9;
    int acted = 0;
    acted += DRAXO_clear_window() != 0;
    acted += DRAXO_pixel(RED, 0, 0) != 0;
    acted += DRAXO_pixel_pt(RED, p) != 0;
    acted += DRAXO_circle(RED, 0, 0, 5) != 0;
    acted += DRAXO_circle_pt(RED, p, 5) != 0;
    acted += DRAXO_triangle(RED, 0, 0, 5, 0, 0, 5, 0) != 0;
    acted += DRAXO_triangle_pt(RED, p, p, p, 1) != 0;
    acted += DRAXO_rectangle(RED, 0, 0, 5, 5, 0) != 0;
    acted += DRAXO_rectangle_pt(RED, p, p, 1) != 0;
    acted += DRAXO_oval(RED, 0, 0, 5, 5, 0) != 0;
    acted += DRAXO_oval_pt(RED, p, p, 1) != 0;
    acted += DRAXO_line(RED, 0, 0, 5, 5, 1) != 0;
    acted += DRAXO_line_pt(RED, p, p, 1) != 0;
    acted += DRAXO_text(RED, 0, 0, 12, "text") != 0;
    acted += DRAXO_text_pt(RED, p, 12, "text") != 0;
    acted += DRAXO_printf_text(RED, 0, 0, 12, "%d", 42) != 0;
    acted += DRAXO_printf_text_pt(RED, p, 12, "%d", 42) != 0;
    acted += DRAXO_set_animation(DRAXO_ANIMATE_RUN) != 0;
    acted += DRAXO_set_logging(1) != 0;
    acted += DRAXO_show_console(1) != 0;
    acted += DRAXO_set_input(DRAXO_INPUT_KEYS) != 0;
    acted += DRAXO_set_periodic_interval(30) != 0;
    acted += DRAXO_key_is_down(DRAXO_KEY_LEFT) != 0;
    acted += DRAXO_event_key_code() + DRAXO_event_button() + DRAXO_event_buttons() + DRAXO_event_modifiers() +
             DRAXO_event_is_repeat();
    acted += DRAXO_gets("?", buffer) != 0;
    acted += DRAXO_gets_n("?", buffer, 4) != 0;
    acted += DRAXO_stop() != 0;
    EXPECT_STREQ(buffer, "untouched");
    acted += DRAXO_next_event(&x, &y, &key) != DRAXO_QUIT;
    return acted;
}

TEST(Closed, BeforeStartEveryOperationDoesNothingAndReturnsZero) {
    std::size_t mark = test::console_mark();
    EXPECT_EQ(operations_that_acted(), 0);
    EXPECT_TRUE(test::console_since(mark).empty());  // not even a repair message
    EXPECT_FALSE(event_control.animation_running);
    EXPECT_EQ(display.frame_buffer, nullptr);
}

TEST(Closed, AfterStopEveryOperationDoesNothingAndReturnsZero) {
    test::open_package();
    DRAXO_set_logging(0);
    DRAXO_stop();
    ws::pixels frame = ws::image_pixels(display.frame_buffer);
    std::vector<std::uint32_t> before(frame.bits, frame.bits + frame.stride * frame.height);
    std::size_t mark = test::console_mark();
    EXPECT_EQ(operations_that_acted(), 0);
    EXPECT_TRUE(test::console_since(mark).empty());
    EXPECT_EQ(std::vector<std::uint32_t>(frame.bits, frame.bits + frame.stride * frame.height), before);
    EXPECT_FALSE(event_control.animation_running);
    EXPECT_TRUE(ws::is_window(package.drawing_window));  // the windows stay on the screen
}

TEST(Start, TheFrameBufferStartsAsAClearLeavesIt) {
    test::open_package();
    EXPECT_EQ(test::frame_pixel(0, 0), 0x000000u);  // the border
    EXPECT_EQ(test::frame_pixel(600, 539), 0x000000u);
    EXPECT_EQ(test::frame_pixel(1, 1), 0xFFFFFFu);
    EXPECT_EQ(test::frame_pixel(300, 270), 0xFFFFFFu);
}

TEST(Start, ASecondStartWhileOpenDoesNothing) {
    test::open_package();
    ws::window drawing = package.drawing_window, text = console.console_window;
    std::size_t windows = ws::core().windows.size();
    static char command_line[] = "";
    EXPECT_EQ(DRAXO_start(test::test_instance(), nullptr, command_line, ws::SW_SHOWNORMAL), 0);
    EXPECT_EQ(package.drawing_window, drawing);
    EXPECT_EQ(console.console_window, text);
    EXPECT_EQ(ws::core().windows.size(), windows);
}

class Restart : public test::InScratchDirectory {};

TEST_F(Restart, AStartAfterAStopTakesUpTheSameWindowsWithAFreshRun) {
    test::open_package();
    ws::window drawing = package.drawing_window, text = console.console_window;
    ws::image frame = display.frame_buffer;
    std::size_t windows = ws::core().windows.size();
    DRAXO_set_animation(DRAXO_ANIMATE_RUN);
    ws::post_message(drawing, ws::WM_COMMAND, CMD_RECORD_SCRIPT, 0);  // recording on ...
    test::pump_messages();
    ASSERT_TRUE(event_control.recording);
    for (int cycle = 0; cycle < 50; ++cycle) {
        DRAXO_stop();  // ... is ended by the stop
        test::open_package();
        EXPECT_FALSE(event_control.recording);
        EXPECT_FALSE(event_control.animation_running);
        EXPECT_FALSE(ws::menu_item_at(event_control.run_menu, 6).flags & ws::MF_CHECKED);
    }
    EXPECT_EQ(package.drawing_window, drawing);
    EXPECT_EQ(console.console_window, text);
    EXPECT_EQ(display.frame_buffer, frame);  // nothing made again, nothing left behind
    EXPECT_EQ(ws::core().windows.size(), windows);
    EXPECT_TRUE(ws::window_visible(drawing));
    // The first recording is still what it was: the next event records nothing.
    test::inject_press(drawing, 10, 10);
    int x, y;
    char key;
    EXPECT_EQ(DRAXO_next_event(&x, &y, &key), DRAXO_MOUSE);
    EXPECT_FALSE(std::filesystem::exists("DRAXO.SCR"));
}

TEST_F(Restart, AClosedDrawingWindowIsMadeAgainBesideTheSameConsole) {
    test::open_package();
    ws::window text = console.console_window;
    ws::native_close_requested(package.drawing_window);
    int x, y;
    char key;
    EXPECT_EQ(DRAXO_next_event(&x, &y, &key), DRAXO_QUIT);
    DRAXO_stop();
    test::open_package();
    EXPECT_TRUE(ws::is_window(package.drawing_window));
    EXPECT_EQ(console.console_window, text);
    EXPECT_EQ(package.drawing_window, package.drawing_window);  // keys typed into the console reach the new one
    EXPECT_EQ(DRAXO_set_animation(DRAXO_ANIMATE_RUN), 1);
}

// Every operation, one by one from another thread: refused, named on
// standard error, nothing drawn, logged or changed, and the package still
// open for its own thread.
class OtherThreads : public test::InScratchDirectory {};

TEST_F(OtherThreads, EveryOperationIsRefusedFromAnotherThread) {
    test::open_package();
    DRAXO_set_logging(1);
    char buffer[256] = "untouched";
    DRAXO_point p{1, 1};
    int x = 9, y = 9;
    char key = 9;
    const std::vector<std::pair<const char*, std::function<int()>>> operations = {
        {"DRAXO_start", [] { return DRAXO_start(nullptr, nullptr, nullptr, 1); }},
        {"DRAXO_stop", [] { return DRAXO_stop(); }},
        {"DRAXO_clear_window", [] { return DRAXO_clear_window(); }},
        {"DRAXO_pixel", [] { return DRAXO_pixel(RED, 0, 0); }},
        {"DRAXO_pixel_pt", [&] { return DRAXO_pixel_pt(RED, p); }},
        {"DRAXO_circle", [] { return DRAXO_circle(RED, 0, 0, 5); }},
        {"DRAXO_circle_pt", [&] { return DRAXO_circle_pt(RED, p, 5); }},
        {"DRAXO_triangle", [] { return DRAXO_triangle(RED, 0, 0, 5, 0, 0, 5, 0); }},
        {"DRAXO_triangle_pt", [&] { return DRAXO_triangle_pt(RED, p, p, p, 1); }},
        {"DRAXO_rectangle", [] { return DRAXO_rectangle(RED, 0, 0, 5, 5, 0); }},
        {"DRAXO_rectangle_pt", [&] { return DRAXO_rectangle_pt(RED, p, p, 1); }},
        {"DRAXO_oval", [] { return DRAXO_oval(RED, 0, 0, 5, 5, 0); }},
        {"DRAXO_oval_pt", [&] { return DRAXO_oval_pt(RED, p, p, 1); }},
        {"DRAXO_line", [] { return DRAXO_line(RED, 0, 0, 5, 5, 1); }},
        {"DRAXO_line_pt", [&] { return DRAXO_line_pt(RED, p, p, 1); }},
        {"DRAXO_undo", [] { return DRAXO_undo(); }},
        {"DRAXO_text", [] { return DRAXO_text(RED, 0, 0, 12, "text"); }},
        {"DRAXO_text_pt", [&] { return DRAXO_text_pt(RED, p, 12, "text"); }},
        {"DRAXO_printf_text", [] { return DRAXO_printf_text(RED, 0, 0, 12, "%d", 42); }},
        {"DRAXO_printf_text_pt", [&] { return DRAXO_printf_text_pt(RED, p, 12, "%d", 42); }},
        {"DRAXO_save_picture", [] { return DRAXO_save_picture("refused.png", -10, -10, 10, 10); }},
        {"DRAXO_next_event", [&] { return DRAXO_next_event(&x, &y, &key); }},
        {"DRAXO_set_animation", [] { return DRAXO_set_animation(DRAXO_ANIMATE_RUN); }},
        {"DRAXO_console_printf", [] { return DRAXO_console_printf("from elsewhere\n"); }},
        {"DRAXO_set_logging", [] { return DRAXO_set_logging(1); }},
        {"DRAXO_show_console", [] { return DRAXO_show_console(0); }},
        {"DRAXO_set_input", [] { return DRAXO_set_input(DRAXO_INPUT_KEYS); }},
        {"DRAXO_event_key_code", [] { return DRAXO_event_key_code(); }},
        {"DRAXO_event_button", [] { return DRAXO_event_button(); }},
        {"DRAXO_event_buttons", [] { return DRAXO_event_buttons(); }},
        {"DRAXO_event_modifiers", [] { return DRAXO_event_modifiers(); }},
        {"DRAXO_event_is_repeat", [] { return DRAXO_event_is_repeat(); }},
        {"DRAXO_key_is_down", [] { return DRAXO_key_is_down(DRAXO_KEY_LEFT); }},
        {"DRAXO_set_periodic_interval", [] { return DRAXO_set_periodic_interval(30); }},
        {"DRAXO_gets", [&] { return DRAXO_gets("?", buffer); }},
        {"DRAXO_gets_n", [&] { return DRAXO_gets_n("?", buffer, 4); }},
    };
    ws::pixels frame = ws::image_pixels(display.frame_buffer);
    const std::vector<std::uint32_t> before(frame.bits, frame.bits + frame.stride * frame.height);
    const std::size_t mark = test::console_mark();
    for (const auto& [name, call] : operations) {
        testing::internal::CaptureStderr();
        int result = -1;
        std::thread([&] { result = call(); }).join();
        const std::string errors = testing::internal::GetCapturedStderr();
        EXPECT_EQ(result, 0) << name;
        EXPECT_NE(errors.find(std::string("DRAXO: ") + name + " was called from a thread other than"),
                  std::string::npos)
            << name << " was not refused: " << errors;
    }
    EXPECT_STREQ(buffer, "untouched");
    EXPECT_EQ(x, 9);
    EXPECT_TRUE(test::console_since(mark).empty());
    EXPECT_FALSE(event_control.animation_running);
    EXPECT_FALSE(std::ifstream("refused.png").good());
    EXPECT_EQ(std::vector<std::uint32_t>(frame.bits, frame.bits + frame.stride * frame.height), before);
    EXPECT_TRUE(package.open);
    EXPECT_EQ(DRAXO_circle(RED, 0, 0, 10), 1);
}

}  // namespace
}  // namespace draxo
