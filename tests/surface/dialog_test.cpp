// The window-system layer's modal dialogs: reading templates, the controls
// and keys of a running dialog, control texts, and the windows around it.
#include <QApplication>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "support/dialog_driver.h"
#include "support/test_support.h"
#include "surface/qt/qt_backend.h"
#include "surface/window_system.h"

namespace ws = draxo::ws;
using draxo::test::dialog_driver;

namespace {

// Writes a dialog template the way a program lays one out in memory.
class template_bytes {
public:
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
    template_bytes& align4() {
        while (bytes.size() % 4) bytes.push_back(0);
        return *this;
    }
    template_bytes& header(std::uint32_t style, unsigned items, const std::u16string& title) {
        dword(style).dword(0).word(items).word(10).word(20).word(160).word(80);
        return word(0).word(0).text(title);
    }
    // An item whose class is a predefined atom.
    template_bytes& item(std::uint32_t style, int x, int y, int cx, int cy, unsigned id, unsigned atom,
                         const std::u16string& title) {
        align4().dword(style).dword(0).word(x).word(y).word(cx).word(cy).word(id);
        return word(0xFFFF).word(atom).text(title).word(0);
    }
};

constexpr std::uint32_t child = ws::WS_CHILD | ws::WS_VISIBLE;
constexpr std::uint32_t dialog_style = ws::WS_POPUP | ws::WS_VISIBLE | ws::WS_CAPTION | ws::WS_SYSMENU |
                                       ws::DS_MODALFRAME;

// A dialog with a one-line edit (10), a multi-line edit that wants Enter
// (11), a static text (12), a push button (20) and the default button (21).
std::vector<unsigned char> form_template() {
    template_bytes t;
    t.header(dialog_style, 5, u"Form");
    t.item(child | ws::WS_BORDER | ws::WS_TABSTOP, 5, 5, 100, 12, 10, ws::CONTROL_EDIT, u"start");
    t.item(child | ws::WS_BORDER | ws::WS_TABSTOP | ws::ES_MULTILINE | ws::ES_WANTRETURN, 5, 20, 100, 30, 11,
           ws::CONTROL_EDIT, u"");
    t.item(child | ws::SS_LEFT, 5, 55, 100, 8, 12, ws::CONTROL_STATIC, u"Caf\u00E9 \u20AC");
    t.item(child | ws::WS_TABSTOP, 5, 65, 40, 14, 20, ws::CONTROL_BUTTON, u"Other");
    t.item(child | ws::WS_TABSTOP | ws::BS_DEFPUSHBUTTON, 50, 65, 40, 14, 21, ws::CONTROL_BUTTON, u"Go");
    return t.bytes;
}

struct seen_message {
    unsigned id;
    ws::wparam w;
    ws::lparam l;
};
std::vector<seen_message> dialog_messages;
ws::dialog current = nullptr;

ws::lresult recording_dialog_proc(ws::dialog d, unsigned id, ws::wparam wp, ws::lparam lp) {
    current = d;
    dialog_messages.push_back({id, wp, lp});
    return id == ws::WM_INITDIALOG ? 1 : 0;
}

std::vector<ws::wparam> commands() {
    std::vector<ws::wparam> ids;
    for (const seen_message& m : dialog_messages)
        if (m.id == ws::WM_COMMAND) ids.push_back(m.w);
    return ids;
}

std::vector<seen_message> window_messages;
ws::lresult recording_window_proc(ws::window w, unsigned id, ws::wparam wp, ws::lparam lp) {
    if (id != ws::WM_PAINT) window_messages.push_back({id, wp, lp});
    return ws::def_window_proc(w, id, wp, lp);
}

int count_of(unsigned id) {
    int n = 0;
    for (const seen_message& m : window_messages) n += m.id == id;
    return n;
}

ws::window make_window(int x = 0, int y = 0) {
    ws::register_class("DialogTestClass", 0, recording_window_proc, 0xFFFFFF);
    ws::window w = ws::create_window("DialogTestClass", "Owner", ws::WS_CAPTION | ws::WS_SYSMENU, x, y, 400, 300);
    ws::show_window(w, ws::SW_SHOWNORMAL);
    return w;
}

ws::lresult run(const std::vector<unsigned char>& t, ws::window owner, ws::lparam init = 0) {
    dialog_messages.clear();
    return ws::dialog_box_indirect(t.data(), t.size(), owner, recording_dialog_proc, init);
}

TEST(DialogTemplate, ReadsFontNamedClassesResourceTextsAndSkipsCreationData) {
    template_bytes t;
    t.dword(dialog_style | ws::DS_SETFONT).dword(0).word(2).word(1).word(2).word(3).word(4);
    t.word(0).word(0xFFFF).word(0x7F).text(u"Title").word(9).text(u"Face");
    t.align4().dword(child).dword(7).word(11).word(12).word(13).word(14).word(300);
    t.text(u"Custom").word(0xFFFF).word(5);  // named class, text as a resource number
    t.word(6).word(0xBEEF).word(0xBEEF);     // creation data: six bytes, its count included
    t.item(child, 1, 2, 3, 4, 301, ws::CONTROL_STATIC, u"last");

    ws::dialog_template parsed;
    ASSERT_TRUE(ws::parse_dialog_template(t.bytes.data(), t.bytes.size(), parsed));
    EXPECT_EQ(parsed.style, dialog_style | ws::DS_SETFONT);
    EXPECT_EQ(parsed.x, 1);
    EXPECT_EQ(parsed.cy, 4);
    EXPECT_FALSE(parsed.has_menu);
    EXPECT_TRUE(parsed.has_class);
    EXPECT_EQ(parsed.title, u"Title");
    EXPECT_EQ(parsed.point_size, 9);
    EXPECT_EQ(parsed.face, u"Face");
    ASSERT_EQ(parsed.items.size(), 2u);
    EXPECT_EQ(parsed.items[0].ex_style, 7u);
    EXPECT_EQ(parsed.items[0].cy, 14);
    EXPECT_EQ(parsed.items[0].id, 300u);
    EXPECT_EQ(parsed.items[0].class_atom, 0u);
    EXPECT_EQ(parsed.items[0].class_name, u"Custom");
    EXPECT_EQ(parsed.items[0].text, u"");
    EXPECT_EQ(parsed.items[1].id, 301u);
    EXPECT_EQ(parsed.items[1].class_atom, ws::CONTROL_STATIC);
    EXPECT_EQ(parsed.items[1].text, u"last");

    // Every shorter buffer is refused, without reading past its end.
    for (std::size_t size = 0; size + 1 < t.bytes.size(); ++size) {
        std::vector<unsigned char> cut(t.bytes.begin(), t.bytes.begin() + static_cast<long>(size));
        EXPECT_FALSE(ws::parse_dialog_template(cut.data(), cut.size(), parsed)) << size;
    }
    // The extended format is not read.
    template_bytes extended;
    extended.word(1).word(0xFFFF).dword(0).dword(0).dword(dialog_style).word(0).word(0).word(0).word(10).word(10);
    extended.word(0).word(0).text(u"x");
    EXPECT_FALSE(ws::parse_dialog_template(extended.bytes.data(), extended.bytes.size(), parsed));
}

TEST(DialogBox, ReportsMinusOneWhenNoDialogCanBeShown) {
    std::vector<unsigned char> form = form_template();
    EXPECT_EQ(run(form, nullptr), -1);
    EXPECT_EQ(QApplication::instance(), nullptr);  // refused before touching the platform

    ws::window owner = make_window();
    EXPECT_EQ(ws::dialog_box_indirect(form.data(), form.size(), owner, nullptr, 0), -1);
    EXPECT_EQ(run(std::vector<unsigned char>(form.begin(), form.end() - 2), owner), -1);

    template_bytes list_box;
    list_box.header(dialog_style, 1, u"x").item(child, 0, 0, 10, 10, 1, 0x0083, u"");
    EXPECT_EQ(run(list_box.bytes, owner), -1);
    template_bytes with_menu;
    with_menu.dword(dialog_style).dword(0).word(0).word(0).word(0).word(10).word(10);
    with_menu.word(0xFFFF).word(1).word(0).text(u"x");
    EXPECT_EQ(run(with_menu.bytes, owner), -1);

    ws::window dead = make_window();
    ws::destroy_window(dead);
    EXPECT_EQ(run(form, dead), -1);
    EXPECT_TRUE(dialog_messages.empty());  // no procedure was ever called
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

TEST(DialogBox, InitialisesThenSendsCommandsForButtonsEnterEscapeAndTheCloseBox) {
    ws::window owner = make_window(30, 40);
    dialog_driver driver("Form", {
        dialog_driver::act([](QWidget* d) {
            ASSERT_FALSE(dialog_messages.empty());
            EXPECT_EQ(dialog_messages[0].id, ws::WM_INITDIALOG);
            EXPECT_EQ(dialog_messages[0].l, 1234);
            auto* line = qobject_cast<QLineEdit*>(QApplication::focusWidget());
            ASSERT_NE(line, nullptr);  // the first tab stop
            EXPECT_EQ(line->text(), "start");
            QTest::keyClick(line, Qt::Key_Return);  // the default button
            auto* lines = d->findChild<QPlainTextEdit*>();
            QTest::keyClicks(lines, "a");
            QTest::keyClick(lines, Qt::Key_Return);  // this one wants Enter for itself
            QTest::keyClicks(lines, "b");
            QTest::keyClick(lines, Qt::Key_Escape);
            d->close();
            for (QPushButton* button : d->findChildren<QPushButton*>())
                if (button->text() == "Other") button->click();
        }),
        dialog_driver::act([](QWidget* d) {
            EXPECT_TRUE(d->isVisible());
            EXPECT_EQ(commands(), (std::vector<ws::wparam>{21, ws::IDCANCEL, ws::IDCANCEL, 20}));
            for (const seen_message& m : dialog_messages) {
                if (m.id == ws::WM_COMMAND) {
                    EXPECT_EQ(m.l, 0);
                }
            }
            ws::end_dialog(current, 42);
        }),
    });
    EXPECT_EQ(run(form_template(), owner, 1234), 42);
    EXPECT_TRUE(driver.finished());
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    EXPECT_EQ(draxo::test::top_level("Form"), nullptr);
}

TEST(DialogBox, ControlTextsAreLatin1WithinTheLimit) {
    ws::window owner = make_window();
    dialog_driver driver("Form", {dialog_driver::act([](QWidget* d) {
                             auto* lines = d->findChild<QPlainTextEdit*>();
                             lines->setPlainText(QStringLiteral("one\ntwo"));
                             char buffer[16];
                             EXPECT_EQ(ws::get_dlg_item_text(current, 10, buffer, sizeof buffer), 5);
                             EXPECT_STREQ(buffer, "start");
                             EXPECT_EQ(ws::get_dlg_item_text(current, 10, buffer, 4), 3);
                             EXPECT_STREQ(buffer, "sta");
                             EXPECT_EQ(ws::get_dlg_item_text(current, 11, buffer, sizeof buffer), 8);
                             EXPECT_STREQ(buffer, "one\r\ntwo");
                             EXPECT_EQ(ws::get_dlg_item_text(current, 12, buffer, sizeof buffer), 6);
                             EXPECT_STREQ(buffer, "Caf\xE9 ?");
                             EXPECT_EQ(ws::get_dlg_item_text(current, 21, buffer, sizeof buffer), 2);
                             EXPECT_STREQ(buffer, "Go");
                             EXPECT_EQ(ws::get_dlg_item_text(current, 99, buffer, sizeof buffer), 0);
                             EXPECT_STREQ(buffer, "");
                             std::strcpy(buffer, "kept");
                             EXPECT_EQ(ws::get_dlg_item_text(current, 10, buffer, 1), 0);
                             EXPECT_STREQ(buffer, "");
                             std::strcpy(buffer, "kept");
                             EXPECT_EQ(ws::get_dlg_item_text(current, 10, buffer, 0), 0);
                             EXPECT_STREQ(buffer, "kept");
                             EXPECT_EQ(ws::get_dlg_item_text(current, 10, nullptr, 16), 0);
                             ws::end_dialog(current, 1);
                         })});
    EXPECT_EQ(run(form_template(), owner), 1);
    EXPECT_TRUE(driver.finished());
    // The handle is dead once the dialog has closed.
    char buffer[8] = "kept";
    EXPECT_EQ(ws::get_dlg_item_text(current, 10, buffer, sizeof buffer), 0);
    EXPECT_STREQ(buffer, "");
}

// Counts the mouse presses that reach a widget through the platform.
struct press_counter : QObject {
    int presses = 0;
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::MouseButtonPress) ++presses;
        return false;
    }
};

