// The window-system layer: creation notifications, the message queue's order,
// translation of keys, timers, menus, and native Qt input turned into messages.
#include "window_system/window_system.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <QTest>
#include <vector>

#include "support/test_support.h"
#include "window_system/qt/qt_backend.h"

namespace ws = draxo::ws;

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

QWidget* client_of(ws::window w) { return ws::qt::frame_of(w)->client(); }

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
    ws::invalidate(w);
    ws::post_quit_message(3);
    ws::post_message(w, ws::WM_COMMAND, 1, 0);
    ws::post_message(w, ws::WM_COMMAND, 2, 0);
    std::vector<ws::message> got = drain();
    ASSERT_EQ(got.size(), 4u);
    EXPECT_EQ(got[0].id, ws::WM_COMMAND);
    EXPECT_EQ(got[0].w, 1u);
    EXPECT_EQ(got[1].w, 2u);
    EXPECT_EQ(got[2].id, ws::WM_QUIT);
    EXPECT_EQ(got[2].w, 3u);
    EXPECT_EQ(got[3].id, ws::WM_PAINT);
    // Paint stays due until the window validates it.
    EXPECT_EQ(ids_of(drain()), std::vector<unsigned>{ws::WM_PAINT});
    ws::begin_paint(w);
    EXPECT_TRUE(drain().empty());
}

TEST(WindowSystem, TranslateQueuesTheCharacterRightBehindItsKey) {
    ws::window w = make_window();
    ws::show_window(w, ws::SW_SHOW);
    ws::begin_paint(w);
    drain();
    QTest::keyClick(client_of(w), Qt::Key_A);
    ws::post_message(w, ws::WM_COMMAND, 7, 0);
    ws::message m;
    ASSERT_TRUE(ws::peek_message(m));
    EXPECT_EQ(m.id, ws::WM_KEYDOWN);
    EXPECT_EQ(m.w, 0x41u);
    ws::translate_message(m);
    std::vector<ws::message> rest = drain();
    ASSERT_EQ(ids_of(rest), (std::vector<unsigned>{ws::WM_CHAR, ws::WM_KEYUP, ws::WM_COMMAND}));
    EXPECT_EQ(rest[0].w, static_cast<ws::wparam>('a'));
}

TEST(WindowSystem, AForwardedKeyDownTranslatesToTheCharacterItTyped) {
    ws::window w = make_window();
    ws::window other = make_window();
    drain();
    QKeyEvent shifted_b(QEvent::KeyPress, Qt::Key_B, Qt::ShiftModifier, "B");
    QApplication::sendEvent(client_of(w), &shifted_b);
    ws::message m;
    ASSERT_TRUE(ws::peek_message(m));
    ASSERT_EQ(m.id, ws::WM_KEYDOWN);
    drain();
    ws::post_message(other, m.id, m.w, m.l);  // the same key-down, posted
    ASSERT_TRUE(ws::peek_message(m));
    ws::translate_message(m);
    ASSERT_TRUE(ws::peek_message(m));
    EXPECT_EQ(m.hwnd, other);
    EXPECT_EQ(m.id, ws::WM_CHAR);
    EXPECT_EQ(m.w, static_cast<ws::wparam>('B'));
}

TEST(WindowSystem, KeysBecomeVirtualKeyCodesAndLatin1Characters) {
    ws::window w = make_window();
    drain();
    QWidget* client = client_of(w);
    QTest::keyPress(client, Qt::Key_Control);
    QTest::keyRelease(client, Qt::Key_Control);
    QKeyEvent e_acute(QEvent::KeyPress, Qt::Key_Eacute, Qt::NoModifier, QString(QChar(0xE9)));
    QApplication::sendEvent(client, &e_acute);
    QKeyEvent euro(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(QChar(0x20AC)));
    QApplication::sendEvent(client, &euro);
    std::vector<ws::message> got = drain();
    ASSERT_EQ(got.size(), 4u);
    EXPECT_EQ(got[0].id, ws::WM_KEYDOWN);
    EXPECT_EQ(got[0].w, ws::VK_CONTROL);
    EXPECT_EQ(got[0].character, -1);
    EXPECT_EQ(got[1].id, ws::WM_KEYUP);
    EXPECT_EQ(got[1].w, ws::VK_CONTROL);
    EXPECT_EQ(got[2].character, 0xE9);
    EXPECT_EQ(got[3].character, -1);  // no 8-bit character for it
}

