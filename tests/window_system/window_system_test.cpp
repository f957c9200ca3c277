// The window-system layer's core, on the null backend: creation
// notifications, the message queue's order, translation of keys, the close
// box, timers, painting, menus and focus.
#include "window_system/window_system.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <vector>

#include "support/null_support.h"
#include "support/test_support.h"

namespace ws = draxo::ws;
namespace null = draxo::ws::null;

namespace {

struct seen_message {
    unsigned id;
    ws::wparam w;
    ws::lparam l;
};

std::vector<seen_message> seen;

ws::lresult recording_proc(ws::window w, unsigned id, ws::wparam wp, ws::lparam lp) {
    seen.push_back({id, wp, lp});
    return ws::def_window_proc(w, id, wp, lp);
}

ws::window make_window(unsigned style = ws::WS_OVERLAPPEDWINDOW) {
    draxo::test::open_window_system();
    ws::register_class("TestClass", ws::CS_HREDRAW | ws::CS_VREDRAW, recording_proc, 0x00FF00);
    return ws::create_window("TestClass", "Test", style, 10, 20, 200, 100);
}

// Every message that can be taken now, in order, up to the first paint
// request (which stays due until the window validates it).
std::vector<ws::message> drain() {
    std::vector<ws::message> all;
    ws::message m;
    while (ws::peek_message(m)) {
        all.push_back(m);
        if (m.id == ws::WM_PAINT) break;
    }
    return all;
}

std::vector<unsigned> ids_of(const std::vector<ws::message>& messages) {
    std::vector<unsigned> ids;
    for (const ws::message& m : messages) ids.push_back(m.id);
    return ids;
}

TEST(WindowSystem, CreationDeliversCreateThenSizeBeforeReturning) {
    seen.clear();
    ws::window w = make_window();
    ASSERT_NE(w, nullptr);
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0].id, ws::WM_CREATE);
    EXPECT_EQ(seen[1].id, ws::WM_SIZE);
    EXPECT_EQ(seen[1].l, ws::make_lparam(200, 100));
    ws::rect client = ws::client_rect(w);
    EXPECT_EQ(client.right, 200);
    EXPECT_EQ(client.bottom, 100);
    EXPECT_EQ(ws::create_window("NoSuchClass", "x", 0, 0, 0, 10, 10), nullptr);
}

TEST(WindowSystem, QueuedMessagesComeBeforeQuitPaintAndTimer) {
    ws::window w = make_window();
    ws::show_window(w, ws::SW_SHOW);  // makes a paint due
    drain();                          // whatever showing produced
    ws::set_timer(w, 5, 100);
    null::advance(100);  // the timer is due
    ws::invalidate(w);
    ws::post_quit_message(3);
    ws::post_message(w, ws::WM_COMMAND, 1, 0);
    draxo::test::inject_press(w, 4, 5);
    std::vector<ws::message> got;
    ws::message m;
    while (ws::peek_message(m)) {
        got.push_back(m);
        if (m.id == ws::WM_PAINT) ws::begin_paint(w);
    }
    EXPECT_EQ(ids_of(got), (std::vector<unsigned>{ws::WM_COMMAND, ws::WM_LBUTTONDOWN, ws::WM_LBUTTONUP,
                                                  ws::WM_QUIT, ws::WM_PAINT, ws::WM_TIMER}));
    EXPECT_EQ(got[3].w, 3u);
    EXPECT_EQ(got[5].w, 5u);
}

TEST(WindowSystem, InputAndPostedMessagesKeepTheirOrderAheadOfADueTimer) {
    ws::window w = make_window();
    drain();
    ws::set_timer(w, 2, 100);
    draxo::test::inject_press(w, 1, 1);
    null::advance(100);                         // the timer falls due after the press arrived ...
    ws::post_message(w, ws::WM_COMMAND, 9, 0);  // ... and before this was posted
    EXPECT_EQ(ids_of(drain()),
              (std::vector<unsigned>{ws::WM_LBUTTONDOWN, ws::WM_LBUTTONUP, ws::WM_COMMAND, ws::WM_TIMER}));
}

