// The Run menu as built when the drawing window is created.
#include "events/run_menu.h"

#include <gtest/gtest.h>

#include "support/test_support.h"
#include "surface/display.h"
#include "window_system/backend.h"

namespace draxo {
namespace {

struct expected_item {
    unsigned id;
    const char* text;
    unsigned flags;
};

const expected_item expected_items[16] = {
    {1, "&Animate\tCtrl+A", ws::MF_STRING},
    {2, "&Halt animation\tCtrl+H", ws::MF_STRING},
    {3, "Advance one &frame\tCtrl+F", ws::MF_STRING},
    {0, "", ws::MF_SEPARATOR},
    {4, "&Logging\tCtrl+L", ws::MF_STRING | ws::MF_CHECKED},
    {0, "", ws::MF_SEPARATOR},
    {5, "&Record Script\tCtrl+R", ws::MF_STRING},
    {6, "&Playback Script\tCtrl+P", ws::MF_STRING},
    {7, "Play &One Script\tCtrl+O", ws::MF_STRING},
    {0, "", ws::MF_SEPARATOR},
    {8, "&Quit\tCtrl+Q", ws::MF_STRING},
    {0, "", ws::MF_SEPARATOR},
    {9, "DRAXO v2.2 July 1997", ws::MF_STRING | ws::MF_GRAYED},
    {9, "MAC: ", ws::MF_STRING | ws::MF_GRAYED},
    {9, "WINDOWS: ", ws::MF_STRING | ws::MF_GRAYED},
    {9, "UPDATES: ", ws::MF_STRING | ws::MF_GRAYED},
};

TEST(RunMenu, HoldsTheSixteenItemsInOrder) {
    test::open_package();
    ws::menu bar = ws::window_menu(package.drawing_window);
    ASSERT_EQ(ws::menu_item_count(bar), 1);
    ws::menu_item run_item = ws::menu_item_at(bar, 0);
    EXPECT_EQ(run_item.text, "&Run");
    EXPECT_EQ(run_item.flags, ws::MF_POPUP);
    EXPECT_EQ(run_item.popup, event_control.run_menu);

    ASSERT_EQ(ws::menu_item_count(event_control.run_menu), 16);
    for (int i = 0; i < 16; ++i) {
        ws::menu_item item = ws::menu_item_at(event_control.run_menu, i);
        const expected_item& want = expected_items[i];
        EXPECT_EQ(item.id, want.id) << i;
        EXPECT_EQ(item.flags, want.flags) << i;
        if (i >= 13) {
            // A label, then a maintainer's e-mail address.
            EXPECT_EQ(item.text.rfind(want.text, 0), 0u) << item.text;
            EXPECT_NE(item.text.find('@'), std::string::npos) << item.text;
        } else {
            EXPECT_EQ(item.text, want.text) << i;
        }
    }
}

TEST(RunMenu, ChecksFollowTheirCommandsAndChoosingPostsTheCommand) {
    test::open_package();
    test::pump_messages();
    set_run_menu_check(CMD_RECORD_SCRIPT, true);
    set_run_menu_check(CMD_LOGGING, false);
    EXPECT_EQ(ws::menu_item_at(event_control.run_menu, 6).flags & ws::MF_CHECKED, ws::MF_CHECKED);
    EXPECT_EQ(ws::menu_item_at(event_control.run_menu, 4).flags & ws::MF_CHECKED, 0u);

    ws::native_menu_command(event_control.run_menu, CMD_PLAYBACK_SCRIPT);
    ws::message m;
    ASSERT_TRUE(ws::peek_message(m));
    EXPECT_EQ(m.hwnd, package.drawing_window);
    EXPECT_EQ(m.id, ws::WM_COMMAND);
    EXPECT_EQ(m.w, static_cast<ws::wparam>(CMD_PLAYBACK_SCRIPT));
    EXPECT_EQ(ws::menu_item_at(event_control.run_menu, 7).flags & ws::MF_CHECKED,
              0u);  // only the package sets marks
}

}  // namespace
}  // namespace draxo