TEST(WindowSystem, AutoRepeatGivesRepeatedKeyDownsAndOneKeyUp) {
    ws::window w = make_window();
    drain();
    QWidget* client = client_of(w);
    QKeyEvent first(QEvent::KeyPress, Qt::Key_L, Qt::NoModifier, "l");
    QKeyEvent repeat_release(QEvent::KeyRelease, Qt::Key_L, Qt::NoModifier, "l", true);
    QKeyEvent repeat_press(QEvent::KeyPress, Qt::Key_L, Qt::NoModifier, "l", true);
    QKeyEvent last(QEvent::KeyRelease, Qt::Key_L, Qt::NoModifier, "l");
    for (QKeyEvent* e : {&first, &repeat_release, &repeat_press, &repeat_release, &repeat_press, &last})
        QApplication::sendEvent(client, e);
    std::vector<ws::message> got = drain();
    ASSERT_EQ(ids_of(got), (std::vector<unsigned>{ws::WM_KEYDOWN, ws::WM_KEYDOWN, ws::WM_KEYDOWN, ws::WM_KEYUP}));
    EXPECT_FALSE(got[0].l & (1 << 30));  // first press: key was up before
    EXPECT_TRUE(got[1].l & (1 << 30));   // repeats: key was already down
}

TEST(WindowSystem, MouseButtonsBecomeButtonMessagesInClientCoordinates) {
    ws::window w = make_window();
    drain();
    QWidget* client = client_of(w);
    QTest::mouseClick(client, Qt::LeftButton, Qt::NoModifier, QPoint(10, 20));
    QTest::mouseClick(client, Qt::RightButton, Qt::NoModifier, QPoint(3, 4));
    std::vector<ws::message> got = drain();
    ASSERT_EQ(ids_of(got),
              (std::vector<unsigned>{ws::WM_LBUTTONDOWN, ws::WM_LBUTTONUP, ws::WM_RBUTTONDOWN, ws::WM_RBUTTONUP}));
    EXPECT_EQ(got[0].l, ws::make_lparam(10, 20));
    EXPECT_TRUE(got[0].w & ws::MK_LBUTTON);
    EXPECT_EQ(got[2].l, ws::make_lparam(3, 4));
}

TEST(WindowSystem, ADoubleClickIsTwoPresses) {
    ws::window w = make_window();
    ws::show_window(w, ws::SW_SHOW);
    drain();
    // Through the window, as the platform delivers it: press, release, double click, release.
    QWidget* frame = ws::qt::frame_of(w);
    QTest::mouseDClick(frame->windowHandle(), Qt::LeftButton, Qt::NoModifier,
                       client_of(w)->mapTo(frame, QPoint(5, 6)));
    QTest::qWait(20);
    int presses = 0;
    for (const ws::message& m : drain())
        if (m.id == ws::WM_LBUTTONDOWN) ++presses;
    EXPECT_EQ(presses, 2);
}

TEST(WindowSystem, TheCloseBoxAsksTheProcedureWhichDestroysByDefault) {
    ws::window w = make_window();
    ws::show_window(w, ws::SW_SHOW);
    drain();
    ws::qt::frame_of(w)->close();
    EXPECT_TRUE(ws::is_window(w));  // only asked so far
    ws::message m;
    ASSERT_TRUE(ws::peek_message(m));
    EXPECT_EQ(m.id, ws::WM_CLOSE);
    seen.clear();
    ws::dispatch_message(m);
    ASSERT_FALSE(seen.empty());
    EXPECT_EQ(seen.back().id, ws::WM_DESTROY);
    EXPECT_FALSE(ws::is_window(w));
    // Messages for a dead window go nowhere.
    ws::post_message(w, ws::WM_COMMAND, 1, 0);
    EXPECT_TRUE(drain().empty());
}

TEST(WindowSystem, TimerExpiriesCoalesceIntoOneTimerMessage) {
    ws::window w = make_window();
    drain();
    ws::set_timer(w, 2, 5);
    QTest::qWait(60);  // several expiries
    ws::wait_message();
    std::vector<ws::message> got = drain();
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].id, ws::WM_TIMER);
    EXPECT_EQ(got[0].w, 2u);
    ws::kill_timer(w, 2);
    QTest::qWait(30);
    EXPECT_TRUE(drain().empty());
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
    EXPECT_LT(ws::client_rect(w).bottom, 100);

    EXPECT_EQ(ws::check_menu_item(popup, 11, ws::MF_CHECKED), static_cast<int>(ws::MF_UNCHECKED));
    EXPECT_EQ(ws::check_menu_item(popup, 99, ws::MF_CHECKED), -1);
    QMenu* qmenu = ws::qt::frame_of(w)->findChild<QMenuBar*>()->actions().at(0)->menu();
    ASSERT_NE(qmenu, nullptr);
    QAction* first = qmenu->actions().at(0);
    EXPECT_EQ(first->text(), "&First");
    EXPECT_TRUE(first->isChecked());
    EXPECT_FALSE(qmenu->actions().at(2)->isEnabled());

    first->trigger();  // Qt would toggle the mark; the layer keeps it
    EXPECT_TRUE(first->isChecked());
    std::vector<ws::message> got = drain();
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].id, ws::WM_COMMAND);
    EXPECT_EQ(got[0].w, 11u);
    EXPECT_EQ(got[0].hwnd, w);

    EXPECT_EQ(ws::check_menu_item(popup, 11, ws::MF_UNCHECKED), static_cast<int>(ws::MF_CHECKED));
    EXPECT_FALSE(first->isChecked());
}

}  // namespace
