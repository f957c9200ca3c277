// DRAXO_gets over the Qt backend: the real dialog driven the way a user
// would, with the drawing window still served underneath.
#include <gtest/gtest.h>

#include <QApplication>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QWindow>
#include <cstdint>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "console/gets_dialog.h"
#include "events/event_control.h"
#include "support/dialog_driver.h"
#include "support/qt_support.h"
#include "support/test_support.h"
#include "surface/display.h"
#include "window_system/qt/qt_backend.h"

namespace draxo {
namespace {

using test::dialog_driver;

struct gets_run {
    int result = -1;
    std::string text;
    bool all_steps_done = false;
};
// Runs DRAXO_gets while the steps act on its dialog; the buffer starts as 255 '#'.
gets_run run_gets_steps(std::vector<dialog_driver::step> steps) {
    dialog_driver driver("DRAXO_gets", std::move(steps));
    char buffer[gets_result_size];
    std::memset(buffer, '#', sizeof buffer - 1);
    buffer[gets_result_size - 1] = '\0';
    gets_run run;
    run.result = DRAXO_gets("Name?", buffer);
    run.text = buffer;
    run.all_steps_done = driver.finished();
    return run;
}
gets_run run_gets(std::function<void(QWidget*)> action) {
    return run_gets_steps({dialog_driver::act(std::move(action))});
}

QPlainTextEdit* edit_of(QWidget* dialog) { return dialog->findChild<QPlainTextEdit*>(); }
QPushButton* okay_of(QWidget* dialog) { return dialog->findChild<QPushButton*>(); }

TEST(QtGets, ReturnsWhatTheFieldHoldsWhenOkayOrEnterIsPressed) {
    test::open_package();
    gets_run run = run_gets([](QWidget* d) { okay_of(d)->click(); });
    EXPECT_EQ(run.result, 1);
    EXPECT_EQ(run.text, "");

    run = run_gets([](QWidget* d) {
        EXPECT_EQ(QApplication::focusWidget(), edit_of(d));  // the field has the focus from the start
        QTest::keyClicks(edit_of(d), "Hello, w");
        QTest::sendKeyEvent(QTest::Click, edit_of(d), Qt::Key_unknown, QString(QChar(0xF6)), Qt::NoModifier);
        QTest::sendKeyEvent(QTest::Click, edit_of(d), Qt::Key_unknown, QString(QChar(0x20AC)), Qt::NoModifier);
        QTest::keyClick(edit_of(d), Qt::Key_Return);
    });
    EXPECT_EQ(run.result, 1);
    EXPECT_EQ(run.text, "Hello, w\xF6?");  // no Latin-1 code for the euro sign

    run = run_gets([](QWidget* d) {
        EXPECT_TRUE(edit_of(d)->toPlainText().isEmpty());  // a fresh field each time
        QTest::keyClicks(edit_of(d), "first");
        QTest::keyClick(edit_of(d), Qt::Key_Return, Qt::ControlModifier);
        QTest::keyClicks(edit_of(d), "second");
        QTest::keyClick(edit_of(d), Qt::Key_Return);
    });
    EXPECT_EQ(run.text, "first\r\nsecond");

    QString typed;
    for (int i = 0; i < 300; ++i) typed += QChar(i % 7 == 6 ? '\n' : 'a' + i % 26);
    run = run_gets([&](QWidget* d) {
        edit_of(d)->setPlainText(typed);
        okay_of(d)->click();
    });
    std::string expected = typed.toStdString();
    for (std::size_t at = expected.find('\n'); at != std::string::npos; at = expected.find('\n', at + 2))
        expected.insert(at, "\r");
    EXPECT_EQ(run.text, expected.substr(0, 255));
}

TEST(QtGets, EscapeAndTheCloseBoxLeaveTheDialogOpen) {
    test::open_package();
    gets_run run = run_gets_steps({dialog_driver::act([](QWidget* d) {
                                       QTest::keyClicks(edit_of(d), "kept");
                                       QTest::keyClick(edit_of(d), Qt::Key_Escape);
                                   }),
                                   dialog_driver::act([](QWidget* d) { d->close(); }),
                                   dialog_driver::act([](QWidget* d) { okay_of(d)->click(); })});
    EXPECT_TRUE(run.all_steps_done);  // each step found the dialog still open
    EXPECT_EQ(run.text, "kept");
}

ws::window_proc drawing_proc = nullptr;
int timer_messages = 0, paint_messages = 0, presses = 0;
ws::lresult watching_proc(ws::window w, unsigned id, ws::wparam wp, ws::lparam lp) {
    timer_messages += id == ws::WM_TIMER;
    paint_messages += id == ws::WM_PAINT;
    presses += id == ws::WM_LBUTTONDOWN;
    return drawing_proc(w, id, wp, lp);
}

TEST(QtGets, TheDrawingWindowRepaintsAndTicksButTakesNoInputMeanwhile) {
    test::open_package();
    drawing_proc = package.drawing_window->proc;
    package.drawing_window->proc = watching_proc;
    ws::qt::FrameWindow* frame = ws::qt::native_of(package.drawing_window);
    auto* bar = frame->findChild<QMenuBar*>();
    QPoint run_title = bar->mapTo(frame, bar->actionGeometry(bar->actions().at(0)).center());
    gets_run outcome =
        run_gets_steps({dialog_driver::act([&](QWidget*) {
                            timer_messages = paint_messages = presses = 0;
                            display.frame_dirty = 1;
                            ws::invalidate(package.drawing_window);
                            QTest::mouseClick(frame->windowHandle(), Qt::LeftButton, Qt::NoModifier, run_title);
                            EXPECT_EQ(QApplication::activePopupWidget(), nullptr);  // the menu stays shut
                            QTest::mouseClick(frame->client(), Qt::LeftButton, Qt::NoModifier, QPoint(30, 40));
                        }),
                        [](QWidget*) { return timer_messages >= 2 && paint_messages >= 1; },
                        dialog_driver::act([](QWidget* d) { okay_of(d)->click(); })});
    EXPECT_EQ(outcome.result, 1);
    EXPECT_EQ(event_control.tick_arrived, 1);  // the ticks were marked for the event wait
    EXPECT_EQ(display.frame_dirty, 0);         // the paint copied the frame buffer
    EXPECT_EQ(presses, 0);
    QTest::mouseClick(frame->client(), Qt::LeftButton, Qt::NoModifier, QPoint(30, 40));
    test::pump_messages();
    EXPECT_EQ(presses, 1);  // input again once the dialog has closed
}

TEST(QtGets, AQuitWhileTheDialogIsOpenClosesItAndIsKeptForTheEventWait) {
    test::open_package();
    gets_run run = run_gets([](QWidget* d) {
        QTest::keyClicks(edit_of(d), "unsent");
        ws::post_quit_message(0);
    });
    EXPECT_EQ(run.result, 0);
    EXPECT_EQ(run.text, std::string(gets_result_size - 1, '#'));
    EXPECT_EQ(test::top_level("DRAXO_gets"), nullptr);
    int x, y;
    char key;
    EXPECT_EQ(DRAXO_next_event(&x, &y, &key), DRAXO_QUIT);
}

}  // namespace
}  // namespace draxo