TEST(WindowSystem, TranslateQueuesTheCharacterRightBehindItsKey) {
    ws::window w = make_window();
    drain();
    draxo::test::inject_typed(w, 'a');
    ws::post_message(w, ws::WM_COMMAND, 7, 0);
    ws::message m;
    ASSERT_TRUE(ws::peek_message(m));
    EXPECT_EQ(m.id, ws::WM_KEYDOWN);
    EXPECT_EQ(m.w, 0x41u);
    EXPECT_TRUE(ws::translate_message(m));
    std::vector<ws::message> rest = drain();
    ASSERT_EQ(ids_of(rest), (std::vector<unsigned>{ws::WM_CHAR, ws::WM_KEYUP, ws::WM_COMMAND}));
    EXPECT_EQ(rest[0].w, static_cast<ws::wparam>('a'));
    // A key that types nothing translates to nothing.
    draxo::test::inject_key_down(w, ws::VK_CONTROL);
    ASSERT_TRUE(ws::peek_message(m));
    EXPECT_FALSE(ws::translate_message(m));
    EXPECT_TRUE(drain().empty());
}

// Moves coalesce into the unread move at the queue's end, window by window;
// one behind other input stays where it was.
TEST(WindowSystem, AMoveReplacesTheUnreadMoveAtTheQueuesEndOnly) {
    ws::window w = make_window();
    ws::window other = make_window();
    drain();
    for (int x = 0; x < 100; ++x) draxo::test::inject_mouse(w, ws::WM_MOUSEMOVE, x, 1, ws::MK_LBUTTON);
    draxo::test::inject_mouse(w, ws::WM_LBUTTONUP, 99, 1);
    draxo::test::inject_mouse(w, ws::WM_MOUSEMOVE, 5, 5, ws::MK_LBUTTON);
    draxo::test::inject_mouse(other, ws::WM_MOUSEMOVE, 6, 6, ws::MK_LBUTTON);
    draxo::test::inject_mouse(w, ws::WM_MOUSEMOVE, 7, 7, ws::MK_LBUTTON);
    std::vector<ws::message> queued = drain();
    ASSERT_EQ(ids_of(queued), (std::vector<unsigned>{ws::WM_MOUSEMOVE, ws::WM_LBUTTONUP, ws::WM_MOUSEMOVE,
                                                     ws::WM_MOUSEMOVE, ws::WM_MOUSEMOVE}));
    EXPECT_EQ(queued[0].l, ws::make_lparam(99, 1));
    EXPECT_EQ(queued[2].l, ws::make_lparam(5, 5));
    EXPECT_EQ(queued[3].hwnd, other);
    EXPECT_EQ(queued[4].l, ws::make_lparam(7, 7));
}

TEST(WindowSystem, AForwardedKeyDownTranslatesToTheCharacterItTyped) {
    ws::window w = make_window();
    ws::window other = make_window();
    drain();
    draxo::test::inject_key_down(w, 'B', 'B');
    ws::message m;
    ASSERT_TRUE(ws::peek_message(m));
    ws::post_message(other, m.id, m.w, m.l);  // the same key-down, posted: no character of its own
    ASSERT_TRUE(ws::peek_message(m));
    EXPECT_EQ(m.character, -1);
    ws::translate_message(m);
    ASSERT_TRUE(ws::peek_message(m));
    EXPECT_EQ(m.hwnd, other);
    EXPECT_EQ(m.id, ws::WM_CHAR);
    EXPECT_EQ(m.w, static_cast<ws::wparam>('B'));
}

TEST(WindowSystem, TheCloseBoxAsksTheProcedureWhichDestroysByDefault) {
    ws::window w = make_window();
    ws::show_window(w, ws::SW_SHOW);
    drain();
    ws::native_close_requested(w);
    EXPECT_TRUE(ws::is_window(w));  // only asked so far
    ws::message m;
    ASSERT_TRUE(ws::peek_message(m));
    EXPECT_EQ(m.id, ws::WM_CLOSE);
    seen.clear();
    ws::dispatch_message(m);
    ASSERT_FALSE(seen.empty());
    EXPECT_EQ(seen.back().id, ws::WM_DESTROY);
    EXPECT_FALSE(ws::is_window(w));
    // Messages and input for a dead window go nowhere.
    ws::post_message(w, ws::WM_COMMAND, 1, 0);
    draxo::test::inject_press(w, 1, 1);
    EXPECT_TRUE(drain().empty());
}

