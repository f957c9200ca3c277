// The package over the Qt backend, under Qt's offscreen platform: the real
// windows and their geometry, the real Run menu, and real input reaching the
// event wait and the shortcuts.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QTest>
#include <QTimer>
#include <QWidget>

#include "console/console.h"
#include "events/event_support.h"
#include "events/graphics_window.h"
#include "events/run_menu.h"
#include "support/qt_support.h"
#include "window_system/qt/qt_backend.h"

namespace draxo {
namespace {

using test::next_event;

struct expected_item {
    bool separator;
    bool checked;
    bool grayed;
    const char* text;
};

// The Run menu as the user sees it (the last three lines' texts vary).
const expected_item expected_items[16] = {
    {false, false, false, "&Animate\tCtrl+A"},
    {false, false, false, "&Halt animation\tCtrl+H"},
    {false, false, false, "Advance one &frame\tCtrl+F"},
    {true, false, false, ""},
    {false, true, false, "&Logging\tCtrl+L"},
    {true, false, false, ""},
    {false, false, false, "&Record Script\tCtrl+R"},
    {false, false, false, "&Playback Script\tCtrl+P"},
    {false, false, false, "Play &One Script\tCtrl+O"},
    {true, false, false, ""},
    {false, false, false, "&Quit\tCtrl+Q"},
    {true, false, false, ""},
    {false, false, true, "DRAXO v2.2 July 1997"},
    {false, false, true, ""},
    {false, false, true, ""},
    {false, false, true, ""},
};

QWidget* drawing_client() { return ws::qt::native_of(package.drawing_window)->client(); }

class QtRunCommands : public ::testing::Test {
protected:
    void SetUp() override { test::open_quietly(); }
};

TEST(QtStart, OpensBothWindowsWithTheirTitlesGeometryAndTimer) {
    event_control.animation_running = true;
    event_control.single_step = true;
    test::open_package();
    EXPECT_FALSE(event_control.animation_running);
    EXPECT_FALSE(event_control.single_step);
    ASSERT_TRUE(ws::is_window(package.drawing_window));
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
    ws::rect client = ws::client_rect(package.drawing_window);
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
        if (m.id == ws::WM_TIMER && m.hwnd == package.drawing_window && m.w == timer_id) ticked = true;
        ws::dispatch_message(m);
    }
    EXPECT_TRUE(ticked);
}

TEST(QtRunMenu, TheRealMenuShowsTheSameItemsMarksAndGrayedLines) {
    test::open_package();
    QMenuBar* bar = test::top_level("DRAXO Graphics")->findChild<QMenuBar*>();
    ASSERT_NE(bar, nullptr);
    ASSERT_EQ(bar->actions().size(), 1);
    EXPECT_EQ(bar->actions().at(0)->text(), "&Run");
    QMenu* menu = bar->actions().at(0)->menu();
    ASSERT_NE(menu, nullptr);
    ASSERT_EQ(menu->actions().size(), 16);
    for (int i = 0; i < 16; ++i) {
        QAction* action = menu->actions().at(i);
        const expected_item& want = expected_items[i];
        EXPECT_EQ(action->isSeparator(), want.separator) << i;
        EXPECT_EQ(action->isChecked(), want.checked) << i;
        EXPECT_EQ(action->isEnabled(), !want.grayed) << i;
        if (i < 13) {
            EXPECT_EQ(action->text().toStdString(), want.text) << i;
        }
    }
}

TEST(QtEventWait, ClosingTheDrawingWindowEndsInQuitAndSoDoesEveryLaterWait) {
    test::open_package();
    test::pump_messages();
    ws::qt::native_of(package.drawing_window)->close();  // the close box
    EXPECT_EQ(next_event().kind, DRAXO_QUIT);
    EXPECT_FALSE(ws::is_window(package.drawing_window));
    // Nothing can come any more: a client that waits again is told to end
    // rather than left waiting for ever.
    EXPECT_EQ(next_event().kind, DRAXO_QUIT);
}

TEST(QtEventWait, TheRealTimerDeliversPeriodicEventsWhileAnimationRuns) {
    test::open_package();
    DRAXO_set_animation(DRAXO_ANIMATE_RUN);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(next_event().kind, DRAXO_PERIODIC);
}

TEST(QtEventWait, SleepsUntilRealInputArrivesAndReportsItInLogicalCoordinates) {
    test::open_quietly();
    QTimer::singleShot(50, [] {
        QTest::mouseClick(drawing_client(), Qt::RightButton, Qt::NoModifier, QPoint(1, 1));
        QTest::mouseClick(drawing_client(), Qt::LeftButton, Qt::NoModifier,
                          QPoint(display.origin_x + 10, display.origin_y - 20));
    });
    test::event e = next_event();  // the right button gives nothing
    EXPECT_EQ(e.kind, DRAXO_MOUSE);
    EXPECT_EQ(e.x, 10);
    EXPECT_EQ(e.y, 20);
}

TEST(QtEventWait, ADoubleClickIsTwoMouseEvents) {
    test::open_quietly();
    QWidget* frame = ws::qt::native_of(package.drawing_window);
    QTest::mouseDClick(frame->windowHandle(), Qt::LeftButton, Qt::NoModifier,
                       drawing_client()->mapTo(frame, QPoint(display.origin_x - 4, display.origin_y - 6)));
    test::event first = next_event(), second = next_event();
    EXPECT_EQ(first.kind, DRAXO_MOUSE);
    EXPECT_EQ(second.kind, DRAXO_MOUSE);
    EXPECT_EQ(second.x, -4);
    EXPECT_EQ(second.y, 6);
}

TEST(QtEventWait, TypedKeysBecomeKeyEventsButNotWhileCtrlIsHeld) {
    test::open_quietly();
    QKeyEvent e_acute(QEvent::KeyPress, Qt::Key_Eacute, Qt::NoModifier, QString(QChar(0xE9)));
    QApplication::sendEvent(drawing_client(), &e_acute);
    test::event e = next_event();
    EXPECT_EQ(e.kind, DRAXO_KBD);
    EXPECT_EQ(e.key, static_cast<char>(0xE9 - 256));

    QTest::keyPress(drawing_client(), Qt::Key_Control);
    QTest::keyClick(drawing_client(), Qt::Key_X, Qt::ControlModifier);
    QTest::keyRelease(drawing_client(), Qt::Key_Control);
    QTest::keyClick(drawing_client(), Qt::Key_Y);
    e = next_event();
    EXPECT_EQ(e.kind, DRAXO_KBD);
    EXPECT_EQ(e.key, 'y');
}

// Game input from Qt's own events: arrows and their releases with the
// modifiers Qt gave, a typed letter that tells its key, a right-button drag
// with its moves and release, and the focus leaving with a key held.
TEST(QtGameInput, RealKeysGiveTheSameCodesAndEventsAsEveryPlatform) {
    test::open_quietly();
    DRAXO_set_input(DRAXO_INPUT_KEYS);
    QKeyEvent left(QEvent::KeyPress, Qt::Key_Left, Qt::ShiftModifier);  // Shift held before the program asked
    QApplication::sendEvent(drawing_client(), &left);
    QTest::keyRelease(drawing_client(), Qt::Key_Left);
    QTest::keyPress(drawing_client(), Qt::Key_W);
    QTest::keyPress(drawing_client(), Qt::Key_F1);
    EXPECT_EQ(next_event().kind, DRAXO_KEY_PRESS);
    EXPECT_EQ(DRAXO_event_key_code(), DRAXO_KEY_LEFT);
    EXPECT_EQ(DRAXO_event_modifiers(), DRAXO_SHIFT);
    EXPECT_EQ(next_event().kind, DRAXO_KEY_RELEASE);
    EXPECT_EQ(DRAXO_event_key_code(), DRAXO_KEY_LEFT);
    EXPECT_EQ(next_event().key, 'w');
    EXPECT_EQ(DRAXO_event_key_code(), 'W');
    EXPECT_EQ(next_event().kind, DRAXO_KEY_PRESS);
    EXPECT_EQ(DRAXO_event_key_code(), DRAXO_KEY_F1);
    EXPECT_EQ(DRAXO_key_is_down('W') + DRAXO_key_is_down(DRAXO_KEY_F1), 2);
    ws::native_focus_changed(package.drawing_window, nullptr);
    EXPECT_EQ(next_event().kind, DRAXO_KEY_RELEASE);
    EXPECT_EQ(next_event().kind, DRAXO_KEY_RELEASE);
    EXPECT_EQ(DRAXO_key_is_down('W') + DRAXO_key_is_down(DRAXO_KEY_F1), 0);
}

TEST(QtGameInput, ARealDragGivesPressMovesAndRelease) {
    test::open_quietly();
    DRAXO_set_input(DRAXO_INPUT_MOUSE);
    QWidget* client = drawing_client();
    const QPoint start(display.origin_x + 10, display.origin_y - 20);
    QTest::mousePress(client, Qt::RightButton, Qt::NoModifier, start);
    QMouseEvent move(QEvent::MouseMove, QPointF(start + QPoint(5, 5)),
                     client->mapToGlobal(QPointF(start + QPoint(5, 5))), Qt::NoButton, Qt::RightButton,
                     Qt::NoModifier);
    QApplication::sendEvent(client, &move);
    QTest::mouseRelease(client, Qt::RightButton, Qt::NoModifier, start + QPoint(5, 5));
    test::event e = next_event();
    EXPECT_EQ(e.kind, DRAXO_MOUSE);
    EXPECT_EQ(DRAXO_event_button(), DRAXO_BUTTON_RIGHT);
    e = next_event();
    EXPECT_EQ(e.kind, DRAXO_MOUSE_MOVE);
    EXPECT_EQ(e.x, 15);
    EXPECT_EQ(e.y, 15);
    EXPECT_EQ(DRAXO_event_buttons(), 2);
    e = next_event();
    EXPECT_EQ(e.kind, DRAXO_MOUSE_RELEASE);
    EXPECT_EQ(DRAXO_event_buttons(), 0);
}

TEST_F(QtRunCommands, CtrlQFromRealKeysQuitsWithoutAKeyEvent) {
    QWidget* client = ws::qt::native_of(package.drawing_window)->client();
    QTest::keyClick(client, Qt::Key_Q, Qt::ControlModifier);
    EXPECT_EQ(test::next_event().kind, DRAXO_QUIT);
}

TEST_F(QtRunCommands, ShortcutsWorkFromTheConsoleWindowToo) {
    QWidget* console_area = ws::qt::native_of(console.console_window)->client();
    QTest::keyClick(console_area, Qt::Key_L, Qt::ControlModifier);
    QTest::keyClick(console_area, Qt::Key_Z);  // a plain key typed into the console
    test::event e = test::next_event();
    EXPECT_FALSE(console.logging);
    EXPECT_EQ(e.kind, DRAXO_KBD);
    EXPECT_EQ(e.key, 'z');
}

TEST(QtRunMenu, ChoosingAnItemPostsItsCommandAndLeavesTheMarkToThePackage) {
    test::open_package();
    test::pump_messages();
    QMenu* menu = test::top_level("DRAXO Graphics")->findChild<QMenuBar*>()->actions().at(0)->menu();
    QAction* playback = menu->actions().at(7);
    playback->trigger();
    EXPECT_FALSE(playback->isChecked());  // only the package sets marks
    ws::message m;
    ASSERT_TRUE(ws::peek_message(m));
    EXPECT_EQ(m.hwnd, package.drawing_window);
    EXPECT_EQ(m.id, ws::WM_COMMAND);
    EXPECT_EQ(m.w, static_cast<ws::wparam>(CMD_PLAYBACK_SCRIPT));
    set_run_menu_check(CMD_PLAYBACK_SCRIPT, true);
    EXPECT_TRUE(playback->isChecked());
}

// F10 selects the bar without opening its menu, as on Windows; Down opens
// the menu, and F10 gives the keyboard back to the window.
TEST(QtRunMenu, F10SelectsTheBarDownOpensTheRunMenuAndF10LeavesIt) {
    test::open_package();
    test::pump_messages();
    QWidget* client = drawing_client();
    auto* bar = client->parentWidget()->findChild<QMenuBar*>();
    ASSERT_NE(bar, nullptr);
    QTest::keyClick(client, Qt::Key_F10);
    test::pump_messages();
    EXPECT_EQ(QApplication::activePopupWidget(), nullptr);
    EXPECT_TRUE(bar->hasFocus());
    ASSERT_NE(bar->activeAction(), nullptr);
    EXPECT_EQ(bar->activeAction()->text(), "&Run");

    QTest::keyClick(bar, Qt::Key_Down);
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(menu->actions().size(), 16);

    QTest::keyClick(menu, Qt::Key_F10);
    test::pump_messages();
    EXPECT_EQ(QApplication::activePopupWidget(), nullptr);
    EXPECT_FALSE(bar->hasFocus());
    EXPECT_EQ(bar->activeAction(), nullptr);
}

TEST(QtText, ATabIsTheFontsGlyphNotATabStop) {
    test::open_package();
    ws::font f = ws::create_font(-20, 400, "DRAXO-font");
    int one = ws::text_extent(f, "\t", 1).cx, four = ws::text_extent(f, "\t\t\t\t", 4).cx;
    int a = ws::text_extent(f, "a", 1).cx;
    ws::delete_font(f);
    EXPECT_GT(one, 0);
    EXPECT_LE(one, 2 * a);          // one glyph's width, nowhere near a tab stop
    EXPECT_NEAR(four, 4 * one, 2);  // and each tab as wide as the next
}

}  // namespace
}  // namespace draxo
