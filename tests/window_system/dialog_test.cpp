// The window-system layer's modal dialogs, on the null backend: reading
// templates, refusing what cannot be shown, the modal loop delivering the
// controls' commands until the procedure ends it, control texts, and an
// owner that goes away.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/dialog_template_bytes.h"
#include "support/null_support.h"
#include "support/test_support.h"
#include "window_system/backend.h"

namespace ws = draxo::ws;
namespace null = draxo::ws::null;
using draxo::test::child;
using draxo::test::dialog_style;
using draxo::test::form_template;
using draxo::test::template_bytes;

namespace {

std::vector<std::pair<unsigned, ws::wparam>> dialog_messages;
ws::lparam init_value = 0;

ws::lresult recording_proc(ws::dialog, unsigned id, ws::wparam wp, ws::lparam lp) {
    dialog_messages.emplace_back(id, wp);
    if (id == ws::WM_INITDIALOG) init_value = lp;
    return id == ws::WM_INITDIALOG;
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
    ws::window owner = draxo::test::make_dialog_owner();
    EXPECT_EQ(run(std::vector<unsigned char>(form.begin(), form.end() - 2), owner), -1);
    std::vector<unsigned char> list_box = form;
    list_box[form.size() - 10] = 0x83;  // the last item's class atom, before "Go" and two zero words
    EXPECT_EQ(run(list_box, owner), -1);
    ws::destroy_window(owner);
    EXPECT_EQ(run(form, owner), -1);
    EXPECT_TRUE(dialog_messages.empty());
}

TEST(ModalDialog, DeliversCommandsAndKeepsTheQueueFlowingUntilTheProcedureEndsIt) {
    ws::window owner = draxo::test::make_dialog_owner();
    int owner_commands = 0;
    ws::register_class(
        "Counting", 0,
        [](ws::window w, unsigned id, ws::wparam wp, ws::lparam lp) -> ws::lresult {
            if (id == ws::WM_COMMAND) ++*reinterpret_cast<int*>(wp);
            return ws::def_window_proc(w, id, wp, lp);
        },
        0xFFFFFF);
    ws::window other = ws::create_window("Counting", "Other", ws::WS_CAPTION, 0, 0, 100, 100);
    null::schedule(10, [&] {
        ws::dialog d = null::open_dialog();
        ASSERT_NE(d, nullptr);
        ws::post_message(other, ws::WM_COMMAND, reinterpret_cast<ws::wparam>(&owner_commands), 0);
        null::set_control_text(d, 11, "a\r\nb");
        null::dialog_command(d, 21);
        null::dialog_command(d, ws::IDCANCEL);  // neither Escape nor the close box ends it
        char buffer[8];
        EXPECT_EQ(ws::get_dlg_item_text(d, 11, buffer, sizeof buffer), 4);
        EXPECT_STREQ(buffer, "a\r\nb");
        EXPECT_EQ(ws::get_dlg_item_text(d, 10, buffer, 3), 2);
        EXPECT_STREQ(buffer, "st");
        EXPECT_EQ(ws::get_dlg_item_text(d, 99, buffer, sizeof buffer), 0);
        EXPECT_STREQ(buffer, "");
    });
    null::schedule(20, [] { ws::end_dialog(null::open_dialog(), 42); });
    EXPECT_EQ(run(form_template(), owner), 42);
    EXPECT_EQ(init_value, 1234);
    EXPECT_EQ(owner_commands, 1);  // the other window's message was dispatched meanwhile
    using m = std::pair<unsigned, ws::wparam>;
    EXPECT_EQ(dialog_messages,
              (std::vector<m>{{ws::WM_INITDIALOG, 0}, {ws::WM_COMMAND, 21}, {ws::WM_COMMAND, ws::IDCANCEL}}));
    EXPECT_EQ(null::open_dialog(), nullptr);
}

TEST(ModalDialog, TheOwnerTakesNoInputWhileTheDialogIsOpen) {
    ws::window owner = draxo::test::make_dialog_owner();
    null::schedule(10, [owner] {
        draxo::test::inject_press(owner, 5, 5);
        ws::native_close_requested(owner);
        ws::message m;
        EXPECT_FALSE(ws::peek_message(m));
        ws::end_dialog(null::open_dialog(), 1);
    });
    EXPECT_EQ(run(form_template(), owner), 1);
    draxo::test::inject_press(owner, 5, 5);  // and takes it again afterwards
    ws::message m;
    ASSERT_TRUE(ws::peek_message(m));
    EXPECT_EQ(m.id, ws::WM_LBUTTONDOWN);
}

TEST(ModalDialog, DestroyingTheOwnerEndsTheDialogWithoutAResult) {
    ws::window owner = draxo::test::make_dialog_owner();
    null::schedule(10, [owner] { ws::post_message(owner, ws::WM_CLOSE, 0, 0); });
    EXPECT_EQ(run(form_template(), owner), 0);
    EXPECT_FALSE(ws::is_window(owner));
    EXPECT_EQ(null::open_dialog(), nullptr);
}

TEST(ModalDialog, AQuitEndsTheDialogAndIsPutBackForTheNextTake) {
    ws::window owner = draxo::test::make_dialog_owner();
    null::schedule(10, [] { ws::post_quit_message(7); });
    EXPECT_EQ(run(form_template(), owner), 0);
    ws::message m;
    ASSERT_TRUE(ws::peek_message(m));
    EXPECT_EQ(m.id, ws::WM_QUIT);
    EXPECT_EQ(m.w, 7u);
}

}  // namespace
