// The Qt backend's dialogs: real controls from a template, with Enter
// pressing the default button, a multi-line field that keeps Enter, Escape
// and the close box asking the procedure, and line breaks read as "\r\n".
#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <string>
#include <vector>

#include "support/dialog_driver.h"
#include "support/dialog_template_bytes.h"
#include "support/qt_support.h"
#include "support/test_support.h"
#include "window_system/backend.h"

namespace ws = draxo::ws;
using draxo::test::dialog_driver;
using draxo::test::form_template;

namespace {

std::vector<std::pair<unsigned, ws::wparam>> dialog_messages;
ws::dialog current = nullptr;

ws::lresult recording_proc(ws::dialog d, unsigned id, ws::wparam wp, ws::lparam) {
    current = d;
    dialog_messages.emplace_back(id, wp);
    return id == ws::WM_INITDIALOG;
}

TEST(QtDialog, SendsCommandsForButtonsEnterEscapeAndTheCloseBoxUntilEnded) {
    ws::window owner = draxo::test::make_dialog_owner();
    dialog_driver driver(
        "Form", {
                    dialog_driver::act([](QWidget* d) {
                        auto* line = qobject_cast<QLineEdit*>(QApplication::focusWidget());  // the first tab stop
                        ASSERT_NE(line, nullptr);
                        QTest::keyClick(line, Qt::Key_Return);  // presses the default button
                        auto* lines = d->findChild<QPlainTextEdit*>();
                        QTest::keyClicks(lines, "a");
                        QTest::keyClick(lines, Qt::Key_Return);  // this field keeps Enter
                        QTest::keyClicks(lines, "b");
                        QTest::keyClick(lines, Qt::Key_Escape);
                        d->close();
                        d->findChildren<QPushButton*>().at(0)->click();
                    }),
                    dialog_driver::act([](QWidget*) {
                        char buffer[8];
                        EXPECT_EQ(ws::get_dlg_item_text(current, 11, buffer, sizeof buffer), 4);
                        EXPECT_STREQ(buffer, "a\r\nb");
                        ws::end_dialog(current, 42);
                    }),
                });
    std::vector<unsigned char> form = form_template();
    dialog_messages.clear();
    EXPECT_EQ(ws::dialog_box_indirect(form.data(), form.size(), owner, recording_proc, 0), 42);
    EXPECT_TRUE(driver.finished());
    using m = std::pair<unsigned, ws::wparam>;
    EXPECT_EQ(dialog_messages, (std::vector<m>{{ws::WM_INITDIALOG, 0},
                                               {ws::WM_COMMAND, 21},
                                               {ws::WM_COMMAND, ws::IDCANCEL},
                                               {ws::WM_COMMAND, ws::IDCANCEL},
                                               {ws::WM_COMMAND, 20}}));
    EXPECT_EQ(draxo::test::top_level("Form"), nullptr);
}

}  // namespace