TEST(WindowSystem, TimerExpiriesCoalesceIntoOneTimerMessageAtTheirPeriod) {
    ws::window w = make_window();
    drain();
    ws::set_timer(w, 2, 100);
    null::advance(99);
    EXPECT_TRUE(drain().empty());
    null::advance(1);
    EXPECT_EQ(ids_of(drain()), std::vector<unsigned>{ws::WM_TIMER});
    null::advance(450);  // several expiries
    std::vector<ws::message> got = drain();
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].w, 2u);
    ws::kill_timer(w, 2);
    null::advance(300);
    EXPECT_TRUE(drain().empty());
}

TEST(WindowSystem, WaitingSleepsUntilTheNextTimerAndFailsWhereNothingCanCome) {
    ws::window w = make_window();
    drain();
    ws::set_timer(w, 2, 100);
    ws::wait_message();
    EXPECT_EQ(null::now(), 100u);
    ws::kill_timer(w, 2);
    drain();
    draxo::test::expect_a_wait_for_ever();
#ifdef __wasi__
    ws::wait_message();  // ends the process, passing
    ADD_FAILURE() << "the wait ended";
#else
    EXPECT_THROW(ws::wait_message(), std::runtime_error);
#endif
}

TEST(WindowSystem, ShowingReportsThePreviousStateAndErasesOnPaint) {
    ws::window w = make_window();
    EXPECT_FALSE(ws::show_window(w, ws::SW_SHOW));
    EXPECT_TRUE(ws::show_window(w, ws::SW_SHOW));
    EXPECT_TRUE(ws::window_visible(w));
    EXPECT_TRUE(ws::show_window(w, ws::SW_HIDE));
    EXPECT_FALSE(ws::window_visible(w));
    ws::pixels px = ws::image_pixels(ws::window_surface(w));
    px.bits[0] = 0xFF123456u;
    ws::show_window(w, ws::SW_SHOW);
    ws::begin_paint(w);
    EXPECT_EQ(px.bits[0] & 0xFFFFFFu, 0x0000FF00u);  // the class background, green
}

TEST(WindowSystem, MenuChecksChangeOnlyWhenSetAndChoicesPostCommands) {
    ws::window w = make_window();
    ws::menu bar = ws::create_menu();
    ws::menu popup = ws::create_popup_menu();
    ws::append_menu(popup, ws::MF_STRING, 11, "&First");
    ws::append_menu(popup, ws::MF_SEPARATOR, 0, nullptr);
    ws::append_menu(popup, ws::MF_STRING | ws::MF_GRAYED, 12, "Gray");
    ws::append_menu(bar, ws::MF_POPUP, reinterpret_cast<std::uintptr_t>(popup), "&Menu");
    ws::set_menu(w, bar);
    drain();
    // The bar takes room from the client area.
    EXPECT_EQ(ws::client_rect(w).bottom, 100 - null::menu_bar_height);

    EXPECT_EQ(ws::check_menu_item(popup, 11, ws::MF_CHECKED), static_cast<int>(ws::MF_UNCHECKED));
    EXPECT_EQ(ws::check_menu_item(popup, 99, ws::MF_CHECKED), -1);
    EXPECT_TRUE(ws::menu_item_at(popup, 0).flags & ws::MF_CHECKED);
    ws::native_menu_command(popup, 11);
    std::vector<ws::message> got = drain();
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].id, ws::WM_COMMAND);
    EXPECT_EQ(got[0].w, 11u);
    EXPECT_EQ(got[0].hwnd, w);
    EXPECT_TRUE(ws::menu_item_at(popup, 0).flags & ws::MF_CHECKED);  // choosing leaves the mark alone
    EXPECT_EQ(ws::check_menu_item(popup, 11, ws::MF_UNCHECKED), static_cast<int>(ws::MF_CHECKED));
}

TEST(WindowSystem, FocusChangesReachBothWindows) {
    ws::window a = make_window(), b = make_window();
    seen.clear();
    ws::native_focus_changed(a, b);
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0].id, ws::WM_KILLFOCUS);
    EXPECT_EQ(seen[0].w, reinterpret_cast<ws::wparam>(b));
    EXPECT_EQ(seen[1].id, ws::WM_SETFOCUS);
    EXPECT_EQ(seen[1].w, reinterpret_cast<ws::wparam>(a));
}

}  // namespace
