// The window-system layer's modal dialogs: reading templates, the commands a
// running dialog sends, control texts, and an owner that goes away.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <string>
#include <vector>

#include "support/dialog_driver.h"
#include "support/test_support.h"
#include "window_system/backend.h"

namespace ws = draxo::ws;
using draxo::test::dialog_driver;

namespace {

// Writes a dialog template the way a program lays one out in memory.
struct template_bytes {
    std::vector<unsigned char> bytes;
    template_bytes& word(unsigned value) {
        bytes.push_back(static_cast<unsigned char>(value & 0xFF));
        bytes.push_back(static_cast<unsigned char>((value >> 8) & 0xFF));
        return *this;
    }
    template_bytes& dword(std::uint32_t value) { return word(value & 0xFFFF).word(value >> 16); }
    template_bytes& text(const std::u16string& s) {
        for (char16_t c : s) word(c);
        return word(0);
    }
    template_bytes& align() {
        while (bytes.size() % 4) bytes.push_back(0);
        return *this;
    }
    // An item of a predefined class, 60 x 12 units, placed by its id.
    template_bytes& item(std::uint32_t style, unsigned id, unsigned atom, const std::u16string& title) {
        align().dword(style).dword(0).word(5).word(id * 4 - 35).word(60).word(12).word(id);
        return word(0xFFFF).word(atom).text(title).word(0);
    }
};

constexpr std::uint32_t child = ws::WS_CHILD | ws::WS_VISIBLE | ws::WS_TABSTOP;
constexpr std::uint32_t dialog_style = 0x90C80080;

// A one-line field (10), a multi-line field that wants Enter (11), a push
// button (20) and the default button (21).
std::vector<unsigned char> form_template() {
    template_bytes t;
    t.dword(dialog_style).dword(0).word(4).word(10).word(20).word(160).word(80).word(0).word(0).text(u"Form");
    t.item(child | ws::WS_BORDER, 10, ws::CONTROL_EDIT, u"start");
    t.item(child | ws::ES_MULTILINE | ws::ES_WANTRETURN, 11, ws::CONTROL_EDIT, u"");
    t.item(child, 20, ws::CONTROL_BUTTON, u"Other");
    t.item(child | ws::BS_DEFPUSHBUTTON, 21, ws::CONTROL_BUTTON, u"Go");
    return t.bytes;
}

std::vector<std::pair<unsigned, ws::wparam>> dialog_messages;
ws::lparam init_value = 0;
ws::dialog current = nullptr;

ws::lresult recording_proc(ws::dialog d, unsigned id, ws::wparam wp, ws::lparam lp) {
    current = d;
    dialog_messages.emplace_back(id, wp);
    if (id == ws::WM_INITDIALOG) init_value = lp;
    return id == ws::WM_INITDIALOG;
}

ws::window make_owner() {
    draxo::test::open_window_system();
    ws::register_class("Owner", 0, ws::def_window_proc, 0xFFFFFF);
    ws::window w = ws::create_window("Owner", "Owner", ws::WS_CAPTION, 0, 0, 400, 300);
    ws::show_window(w, ws::SW_SHOWNORMAL);
    return w;
}

ws::lresult run(const std::vector<unsigned char>& t, ws::window owner) {
    dialog_messages.clear();
    return ws::dialog_box_indirect(t.data(), t.size(), owner, recording_proc, 1234);
}

TEST(DialogTemplate, ReadsFontNamedClassesAndCreationDataButNeverPastItsEnd) {
    template_bytes t;
    t.dword(dialog_style | ws::DS_SETFONT).dword(0).word(2).word(1).word(2).word(3).word(4);
    t.word(0).word(0).text(u"Title").word(9).text(u"Face");
    t.align().dword(child).dword(0).word(1).word(2).word(3).word(4).word(300).text(u"Named").word(0xFFFF).word(5);
    t.word(6).word(0xBEEF).word(0xBEEF);  // creation data: six bytes, the count included
    t.item(child, 301, ws::CONTROL_STATIC, u"last");

    ws::dialog_template parsed;
    ASSERT_TRUE(ws::parse_dialog_template(t.bytes.data(), t.bytes.size(), parsed));
    EXPECT_EQ(parsed.title, u"Title");
    EXPECT_EQ(parsed.point_size, 9);
    EXPECT_EQ(parsed.face, u"Face");
    ASSERT_EQ(parsed.items.size(), 2u);
    EXPECT_EQ(parsed.items[0].class_name, u"Named");
    EXPECT_EQ(parsed.items[0].text, u"");  // given as a resource number
    EXPECT_EQ(parsed.items[1].id, 301u);
    EXPECT_EQ(parsed.items[1].class_atom, ws::CONTROL_STATIC);
    EXPECT_EQ(parsed.items[1].text, u"last");
    for (std::size_t size = 0; size < t.bytes.size() - 1; ++size) {
        std::vector<unsigned char> cut(t.bytes.begin(), t.bytes.begin() + static_cast<long>(size));
        EXPECT_FALSE(ws::parse_dialog_template(cut.data(), cut.size(), parsed)) << size;
    }
}

TEST(ModalDialog, ReportsMinusOneWhenNoDialogCanBeShown) {
    std::vector<unsigned char> form = form_template();
    EXPECT_EQ(run(form, nullptr), -1);
    EXPECT_EQ(QApplication::instance(), nullptr);  // refused before touching the platform
    ws::window owner = make_owner();
    EXPECT_EQ(run(std::vector<unsigned char>(form.begin(), form.end() - 2), owner), -1);
    std::vector<unsigned char> list_box = form;
    list_box[form.size() - 10] = 0x83;  // the last item's class atom, before "Go" and two zero words
    EXPECT_EQ(run(list_box, owner), -1);
    ws::destroy_window(owner);
    EXPECT_EQ(run(form, owner), -1);
    EXPECT_TRUE(dialog_messages.empty());
}

TEST(ModalDialog, SendsCommandsForButtonsEnterEscapeAndTheCloseBoxUntilEnded) {
    ws::window owner = make_owner();
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
                        EXPECT_EQ(ws::get_dlg_item_text(current, 10, buffer, 3), 2);
                        EXPECT_STREQ(buffer, "st");
                        EXPECT_EQ(ws::get_dlg_item_text(current, 99, buffer, sizeof buffer), 0);
                        EXPECT_STREQ(buffer, "");
                        ws::end_dialog(current, 42);
                    }),
                });
    EXPECT_EQ(run(form_template(), owner), 42);
    EXPECT_TRUE(driver.finished());
    EXPECT_EQ(init_value, 1234);
    using m = std::pair<unsigned, ws::wparam>;
    EXPECT_EQ(dialog_messages, (std::vector<m>{{ws::WM_INITDIALOG, 0},
                                               {ws::WM_COMMAND, 21},
                                               {ws::WM_COMMAND, ws::IDCANCEL},
                                               {ws::WM_COMMAND, ws::IDCANCEL},
                                               {ws::WM_COMMAND, 20}}));
    EXPECT_EQ(draxo::test::top_level("Form"), nullptr);
}

TEST(ModalDialog, DestroyingTheOwnerEndsTheDialogWithoutAResult) {
    ws::window owner = make_owner();
    dialog_driver driver("Form",
                         {dialog_driver::act([owner](QWidget*) { ws::post_message(owner, ws::WM_CLOSE, 0, 0); })});
    EXPECT_EQ(run(form_template(), owner), 0);
    EXPECT_TRUE(driver.finished());
    EXPECT_FALSE(ws::is_window(owner));
    EXPECT_EQ(draxo::test::top_level("Form"), nullptr);
}

}  // namespace
