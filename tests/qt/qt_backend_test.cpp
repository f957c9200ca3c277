// The Qt backend: native input turned into messages (virtual keys, Latin-1
// characters, auto-repeat, mouse buttons, double clicks), the close box, the
// real menu bar and real timers, and a window's surface on the screen, under
// Qt's offscreen platform.
#include "window_system/qt/qt_backend.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <QPixmap>
#include <QScreen>
#include <QTest>
#include <chrono>
#include <cstdint>
#include <thread>
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

QWidget* client_of(ws::window w) { return ws::qt::native_of(w)->client(); }

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
    QWidget* frame = ws::qt::native_of(w);
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
    ws::qt::native_of(w)->close();
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
    QMenu* qmenu = ws::qt::native_of(w)->findChild<QMenuBar*>()->actions().at(0)->menu();
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

// The bar holds the keyboard by the core's rules (ws_menu_keys.h), which
// Qt's own bar would go beyond: on a selected bar Space and the arrows
// across do nothing, as everywhere else, and no key reaches the window.
TEST(QtBackend, TheSelectedMenuBarFollowsTheCoresRules) {
    ws::window w = make_window();
    ws::menu bar = ws::create_menu();
    ws::menu popup = ws::create_popup_menu();
    ws::append_menu(popup, ws::MF_STRING, 11, "&First");
    ws::append_menu(bar, ws::MF_POPUP, reinterpret_cast<std::uintptr_t>(popup), "&Menu");
    ws::set_menu(w, bar);
    ws::show_window(w, ws::SW_SHOWNORMAL);
    ws::qt::FrameWindow* frame = ws::qt::native_of(w);
    ASSERT_TRUE(QTest::qWaitForWindowActive(frame));
    auto* qbar = frame->findChild<QMenuBar*>();
    drain();
    frame->toggle_menu_bar();  // F10, as the window's default handling asks
    ASSERT_TRUE(QTest::qWaitFor([&] { return qbar->hasFocus(); }, 2000));
    for (Qt::Key ignored : {Qt::Key_Space, Qt::Key_Right, Qt::Key_Left, Qt::Key_X}) {
        QTest::keyClick(qbar, ignored);
        EXPECT_EQ(QApplication::activePopupWidget(), nullptr) << ignored;
        EXPECT_TRUE(qbar->hasFocus()) << ignored;
    }
    QTest::keyClick(qbar, Qt::Key_Down);
    ASSERT_TRUE(QTest::qWaitFor([] { return QApplication::activePopupWidget() != nullptr; }, 2000));
    QTest::keyClick(QApplication::activePopupWidget(), Qt::Key_Escape);
    EXPECT_TRUE(QTest::qWaitFor([] { return QApplication::activePopupWidget() == nullptr; }, 2000));
    EXPECT_TRUE(qbar->hasFocus()) << "Escape out of the menu leaves the bar selected";
    QTest::keyClick(qbar, Qt::Key_Escape);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !qbar->hasFocus(); }, 2000));
    EXPECT_TRUE(drain().empty()) << "a key reached the window while the bar held the keyboard";
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

// What the screen shows of a window's client area: the offscreen platform
// keeps each window's picture as it was painted.
QImage on_screen(ws::window w) {
    QWidget* client = client_of(w);
    QWidget* frame = client->window();
    const QPoint at = client->mapTo(frame, QPoint(0, 0));
    return QGuiApplication::primaryScreen()
        ->grabWindow(frame->winId(), at.x(), at.y(), client->width(), client->height())
        .toImage()
        .convertToFormat(QImage::Format_RGB32);
}

bool screen_shows_surface(ws::window w) {
    const ws::pixels px = ws::image_pixels(ws::window_surface(w));
    const QImage shown = on_screen(w);
    if (shown.width() != px.width || shown.height() != px.height) return false;
    for (int row = 0; row < px.height; ++row)
        for (int column = 0; column < px.width; ++column)
            if ((shown.pixel(column, row) & 0xFFFFFFu) != (px.bits[row * px.stride + column] & 0xFFFFFFu))
                return false;
    return true;
}

