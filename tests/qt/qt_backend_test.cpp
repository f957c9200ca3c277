// The Qt backend: native input turned into messages (virtual keys, Latin-1
// characters, auto-repeat, mouse buttons, double clicks), the close box, the
// real menu bar and real timers, under Qt's offscreen platform.
#include "window_system/qt/qt_backend.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <QTest>
#include <vector>

#include "support/qt_support.h"
#include "support/test_support.h"
#include "window_system/window_system.h"

namespace ws = draxo::ws;

namespace {

std::vector<unsigned> seen;

ws::lresult recording_proc(ws::window w, unsigned id, ws::wparam wp, ws::lparam lp) {
    seen.push_back(id);
    return ws::def_window_proc(w, id, wp, lp);
}

ws::window make_window() {
    draxo::test::open_window_system();
    ws::register_class("TestClass", ws::CS_HREDRAW | ws::CS_VREDRAW, recording_proc, 0x00FF00);
    return ws::create_window("TestClass", "Test", ws::WS_OVERLAPPEDWINDOW, 10, 20, 200, 100);
}

// Every message that can be taken now, in order, but for paint requests,
// which are validated on the way (showing a window makes them due whenever
// the platform shows it).
std::vector<ws::message> drain() {
    std::vector<ws::message> all;
    ws::message m;
    while (ws::peek_message(m)) {
        if (m.id == ws::WM_PAINT)
            ws::begin_paint(m.hwnd);
        else
            all.push_back(m);
    }
    return all;
}

std::vector<unsigned> ids_of(const std::vector<ws::message>& messages) {
    std::vector<unsigned> ids;
    for (const ws::message& m : messages) ids.push_back(m.id);
    return ids;
}

QWidget* client_of(ws::window w) { return ws::qt::frame_of(w)->client(); }

TEST(QtBackend, KeysBecomeVirtualKeyCodesAndLatin1Characters) {
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
    EXPECT_EQ(got[3].character, '?');  // no Latin-1 character for it
}

TEST(QtBackend, AutoRepeatGivesRepeatedKeyDownsAndOneKeyUp) {
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

TEST(QtBackend, MouseButtonsBecomeButtonMessagesInClientCoordinates) {
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

TEST(QtBackend, ADoubleClickIsTwoPresses) {
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

TEST(QtBackend, TheCloseBoxAsksTheWindowFirst) {
    ws::window w = make_window();
    ws::show_window(w, ws::SW_SHOW);
    drain();
    ws::qt::frame_of(w)->close();
    EXPECT_TRUE(ws::is_window(w));  // only asked so far
    EXPECT_EQ(ids_of(drain()), std::vector<unsigned>{ws::WM_CLOSE});
}

TEST(QtBackend, TheMenuBarShowsTheModelAndKeepsItsMarks) {
    ws::window w = make_window();
    ws::menu bar = ws::create_menu();
    ws::menu popup = ws::create_popup_menu();
    ws::append_menu(popup, ws::MF_STRING, 11, "&First");
    ws::append_menu(popup, ws::MF_SEPARATOR, 0, nullptr);
    ws::append_menu(popup, ws::MF_STRING | ws::MF_GRAYED, 12, "Gray");
    ws::append_menu(bar, ws::MF_POPUP, reinterpret_cast<std::uintptr_t>(popup), "&Menu");
    ws::set_menu(w, bar);
    drain();
    EXPECT_LT(ws::client_rect(w).bottom, 100);  // the bar takes room from the client area

    ws::check_menu_item(popup, 11, ws::MF_CHECKED);
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
    ws::check_menu_item(popup, 11, ws::MF_UNCHECKED);
    EXPECT_FALSE(first->isChecked());
}

TEST(QtBackend, RealTimerExpiriesCoalesceIntoOneTimerMessage) {
    ws::window w = make_window();
    drain();
    ws::set_timer(w, 2, 5);
    QTest::qWait(60);  // several expiries
    ws::wait_message();
    std::vector<ws::message> got = drain();
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].id, ws::WM_TIMER);
    ws::kill_timer(w, 2);
    QTest::qWait(30);
    EXPECT_TRUE(drain().empty());
}

}  // namespace
