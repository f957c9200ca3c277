// Game input on the null backend, input arriving as the platform delivers
// it: what a program that has not asked sees (nothing new), key presses and
// releases, held keys and repeats, typed letters that tell their key, the
// Run menu's shortcuts first, buttons, drags and their releases, moves
// coalesced and kept on the window, releases when the focus leaves, and the
// clock's period.
#include "events/input_events.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "console/console.h"
#include "events/event_support.h"
#include "events/run_menu.h"
#include "support/null_support.h"

namespace draxo {
namespace {

using test::next_event;

ws::window drawing() { return package.drawing_window; }

// A client pixel of a logical point.
int column_of(int x) { return display.origin_x + x; }
int row_of(int y) { return display.origin_y - y; }

void mouse(unsigned id, int x, int y, unsigned held = 0) {
    test::inject_mouse(drawing(), id, column_of(x), row_of(y), held);
}

// Ends a wait whatever was dropped before it: a typed '.'.
void typed_stop() { test::inject_typed(drawing(), '.'); }

TEST(GameInput, AProgramThatHasNotAskedSeesTheFourEventsAlone) {
    test::open_quietly();
    test::inject_key_down(drawing(), ws::VK_LEFT);
    test::inject_key_up(drawing(), ws::VK_LEFT);
    mouse(ws::WM_RBUTTONDOWN, 1, 1, ws::MK_RBUTTON);
    mouse(ws::WM_MOUSEMOVE, 2, 2, ws::MK_RBUTTON);
    mouse(ws::WM_RBUTTONUP, 2, 2);
    mouse(ws::WM_LBUTTONDOWN, 3, 4, ws::MK_LBUTTON);
    mouse(ws::WM_MOUSEMOVE, 5, 5, ws::MK_LBUTTON);
    mouse(ws::WM_LBUTTONUP, 5, 5);
    test::inject_typed(drawing(), 'a');
    test::event e = next_event();
    EXPECT_EQ(e.kind, DRAXO_MOUSE);
    EXPECT_EQ(e.x, 3);
    EXPECT_EQ(e.y, 4);
    e = next_event();
    EXPECT_EQ(e.kind, DRAXO_KBD);
    EXPECT_EQ(e.key, 'a');
    EXPECT_EQ(DRAXO_event_key_code(), 0);
    EXPECT_EQ(DRAXO_key_is_down('A'), 0);
}

TEST(GameInput, SetInputTakesItsTwoFlagsAndNothingElse) {
    test::open_quietly();
    EXPECT_EQ(DRAXO_set_input(DRAXO_INPUT_KEYS | DRAXO_INPUT_MOUSE), 1);
    EXPECT_EQ(DRAXO_set_input(4), 0);
    EXPECT_EQ(DRAXO_set_input(-1), 0);
    EXPECT_EQ(event_control.input_flags, DRAXO_INPUT_KEYS | DRAXO_INPUT_MOUSE);
    EXPECT_EQ(DRAXO_set_input(0), 1);
    EXPECT_EQ(event_control.input_flags, 0);
    // A new start goes back to the four events and the 100 ms clock.
    DRAXO_set_input(DRAXO_INPUT_KEYS);
    DRAXO_set_periodic_interval(30);
    DRAXO_stop();
    EXPECT_EQ(DRAXO_set_input(DRAXO_INPUT_KEYS), 0);
    test::open_package();
    EXPECT_EQ(event_control.input_flags, 0);
    EXPECT_EQ(ws::null::timer_period(drawing(), timer_id), 100u);
}

TEST(GameInput, ArrowsArriveAsPressesAndReleasesAndAreHeldBetween) {
    test::open_quietly();
    DRAXO_set_input(DRAXO_INPUT_KEYS);
    test::inject_key_down(drawing(), ws::VK_LEFT);
    test::inject_key_down(drawing(), ws::VK_LEFT);  // the keyboard's repeat
    test::inject_key_up(drawing(), ws::VK_LEFT);
    EXPECT_EQ(next_event().kind, DRAXO_KEY_PRESS);
    EXPECT_EQ(DRAXO_event_key_code(), DRAXO_KEY_LEFT);
    EXPECT_EQ(DRAXO_event_is_repeat(), 0);
    EXPECT_EQ(DRAXO_key_is_down(DRAXO_KEY_LEFT), 1);
    EXPECT_EQ(DRAXO_key_is_down(DRAXO_KEY_RIGHT), 0);
    EXPECT_EQ(next_event().kind, DRAXO_KEY_PRESS);
    EXPECT_EQ(DRAXO_event_is_repeat(), 1);
    test::event e = next_event();
    EXPECT_EQ(e.kind, DRAXO_KEY_RELEASE);
    EXPECT_EQ(e.x, 0);
    EXPECT_EQ(e.key, 0);
    EXPECT_EQ(DRAXO_event_key_code(), DRAXO_KEY_LEFT);
    EXPECT_EQ(DRAXO_key_is_down(DRAXO_KEY_LEFT), 0);
    EXPECT_EQ(DRAXO_key_is_down(0), 0);
    EXPECT_EQ(DRAXO_key_is_down(100000), 0);
}

TEST(GameInput, ATypedLetterStaysACharacterThatTellsItsKeyAndItsReleaseComes) {
    test::open_quietly();
    DRAXO_set_input(DRAXO_INPUT_KEYS);
    test::inject_key_down(drawing(), 'W', 'w');
    test::inject_key_up(drawing(), 'W');
    test::event e = next_event();
    EXPECT_EQ(e.kind, DRAXO_KBD);
    EXPECT_EQ(e.key, 'w');
    EXPECT_EQ(DRAXO_event_key_code(), 'W');
    EXPECT_EQ(DRAXO_key_is_down('W'), 1);
    EXPECT_EQ(next_event().kind, DRAXO_KEY_RELEASE);
    EXPECT_EQ(DRAXO_event_key_code(), 'W');
    EXPECT_EQ(DRAXO_key_is_down('W'), 0);
    // Enter types its character: a DRAXO_KBD that tells its key.
    test::inject_key_down(drawing(), ws::VK_RETURN, '\r');
    EXPECT_EQ(next_event().key, '\r');
    EXPECT_EQ(DRAXO_event_key_code(), DRAXO_KEY_ENTER);
}

TEST(GameInput, ReleasesWithoutPressesAndKeysOutsideTheTableAreNoEvents) {
    test::open_quietly();
    DRAXO_set_input(DRAXO_INPUT_KEYS | DRAXO_INPUT_MOUSE);
    test::inject_key_up(drawing(), ws::VK_UP);  // pressed before the program asked
    test::inject_key_down(drawing(), ws::VK_CAPITAL);
    test::inject_key_up(drawing(), ws::VK_CAPITAL);
    test::inject_key_down(drawing(), 0xBA, ';');  // a typed character still arrives
    mouse(ws::WM_LBUTTONUP, 0, 0);
    mouse(ws::WM_MOUSEMOVE, 0, 0);  // no button held
    test::event e = next_event();
    EXPECT_EQ(e.kind, DRAXO_KBD);
    EXPECT_EQ(e.key, ';');
    EXPECT_EQ(DRAXO_event_key_code(), 0);
    typed_stop();
    EXPECT_EQ(next_event().key, '.');
}

TEST(GameInput, TheRunMenusShortcutsComeFirstAndCtrlIsAKeyOfItsOwn) {
    test::open_quietly();
    DRAXO_set_input(DRAXO_INPUT_KEYS);
    DRAXO_set_animation(DRAXO_ANIMATE_RUN);
    ws::null::set_key_held(ws::VK_CONTROL, true);
    test::inject_key_down(drawing(), ws::VK_CONTROL);
    test::inject_key_down(drawing(), 'H', 0x08);  // Ctrl+H: Halt animation
    test::inject_key_up(drawing(), 'H');
    test::inject_key_down(drawing(), ws::VK_LEFT);
    EXPECT_EQ(next_event().kind, DRAXO_KEY_PRESS);
    EXPECT_EQ(DRAXO_event_key_code(), DRAXO_KEY_CTRL);
    test::event e = next_event();
    EXPECT_EQ(e.kind, DRAXO_KEY_PRESS);
    EXPECT_EQ(DRAXO_event_key_code(), DRAXO_KEY_LEFT);
    EXPECT_EQ(DRAXO_event_modifiers(), DRAXO_CTRL);
    EXPECT_FALSE(event_control.animation_running);
    // Ctrl with a letter that is no shortcut: no character, the key itself.
    test::inject_key_down(drawing(), 'B', 0x02);
    EXPECT_EQ(next_event().kind, DRAXO_KEY_PRESS);
    EXPECT_EQ(DRAXO_event_key_code(), 'B');
}

TEST(GameInput, ModifiersAreThoseHeldAtTheEvent) {
    test::open_quietly();
    DRAXO_set_input(DRAXO_INPUT_KEYS | DRAXO_INPUT_MOUSE);
    ws::null::set_key_held(ws::VK_SHIFT, true);
    ws::null::set_key_held(ws::VK_MENU, true);
    test::inject_key_down(drawing(), DRAXO_KEY_F5);
    EXPECT_EQ(next_event().kind, DRAXO_KEY_PRESS);
    EXPECT_EQ(DRAXO_event_modifiers(), DRAXO_SHIFT | DRAXO_ALT);
    ws::null::set_key_held(ws::VK_MENU, false);
    mouse(ws::WM_LBUTTONDOWN, 0, 0, ws::MK_LBUTTON);
    EXPECT_EQ(next_event().kind, DRAXO_MOUSE);
    EXPECT_EQ(DRAXO_event_modifiers(), DRAXO_SHIFT);
}

TEST(GameInput, ButtonsDragsAndReleasesTellWhichButtonsAreHeld) {
    test::open_quietly();
    DRAXO_set_input(DRAXO_INPUT_MOUSE);
    struct expected {
        int kind, x, y, button, buttons;
    };
    mouse(ws::WM_LBUTTONDOWN, -10, 20, ws::MK_LBUTTON);
    mouse(ws::WM_MOUSEMOVE, -9, 21, ws::MK_LBUTTON);
    mouse(ws::WM_RBUTTONDOWN, -8, 22, ws::MK_LBUTTON | ws::MK_RBUTTON);
    mouse(ws::WM_LBUTTONUP, -7, 23, ws::MK_RBUTTON);
    mouse(ws::WM_MOUSEMOVE, -6, 24, ws::MK_RBUTTON);
    mouse(ws::WM_MBUTTONDOWN, -5, 25, ws::MK_RBUTTON | ws::MK_MBUTTON);
    mouse(ws::WM_RBUTTONUP, -4, 26, ws::MK_MBUTTON);
    mouse(ws::WM_MBUTTONUP, -3, 27);
    const std::vector<expected> events = {
        {DRAXO_MOUSE, -10, 20, 1, 1},        {DRAXO_MOUSE_MOVE, -9, 21, 0, 1},    {DRAXO_MOUSE, -8, 22, 2, 3},
        {DRAXO_MOUSE_RELEASE, -7, 23, 1, 2}, {DRAXO_MOUSE_MOVE, -6, 24, 0, 2},    {DRAXO_MOUSE, -5, 25, 3, 6},
        {DRAXO_MOUSE_RELEASE, -4, 26, 2, 4}, {DRAXO_MOUSE_RELEASE, -3, 27, 3, 0},
    };
    for (const expected& want : events) {
        test::event e = next_event();
        EXPECT_EQ(e.kind, want.kind) << want.x;
        EXPECT_EQ(e.x, want.x);
        EXPECT_EQ(e.y, want.y);
        EXPECT_EQ(DRAXO_event_button(), want.button) << want.x;
        EXPECT_EQ(DRAXO_event_buttons(), want.buttons) << want.x;
    }
}

TEST(GameInput, AFastMouseLeavesOneMoveWithItsLatestPositionAndTheOrderOfEvents) {
    test::open_quietly();
    DRAXO_set_input(DRAXO_INPUT_MOUSE);
    mouse(ws::WM_LBUTTONDOWN, 0, 0, ws::MK_LBUTTON);
    for (int x = 1; x <= 50; ++x) mouse(ws::WM_MOUSEMOVE, x, 0, ws::MK_LBUTTON);
    mouse(ws::WM_LBUTTONUP, 50, 0);
    mouse(ws::WM_LBUTTONDOWN, 60, 0, ws::MK_LBUTTON);
    mouse(ws::WM_MOUSEMOVE, 61, 0, ws::MK_LBUTTON);
    mouse(ws::WM_MOUSEMOVE, 62, 5, ws::MK_LBUTTON);
    typed_stop();
    std::vector<std::string> seen;
    for (int i = 0; i < 6; ++i) {
        test::event e = next_event();
        seen.push_back(std::to_string(e.kind) + "@" + std::to_string(e.x) + "," + std::to_string(e.y));
    }
    EXPECT_EQ(seen, (std::vector<std::string>{"1@0,0", "7@50,0", "8@50,0", "1@60,0", "7@62,5", "2@0,0"}));
}

TEST(GameInput, ADragBeyondTheWindowIsKeptOnItsEdge) {
    test::open_quietly();
    DRAXO_set_input(DRAXO_INPUT_MOUSE);
    mouse(ws::WM_LBUTTONDOWN, 0, 0, ws::MK_LBUTTON);
    test::inject_mouse(drawing(), ws::WM_MOUSEMOVE, -40, 5000, ws::MK_LBUTTON);
    test::inject_mouse(drawing(), ws::WM_LBUTTONUP, 9000, -3);
    next_event();
    ws::rect client = ws::client_rect(drawing());
    test::event e = next_event();
    EXPECT_EQ(e.kind, DRAXO_MOUSE_MOVE);
    EXPECT_EQ(e.x, client.left - display.origin_x);
    EXPECT_EQ(e.y, display.origin_y - (client.bottom - 1));
    e = next_event();
    EXPECT_EQ(e.kind, DRAXO_MOUSE_RELEASE);
    EXPECT_EQ(e.x, client.right - 1 - display.origin_x);
    EXPECT_EQ(e.y, display.origin_y - client.top);
}

TEST(GameInput, FocusLeavingThePackageReleasesEveryKeyAndButtonHeld) {
    test::open_quietly();
    DRAXO_set_input(DRAXO_INPUT_KEYS | DRAXO_INPUT_MOUSE);
    test::inject_key_down(drawing(), ws::VK_RIGHT);
    test::inject_key_down(drawing(), 'D', 'd');
    mouse(ws::WM_LBUTTONDOWN, 7, 8, ws::MK_LBUTTON);
    for (int i = 0; i < 3; ++i) next_event();
    // The focus moves to the console: the keys still reach the program.
    ws::native_focus_changed(drawing(), console.console_window);
    ws::native_focus_changed(console.console_window, nullptr);
    ws::native_focus_changed(nullptr, drawing());
    ws::native_focus_changed(drawing(), nullptr);  // a second loss before the releases are taken
    std::vector<int> released;
    for (int i = 0; i < 3; ++i) {
        int kind = next_event().kind;
        released.push_back(kind == DRAXO_MOUSE_RELEASE ? -DRAXO_event_button() : DRAXO_event_key_code());
    }
    EXPECT_EQ(released, (std::vector<int>{DRAXO_KEY_RIGHT, 'D', -DRAXO_BUTTON_LEFT}));
    EXPECT_EQ(DRAXO_key_is_down(DRAXO_KEY_RIGHT) + DRAXO_key_is_down('D') + DRAXO_event_buttons(), 0);
    typed_stop();  // the second loss's releases found nothing held
    EXPECT_EQ(next_event().key, '.');
}

TEST(GameInput, ThePeriodIsSetWithinItsBoundsAndTicksNeverPileUp) {
    test::open_package();
    std::size_t mark = test::console_mark();
    EXPECT_EQ(DRAXO_set_periodic_interval(30), 1);
    EXPECT_EQ(ws::null::timer_period(drawing(), timer_id), 30u);
    EXPECT_TRUE(test::console_since(mark).empty());
    DRAXO_set_periodic_interval(5);
    EXPECT_EQ(ws::null::timer_period(drawing(), timer_id), 16u);
    DRAXO_set_periodic_interval(1000000);
    EXPECT_EQ(ws::null::timer_period(drawing(), timer_id), 10000u);
    EXPECT_EQ(test::console_since(mark),
              (std::vector<std::string>{"DRAXO_set_periodic_interval: 5 ms is outside 16..10000, 16 ms is used\n",
                                        "DRAXO_set_periodic_interval: 1000000 ms is outside 16..10000, 10000 ms "
                                        "is used\n"}));
    DRAXO_set_periodic_interval(30);
    DRAXO_set_animation(DRAXO_ANIMATE_RUN);
    EXPECT_EQ(next_event().kind, DRAXO_PERIODIC);
    // A program busy for a second gets the next tick, then one a period later.
    ws::null::advance(1000);
    std::uint64_t behind = ws::null::now();
    EXPECT_EQ(next_event().kind, DRAXO_PERIODIC);
    std::uint64_t first = ws::null::now();
    EXPECT_LE(first - behind, 30u);
    EXPECT_EQ(next_event().kind, DRAXO_PERIODIC);
    EXPECT_EQ(ws::null::now() - first, 30u);
}

}  // namespace
}  // namespace draxo