// Only what changed is sent to the screen: every change, however small and
// wherever it lies, shows, and so does a surface changed and changed back.
TEST(QtBackend, TheScreenShowsEveryChangeOfAWindowsSurface) {
    ws::window w = make_window();
    ws::show_window(w, ws::SW_SHOWNORMAL);
    QTest::qWait(20);
    const ws::pixels px = ws::image_pixels(ws::window_surface(w));
    ASSERT_GT(px.width, 10);
    for (int row = 0; row < px.height; ++row)
        for (int column = 0; column < px.width; ++column)
            px.bits[row * px.stride + column] = 0xFF000000u | static_cast<std::uint32_t>(row * 977 + column * 31);
    ws::present_now(w);
    EXPECT_TRUE(screen_shows_surface(w));

    auto set = [&](int column, int row, std::uint32_t value) { px.bits[row * px.stride + column] = value; };
    set(px.width - 1, px.height - 1, 0xFF0000FFu);  // one corner pixel
    ws::present_now(w);
    EXPECT_TRUE(screen_shows_surface(w));
    set(0, 0, 0xFF00FF00u);  // two far apart
    set(px.width - 2, 3, 0xFFFF0000u);
    ws::present_now(w);
    EXPECT_TRUE(screen_shows_surface(w));
    ws::present_now(w);  // nothing changed
    EXPECT_TRUE(screen_shows_surface(w));
    // Rows are compared a block of pixels at a time: changes on either side
    // of a block's edge, in rows of their own, and rows as they were between.
    for (int column : {15, 16, 17, 31, px.width - 17, px.width - 16, px.width - 15}) {
        set(column, 2 + column % 7, 0xFF00FFFFu - static_cast<std::uint32_t>(column));
        ws::present_now(w);
        EXPECT_TRUE(screen_shows_surface(w)) << column;
    }
    set(33, 1, 0xFF010203u);
    set(px.width - 40, px.height - 2, 0xFF030201u);
    set(20, px.height / 2, 0xFF0A0B0Cu);
    ws::present_now(w);
    EXPECT_TRUE(screen_shows_surface(w));

    // Through the scheduled update, a frame later.
    const std::uint32_t before = px.bits[5 * px.stride + 7];
    set(7, 5, 0xFF123456u);
    ws::surface_changed(w);
    set(7, 5, before);  // back before the screen was given it
    set(8, 6, 0xFF654321u);
    ws::surface_changed(w);
    QTest::qWait(60);
    EXPECT_TRUE(screen_shows_surface(w));
}

// Changes given to the screen one frame apart, and not painted yet because
// the event loop has not run since, are all painted by the next immediate
// presentation, though the surface has not changed again since.
TEST(QtBackend, AnImmediatePresentationPaintsEveryChangeGivenBeforeIt) {
    ws::window w = make_window();
    ws::show_window(w, ws::SW_SHOWNORMAL);
    QTest::qWait(20);
    const ws::pixels px = ws::image_pixels(ws::window_surface(w));
    ASSERT_GT(px.width, 40);
    ws::present_now(w);
    ASSERT_TRUE(screen_shows_surface(w));
    auto paint_block = [&](int left, std::uint32_t value) {
        for (int row = 2; row < 8; ++row)
            for (int column = left; column < left + 6; ++column) px.bits[row * px.stride + column] = value;
    };
    const auto a_frame_later = [] { std::this_thread::sleep_for(std::chrono::milliseconds(20)); };
    a_frame_later();
    paint_block(2, 0xFF0000FFu);
    ws::surface_changed(w);  // the first change of a frame goes to the screen at once
    a_frame_later();         // and so does the next one's
    paint_block(30, 0xFF00FF00u);
    ws::surface_changed(w);
    ws::present_now(w);  // nothing new since: what was given is painted all the same
    EXPECT_TRUE(screen_shows_surface(w)) << "changes given to the screen earlier were not painted";
    paint_block(16, 0xFFFF0000u);
    ws::present_now(w);
    EXPECT_TRUE(screen_shows_surface(w));
}

}  // namespace