TEST(DialogBox, TheOwnerTakesNoInputWhileOtherWindowsAndPostedMessagesAreServed) {
    ws::window owner = make_window();
    ws::window other = make_window(420, 0);
    window_messages.clear();
    ws::set_timer(other, 5, 10);
    QWidget* owner_client = ws::qt::frame_of(owner)->client();
    QWidget* other_client = ws::qt::frame_of(other)->client();
    press_counter native;
    owner_client->installEventFilter(&native);
    dialog_driver driver("Form", {
        dialog_driver::act([&](QWidget*) {
            window_messages.clear();
            // Through the platform, a press on the owner is held back...
            QWindow* owner_native = ws::qt::frame_of(owner)->windowHandle();
            QTest::mouseClick(owner_native, Qt::LeftButton, Qt::NoModifier,
                              owner_client->mapTo(ws::qt::frame_of(owner), QPoint(5, 5)));
            EXPECT_EQ(native.presses, 0);
            // ...and one that reaches its client area anyway is dropped.
            QTest::mouseClick(owner_client, Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
            ws::qt::frame_of(owner)->close();                // the close box
            ws::post_message(owner, ws::WM_COMMAND, 77, 0);  // posted: still arrives
            QTest::mouseClick(other_client, Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
        }),
        [](QWidget*) { return count_of(ws::WM_TIMER) >= 2 && count_of(ws::WM_COMMAND) >= 1; },
        dialog_driver::act([](QWidget*) { ws::end_dialog(current, 1); }),
    });
    EXPECT_EQ(run(form_template(), owner), 1);
    EXPECT_TRUE(driver.finished());
    EXPECT_EQ(count_of(ws::WM_CLOSE), 0);
    EXPECT_EQ(count_of(ws::WM_LBUTTONDOWN), 1);  // the other window's
    ASSERT_EQ(count_of(ws::WM_COMMAND), 1);
    EXPECT_TRUE(ws::is_window(owner));
    ws::kill_timer(other, 5);

    // Afterwards the owner takes input again.
    window_messages.clear();
    QTest::mouseClick(owner_client, Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
    draxo::test::pump_messages();
    EXPECT_EQ(count_of(ws::WM_LBUTTONDOWN), 1);
}

TEST(DialogBox, AQuitEndsItWithZeroAndIsPutBackForTheNextTake) {
    ws::window owner = make_window();
    dialog_driver driver("Form", {dialog_driver::act([](QWidget*) { ws::post_quit_message(5); })});
    EXPECT_EQ(run(form_template(), owner), 0);
    EXPECT_TRUE(driver.finished());
    ws::message m;
    bool quit = false;
    while (!quit && ws::peek_message(m)) quit = m.id == ws::WM_QUIT && m.w == 5;
    EXPECT_TRUE(quit);
}

TEST(DialogBox, DestroyingTheOwnerEndsTheDialogWithoutAResult) {
    ws::window owner = make_window();
    dialog_driver driver("Form", {dialog_driver::act([owner](QWidget*) { ws::post_message(owner, ws::WM_CLOSE, 0, 0); })});
    EXPECT_EQ(run(form_template(), owner), 0);
    EXPECT_TRUE(driver.finished());
    EXPECT_FALSE(ws::is_window(owner));
    EXPECT_EQ(draxo::test::top_level("Form"), nullptr);
}

}  // namespace
