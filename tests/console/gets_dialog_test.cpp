// DRAXO_gets: the dialog template it writes, and the real dialog driven the
// way a user would, with the drawing window still served underneath.
#include "console/gets_dialog.h"

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

#include "events/run_state.h"
#include "support/dialog_driver.h"
#include "support/test_support.h"
#include "surface/display.h"
#include "window_system/qt/qt_backend.h"

namespace draxo {
namespace {

using test::dialog_driver;

std::vector<std::uint16_t> words_of(const char* prompt) {
    gets_template t;
    t.fill(0xAB);  // whatever the buffer held before must not show through
    build_gets_template(prompt, t);
    std::vector<std::uint16_t> words;
    for (std::size_t at = 0; at < t.size(); at += 2)
        words.push_back(static_cast<std::uint16_t>(t[at] | t[at + 1] << 8));
    return words;
}

void append(std::vector<std::uint16_t>& words, const std::string& text) {
    words.insert(words.end(), text.begin(), text.end());
}

TEST(GetsTemplate, IsThe292BytesOfTheDialogAndItsThreeItems) {
    // Dialog record: style, extended style, 3 items, x, y, cx, cy, no menu, no class, title.
    std::vector<std::uint16_t> expected = {0x0080, 0x90C8, 0, 0, 3, 50, 50, 185, 92, 0, 0};
    append(expected, "DRAXO_gets");
    // Each item at a 4-byte boundary (offsets 44, 72, 108): style, extended
    // style, x, y, cx, cy, id, class atom, text, no creation data.
    expected.insert(expected.end(), {0, 0x0044, 0x5081, 0, 0, 8, 30, 167, 37, 102, 0xFFFF, 0x0081, 0, 0});
    expected.insert(expected.end(), {0, 0x0001, 0x5001, 0, 0, 67, 74, 50, 14, 101, 0xFFFF, 0x0080});
    append(expected, "Okay");
    expected.insert(expected.end(), {0, 0, 0, 0x0000, 0x5002, 0, 0, 8, 3, 167, 24, 103, 0xFFFF, 0x0082});
    append(expected, "Name?" + std::string(74, ' '));
    expected.insert(expected.end(), {0, 0});
    ASSERT_EQ(expected.size() * 2, gets_template_size);
    EXPECT_EQ(words_of("Name?"), expected);
}

TEST(GetsTemplate, ThePromptIsExactly79CharactersInLatin1) {
    auto prompt_of = [](const char* prompt) {
        std::vector<std::uint16_t> words = words_of(prompt);
        return std::u16string(words.begin() + 65, words.end() - 2);  // item 3's text at byte 130
    };
    EXPECT_EQ(prompt_of(""), std::u16string(79, u' '));
    EXPECT_EQ(prompt_of(nullptr), std::u16string(79, u' '));
    std::string hundred;
    for (int i = 0; i < 100; ++i) hundred += static_cast<char>('A' + i % 26);
    EXPECT_EQ(prompt_of(hundred.c_str()), std::u16string(hundred.begin(), hundred.begin() + 79));
    // Bytes above 127 widen to their Latin-1 characters, not sign-extended.
    EXPECT_EQ(prompt_of("Caf\xE9\xFF").substr(0, 6), (std::u16string{u'C', u'a', u'f', 0x00E9, 0x00FF, u' '}));
}

TEST(Gets, BeforeThePackageIsOpenReturnsZeroAndLeavesTheBuffer) {
    char buffer[gets_result_size];
    std::memset(buffer, '#', sizeof buffer);
    EXPECT_EQ(DRAXO_gets("Name?", buffer), 0);
    EXPECT_EQ(std::string(buffer, sizeof buffer), std::string(sizeof buffer, '#'));
    EXPECT_EQ(QApplication::instance(), nullptr);  // nothing was opened on the way
}

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

TEST(Gets, ReturnsWhatTheFieldHoldsWhenOkayOrEnterIsPressed) {
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

TEST(Gets, EscapeAndTheCloseBoxLeaveTheDialogOpen) {
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

TEST(Gets, TheDrawingWindowRepaintsAndTicksButTakesNoInputMeanwhile) {
    test::open_package();
    drawing_proc = display.main_window->proc;
    display.main_window->proc = watching_proc;
    ws::qt::FrameWindow* frame = ws::qt::frame_of(display.main_window);
    auto* bar = frame->findChild<QMenuBar*>();
    QPoint run_title = bar->mapTo(frame, bar->actionGeometry(bar->actions().at(0)).center());
    gets_run outcome =
        run_gets_steps({dialog_driver::act([&](QWidget*) {
                            timer_messages = paint_messages = presses = 0;
                            display.frame_dirty = 1;
                            ws::invalidate(display.main_window);
                            QTest::mouseClick(frame->windowHandle(), Qt::LeftButton, Qt::NoModifier, run_title);
                            EXPECT_EQ(QApplication::activePopupWidget(), nullptr);  // the menu stays shut
                            QTest::mouseClick(frame->client(), Qt::LeftButton, Qt::NoModifier, QPoint(30, 40));
                        }),
                        [](QWidget*) { return timer_messages >= 2 && paint_messages >= 1; },
                        dialog_driver::act([](QWidget* d) { okay_of(d)->click(); })});
    EXPECT_EQ(outcome.result, 1);
    EXPECT_EQ(run.tick_arrived, 1);     // the ticks were marked for the event wait
    EXPECT_EQ(display.frame_dirty, 0);  // the paint copied the frame buffer
    EXPECT_EQ(presses, 0);
    QTest::mouseClick(frame->client(), Qt::LeftButton, Qt::NoModifier, QPoint(30, 40));
    test::pump_messages();
    EXPECT_EQ(presses, 1);  // input again once the dialog has closed
}

TEST(Gets, AQuitWhileTheDialogIsOpenClosesItAndIsKeptForTheEventWait) {
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
