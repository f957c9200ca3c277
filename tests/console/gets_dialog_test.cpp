// DRAXO_gets: the dialog template it writes, and the real dialog driven the
// way a user would, with the drawing window still served underneath.
#include <QApplication>
#include <QFontMetrics>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>

#include "console/gets_dialog.h"
#include "surface/display.h"
#include "surface/qt/qt_backend.h"
#include "support/dialog_driver.h"
#include "support/test_support.h"

namespace draxo {
namespace {

using test::dialog_driver;

std::uint16_t u16(const gets_template& t, std::size_t at) {
    return static_cast<std::uint16_t>(t[at] | (t[at + 1] << 8));
}
std::uint32_t u32(const gets_template& t, std::size_t at) {
    return u16(t, at) | (static_cast<std::uint32_t>(u16(t, at + 2)) << 16);
}
// The 16-bit characters from `at` up to (not including) the 16-bit zero.
std::u16string text16(const gets_template& t, std::size_t at) {
    std::u16string s;
    for (; at + 1 < t.size() && u16(t, at) != 0; at += 2) s.push_back(static_cast<char16_t>(u16(t, at)));
    return s;
}

// Offsets of the three item records: the dialog record ends at 44 (18 bytes
// of fields, no menu, no class, the title "DRAXO_gets" and its zero); items
// start on 4-byte boundaries after 26, 34 and 184 bytes.
constexpr std::size_t edit_at = 44, okay_at = 72, prompt_at = 108;

struct item_fields {
    std::uint32_t style, ex_style;
    int x, y, cx, cy;
    unsigned id, class_marker, class_atom;
};
item_fields item_at(const gets_template& t, std::size_t at) {
    return item_fields{u32(t, at),     u32(t, at + 4),  u16(t, at + 8),  u16(t, at + 10), u16(t, at + 12),
                       u16(t, at + 14), u16(t, at + 16), u16(t, at + 18), u16(t, at + 20)};
}

std::u16string prompt_text(const char* prompt) {
    gets_template t;
    build_gets_template(prompt, t);
    return text16(t, prompt_at + 22);
}

TEST(GetsTemplate, HoldsTheDialogRecordAndItsThreeItemsFieldByField) {
    gets_template t;
    t.fill(0xAB);  // every byte not written must come out zero
    build_gets_template("Name?", t);

    EXPECT_EQ(u32(t, 0), 0x90C80080u);
    EXPECT_EQ(u32(t, 4), 0u);
    EXPECT_EQ(u16(t, 8), 3u);
    EXPECT_EQ(u16(t, 10), 50u);
    EXPECT_EQ(u16(t, 12), 50u);
    EXPECT_EQ(u16(t, 14), 185u);
    EXPECT_EQ(u16(t, 16), 92u);
    EXPECT_EQ(u16(t, 18), 0u);  // menu
    EXPECT_EQ(u16(t, 20), 0u);  // class
    EXPECT_EQ(text16(t, 22), u"DRAXO_gets");
    EXPECT_EQ(u16(t, 42), 0u);

    item_fields edit = item_at(t, edit_at);
    EXPECT_EQ(edit.style, 0x50810044u);
    EXPECT_EQ(edit.ex_style, 0u);
    EXPECT_EQ(edit.x, 8);
    EXPECT_EQ(edit.y, 30);
    EXPECT_EQ(edit.cx, 167);
    EXPECT_EQ(edit.cy, 37);
    EXPECT_EQ(edit.id, 102u);
    EXPECT_EQ(edit.class_marker, 0xFFFFu);
    EXPECT_EQ(edit.class_atom, 0x0081u);
    EXPECT_EQ(u16(t, edit_at + 22), 0u);  // empty text
    EXPECT_EQ(u16(t, edit_at + 24), 0u);  // no creation data
    EXPECT_EQ(u16(t, edit_at + 26), 0u);  // padding to 72

    item_fields okay = item_at(t, okay_at);
    EXPECT_EQ(okay.style, 0x50010001u);
    EXPECT_EQ(okay.ex_style, 0u);
    EXPECT_EQ(okay.x, 67);
    EXPECT_EQ(okay.y, 74);
    EXPECT_EQ(okay.cx, 50);
    EXPECT_EQ(okay.cy, 14);
    EXPECT_EQ(okay.id, 101u);
    EXPECT_EQ(okay.class_marker, 0xFFFFu);
    EXPECT_EQ(okay.class_atom, 0x0080u);
    EXPECT_EQ(text16(t, okay_at + 22), u"Okay");
    EXPECT_EQ(u16(t, okay_at + 30), 0u);  // text's zero
    EXPECT_EQ(u16(t, okay_at + 32), 0u);  // no creation data
    EXPECT_EQ(u16(t, okay_at + 34), 0u);  // padding to 108

    item_fields prompt = item_at(t, prompt_at);
    EXPECT_EQ(prompt.style, 0x50020000u);
    EXPECT_EQ(prompt.ex_style, 0u);
    EXPECT_EQ(prompt.x, 8);
    EXPECT_EQ(prompt.y, 3);
    EXPECT_EQ(prompt.cx, 167);
    EXPECT_EQ(prompt.cy, 24);
    EXPECT_EQ(prompt.id, 103u);
    EXPECT_EQ(prompt.class_marker, 0xFFFFu);
    EXPECT_EQ(prompt.class_atom, 0x0082u);
    EXPECT_EQ(text16(t, prompt_at + 22), u"Name?" + std::u16string(74, u' '));
    EXPECT_EQ(u16(t, prompt_at + 22 + 158), 0u);  // text's zero
    EXPECT_EQ(u16(t, prompt_at + 22 + 160), 0u);  // no creation data: the last two bytes
    EXPECT_EQ(prompt_at + 22 + 162, gets_template_size);

    // Nothing else is written: every byte outside the fields above is zero.
    gets_template again;
    build_gets_template("Name?", again);
    EXPECT_EQ(t, again);
}

TEST(GetsTemplate, ThePromptIsAlwaysExactly79Characters) {
    EXPECT_EQ(prompt_text(""), std::u16string(79, u' '));
    EXPECT_EQ(prompt_text(nullptr), std::u16string(79, u' '));
    std::string hundred;
    for (int i = 0; i < 100; ++i) hundred += static_cast<char>('A' + i % 26);
    std::u16string first79(hundred.begin(), hundred.begin() + 79);
    EXPECT_EQ(prompt_text(hundred.c_str()), first79);
    std::string exact(79, 'x');
    EXPECT_EQ(prompt_text(exact.c_str()), std::u16string(79, u'x'));
}

TEST(GetsTemplate, PromptBytesAbove127AreTheirLatin1Characters) {
    std::u16string shown = prompt_text("Caf\xE9 \xFF\x80?");
    EXPECT_EQ(shown.substr(0, 8), (std::u16string{u'C', u'a', u'f', 0x00E9, u' ', 0x00FF, 0x0080, u'?'}));
}

TEST(Gets, BeforeThePackageIsOpenReturnsZeroAndLeavesTheBuffer) {
    char buffer[gets_result_size];
    std::memset(buffer, '#', sizeof buffer);
    EXPECT_EQ(DRAXO_gets("Name?", buffer), 0);
    for (char c : buffer) ASSERT_EQ(c, '#');
    EXPECT_EQ(QApplication::instance(), nullptr);  // nothing was opened on the way
    EXPECT_EQ(DRAXO_gets("Name?", nullptr), 0);
}

// Runs DRAXO_gets while the steps act on its dialog.
struct gets_run {
    int result = -1;
    std::string text;
    bool all_steps_done = false;
};
gets_run run_gets(const char* prompt, std::vector<dialog_driver::step> steps) {
    dialog_driver driver("DRAXO_gets", std::move(steps));
    char buffer[gets_result_size];
    std::memset(buffer, '#', sizeof buffer);
    buffer[gets_result_size - 1] = '\0';
    gets_run run;
    run.result = DRAXO_gets(prompt, buffer);
    run.text = buffer;
    run.all_steps_done = driver.finished();
    return run;
}

// A key that types a character beyond ASCII.
void type_character(QWidget* widget, char16_t code) {
    QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_unknown, QString(QChar(code)), Qt::NoModifier);
}

QPlainTextEdit* edit_of(QWidget* dialog) { return dialog->findChild<QPlainTextEdit*>(); }
QPushButton* okay_of(QWidget* dialog) { return dialog->findChild<QPushButton*>(); }

TEST(Gets, OkayWithAnEmptyFieldStoresAnEmptyText) {
    test::open_package();
    gets_run run = run_gets("Name?", {dialog_driver::act([](QWidget* d) { okay_of(d)->click(); })});
    EXPECT_TRUE(run.all_steps_done);
    EXPECT_EQ(run.result, 1);
    EXPECT_EQ(run.text, "");
}

TEST(Gets, TypedTextComesBackAndEnterPressesOkay) {
    test::open_package();
    gets_run run = run_gets("Name?", {dialog_driver::act([](QWidget* d) {
                                          // The edit field has the focus from the start.
                                          EXPECT_EQ(QApplication::focusWidget(), edit_of(d));
                                          QTest::keyClicks(edit_of(d), "Hello, w");
                                          type_character(edit_of(d), 0xF6);    // o with diaeresis
                                          QTest::keyClicks(edit_of(d), "rld ");
                                          type_character(edit_of(d), 0x20AC);  // no Latin-1 code
                                          QTest::keyClick(edit_of(d), Qt::Key_Return);
                                      })});
    EXPECT_TRUE(run.all_steps_done);
    EXPECT_EQ(run.result, 1);
    EXPECT_EQ(run.text, "Hello, w\xF6rld ?");
    // The edit field starts empty every time; the buffer's old text is not shown.
    run = run_gets("Again?", {dialog_driver::act([](QWidget* d) {
                                  EXPECT_TRUE(edit_of(d)->toPlainText().isEmpty());
                                  QTest::keyClicks(edit_of(d), "two");
                                  okay_of(d)->click();
                              })});
    EXPECT_EQ(run.text, "two");
}

TEST(Gets, ThreeHundredCharactersComeBackAsTheFirst255) {
    test::open_package();
    QString typed;
    for (int i = 0; i < 300; ++i) typed += QChar('0' + i % 10);
    gets_run run = run_gets("Long?", {dialog_driver::act([&](QWidget* d) {
                                          edit_of(d)->setPlainText(typed);
                                          okay_of(d)->click();
                                      })});
    EXPECT_EQ(run.result, 1);
    EXPECT_EQ(run.text, typed.left(255).toStdString());
}

TEST(Gets, SeveralLinesComeBackWithCarriageReturnLineFeedBreaks) {
    test::open_package();
    gets_run run = run_gets("Lines?", {dialog_driver::act([](QWidget* d) {
                                           QTest::keyClicks(edit_of(d), "first");
                                           QTest::keyClick(edit_of(d), Qt::Key_Return, Qt::ControlModifier);
                                           QTest::keyClicks(edit_of(d), "second");
                                           QTest::keyClick(edit_of(d), Qt::Key_Return, Qt::ControlModifier);
                                           QTest::keyClick(edit_of(d), Qt::Key_Return);
                                       })});
    EXPECT_EQ(run.result, 1);
    EXPECT_EQ(run.text, "first\r\nsecond\r\n");
    // Breaks count against the limit like any character.
    QString many;
    for (int i = 0; i < 100; ++i) many += QStringLiteral("ab\n");
    run = run_gets("Lines?", {dialog_driver::act([&](QWidget* d) {
                                  edit_of(d)->setPlainText(many);
                                  okay_of(d)->click();
                              })});
    std::string expected;
    for (int i = 0; i < 100; ++i) expected += "ab\r\n";
    EXPECT_EQ(run.text, expected.substr(0, 255));
}

TEST(Gets, EscapeAndTheCloseBoxLeaveTheDialogOpen) {
    test::open_package();
    gets_run run = run_gets("Stay?", {dialog_driver::act([](QWidget* d) {
                                          QTest::keyClicks(edit_of(d), "kept");
                                          QTest::keyClick(edit_of(d), Qt::Key_Escape);
                                      }),
                                      dialog_driver::act([](QWidget* d) { d->close(); }),
                                      dialog_driver::act([](QWidget* d) {
                                          EXPECT_TRUE(d->isVisible());
                                          okay_of(d)->click();
                                      })});
    EXPECT_TRUE(run.all_steps_done);  // each step found the dialog still open
    EXPECT_EQ(run.result, 1);
    EXPECT_EQ(run.text, "kept");
}

TEST(Gets, ShowsThePromptCaptionAndControlsInDialogUnitsOverTheDrawingWindow) {
    test::open_package();
    gets_run run = run_gets("Caf\xE9 menu:", {dialog_driver::act([](QWidget* d) {
                                                  QLabel* label = d->findChild<QLabel*>();
                                                  ASSERT_NE(label, nullptr);
                                                  EXPECT_EQ(label->text().toLatin1().toStdString(),
                                                            "Caf\xE9 menu:" + std::string(69, ' '));
                                                  EXPECT_EQ(okay_of(d)->text(), "Okay");
                                                  EXPECT_EQ(d->windowTitle(), "DRAXO_gets");

                                                  QFontMetrics metrics(d->font());
                                                  int bx = metrics.averageCharWidth(), by = metrics.height();
                                                  auto px = [&](int x, int y, int cx, int cy) {
                                                      return QRect(x * bx / 4, y * by / 8, cx * bx / 4, cy * by / 8);
                                                  };
                                                  EXPECT_EQ(d->size(), px(0, 0, 185, 92).size());
                                                  EXPECT_EQ(edit_of(d)->geometry(), px(8, 30, 167, 37));
                                                  EXPECT_EQ(okay_of(d)->geometry(), px(67, 74, 50, 14));
                                                  EXPECT_EQ(label->geometry(), px(8, 3, 167, 24));
                                                  QWidget* client = ws::qt::frame_of(main_window)->client();
                                                  EXPECT_EQ(d->pos(), client->mapToGlobal(px(50, 50, 0, 0).topLeft()));
                                                  okay_of(d)->click();
                                              })});
    EXPECT_TRUE(run.all_steps_done);
}

// Watches what the drawing window's procedure is given while a dialog is open.
ws::window_proc drawing_proc = nullptr;
int timer_messages = 0, paint_messages = 0, presses = 0;
ws::lresult watching_proc(ws::window w, unsigned id, ws::wparam wp, ws::lparam lp) {
    if (id == ws::WM_TIMER) ++timer_messages;
    if (id == ws::WM_PAINT) ++paint_messages;
    if (id == ws::WM_LBUTTONDOWN) ++presses;
    return drawing_proc(w, id, wp, lp);
}

TEST(Gets, TheDrawingWindowRepaintsAndTicksButTakesNoInputMeanwhile) {
    test::open_package();
    test::pump_messages();
    drawing_proc = main_window->proc;
    main_window->proc = watching_proc;
    QWidget* client = ws::qt::frame_of(main_window)->client();
    gets_run run = run_gets("Wait?", {dialog_driver::act([&](QWidget*) {
                                          timer_messages = paint_messages = presses = 0;
                                          QTest::mouseClick(client, Qt::LeftButton, Qt::NoModifier, QPoint(30, 40));
                                          frame_dirty = 1;
                                          ws::invalidate(main_window);
                                      }),
                                      [](QWidget*) { return timer_messages >= 2 && paint_messages >= 1; },
                                      dialog_driver::act([](QWidget* d) { okay_of(d)->click(); })});
    EXPECT_TRUE(run.all_steps_done);
    EXPECT_EQ(run.result, 1);
    EXPECT_EQ(frame_dirty, 0);  // the paint copied the frame buffer
    EXPECT_EQ(presses, 0);
    // Once the dialog has closed the drawing window takes input again.
    QTest::mouseClick(client, Qt::LeftButton, Qt::NoModifier, QPoint(30, 40));
    test::pump_messages();
    EXPECT_EQ(presses, 1);
    main_window->proc = drawing_proc;
}

TEST(Gets, AQuitWhileTheDialogIsOpenClosesItAndIsKeptForTheEventWait) {
    test::open_package();
    gets_run run = run_gets("Quit?", {dialog_driver::act([](QWidget* d) {
                                          QTest::keyClicks(edit_of(d), "unsent");
                                          ws::post_quit_message(0);
                                      })});
    EXPECT_TRUE(run.all_steps_done);
    EXPECT_EQ(run.result, 0);
    EXPECT_EQ(run.text, std::string(gets_result_size - 1, '#'));  // untouched
    EXPECT_EQ(test::top_level("DRAXO_gets"), nullptr);
    ws::message m;
    bool quit_seen = false;
    while (ws::peek_message(m) && !quit_seen) quit_seen = m.id == ws::WM_QUIT;
    EXPECT_TRUE(quit_seen);
}

}  // namespace
}  // namespace draxo
