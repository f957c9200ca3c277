// The Run menu's commands and their Ctrl shortcuts, from the menu, from
// posted key messages and from real keys in either window.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>

#include "console/console.h"
#include "events/event_support.h"
#include "events/run_menu.h"
#include "events/script.h"
#include "support/null_support.h"
#include "support/scratch_directory.h"

namespace draxo {
namespace {

bool checked(unsigned command) {
    for (int i = 0; i < ws::menu_item_count(event_control.run_menu); ++i) {
        ws::menu_item item = ws::menu_item_at(event_control.run_menu, i);
        if (item.id == command && !(item.flags & ws::MF_SEPARATOR)) return item.flags & ws::MF_CHECKED;
    }
    return false;
}

void command(unsigned id) {
    test::post(ws::WM_COMMAND, id);
    test::pump_messages();
}

void key_down(unsigned vk) {
    test::post(ws::WM_KEYDOWN, vk, 1);
    test::pump_messages();
}

void key_up(unsigned vk) {
    test::post(ws::WM_KEYUP, vk, static_cast<ws::lparam>(0xC0000001u));
    test::pump_messages();
}

class RunCommands : public test::InScratchDirectory {
protected:
    void SetUp() override {
        InScratchDirectory::SetUp();
        test::open_quietly();
    }
};

TEST_F(RunCommands, AnimationCommandsSetTheirFlags) {
    command(CMD_ANIMATE);
    EXPECT_TRUE(event_control.animation_running);
    command(CMD_ADVANCE_FRAME);
    EXPECT_FALSE(event_control.animation_running);
    EXPECT_TRUE(event_control.single_step);
    command(CMD_ANIMATE);
    command(CMD_HALT);
    EXPECT_FALSE(event_control.animation_running);
    EXPECT_TRUE(event_control.single_step);  // Halt leaves a requested step alone
    for (unsigned id : {CMD_ANIMATE, CMD_HALT, CMD_ADVANCE_FRAME}) EXPECT_FALSE(checked(id));
}

TEST_F(RunCommands, LoggingTogglesWithItsMarkAndLeavesTheConsoleAlone) {
    DRAXO_show_console(0);
    command(CMD_LOGGING);
    EXPECT_FALSE(console.logging);
    EXPECT_FALSE(checked(CMD_LOGGING));
    command(CMD_LOGGING);
    EXPECT_TRUE(console.logging);
    EXPECT_TRUE(checked(CMD_LOGGING));
    EXPECT_FALSE(ws::window_visible(console.console_window));
}

TEST_F(RunCommands, RecordingTogglesWithoutOpeningAFileUntilAnEventComes) {
    command(CMD_RECORD_SCRIPT);
    EXPECT_TRUE(event_control.recording);
    EXPECT_TRUE(checked(CMD_RECORD_SCRIPT));
    EXPECT_FALSE(std::filesystem::exists(script_file_name));
    command(CMD_RECORD_SCRIPT);
    EXPECT_FALSE(event_control.recording);
    EXPECT_FALSE(checked(CMD_RECORD_SCRIPT));
    EXPECT_FALSE(std::filesystem::exists(script_file_name));
}

TEST_F(RunCommands, PlaybackAndPlayOneStopTheAnimation) {
    command(CMD_ANIMATE);
    DRAXO_set_animation(DRAXO_ANIMATE_STEP);
    command(CMD_PLAYBACK_SCRIPT);
    EXPECT_TRUE(event_control.playing);
    EXPECT_TRUE(checked(CMD_PLAYBACK_SCRIPT));
    EXPECT_FALSE(event_control.animation_running);
    EXPECT_FALSE(event_control.single_step);
    event_control.script_file = std::tmpfile();
    event_control.script_file_mode = script_mode::reading;
    command(CMD_PLAYBACK_SCRIPT);
    EXPECT_FALSE(event_control.playing);
    EXPECT_FALSE(checked(CMD_PLAYBACK_SCRIPT));
    EXPECT_EQ(event_control.script_file, nullptr);  // switching playback off closes the file

    command(CMD_ANIMATE);
    command(CMD_PLAY_ONE);
    EXPECT_TRUE(event_control.play_one);
    EXPECT_FALSE(event_control.animation_running);
    EXPECT_FALSE(checked(CMD_PLAY_ONE));
}

TEST_F(RunCommands, QuitPostsTheQuitMessageAndOtherIdsDoNothing) {
    for (unsigned id : {0u, 9u, 10u, 0xFFFFu}) command(id);
    EXPECT_FALSE(event_control.animation_running);
    EXPECT_TRUE(console.logging);
    EXPECT_FALSE(event_control.recording || event_control.playing || event_control.play_one ||
                 event_control.single_step);
    test::post(ws::WM_COMMAND, CMD_QUIT);
    EXPECT_EQ(test::next_event().kind, DRAXO_QUIT);
}

TEST_F(RunCommands, ShortcutsActOnlyWhileCtrlIsDown) {
    key_down('L');
    EXPECT_TRUE(console.logging);
    key_down(ws::VK_CONTROL);
    EXPECT_EQ(event_control.ctrl_down, 1);
    key_down(ws::VK_CONTROL);  // auto-repeat keeps it down
    key_down('L');
    EXPECT_FALSE(console.logging);
    key_down('L');  // a held Ctrl+L repeats the command
    EXPECT_TRUE(console.logging);
    key_down('A');
    EXPECT_TRUE(event_control.animation_running);
    key_down('H');
    EXPECT_FALSE(event_control.animation_running);
    key_down('F');
    EXPECT_TRUE(event_control.single_step);
    key_down('R');
    EXPECT_TRUE(event_control.recording);
    key_down('R');
    EXPECT_FALSE(event_control.recording);
    key_down('O');
    EXPECT_TRUE(event_control.play_one);
    key_down('P');
    EXPECT_TRUE(event_control.playing);
    key_down('B');  // no command
    key_down(ws::VK_F1);
    key_up('L');
    EXPECT_EQ(event_control.ctrl_down, 1);  // only a Ctrl release counts
    key_up(ws::VK_CONTROL);
    EXPECT_EQ(event_control.ctrl_down, 0);
    test::post(ws::WM_KEYDOWN, 'Q', 1);  // a plain Q quits nothing
    ws::message m;
    ASSERT_TRUE(ws::peek_message(m));
    ws::dispatch_message(m);
    while (ws::peek_message(m)) {
        EXPECT_NE(m.id, ws::WM_QUIT);
        ws::dispatch_message(m);
    }
}

TEST_F(RunCommands, CtrlQFromTheKeyboardQuitsWithoutAKeyEvent) {
    test::inject_key_down(package.drawing_window, ws::VK_CONTROL);
    test::inject_key_down(package.drawing_window, 'Q', 0x11);  // Ctrl+Q types a control character
    EXPECT_EQ(test::next_event().kind, DRAXO_QUIT);
}

TEST_F(RunCommands, ShortcutsWorkFromTheConsoleWindowToo) {
    ws::window text = console.console_window;
    test::inject_key_down(text, ws::VK_CONTROL);
    test::inject_key_down(text, 'L', 0x0C);
    test::inject_key_up(text, 'L');
    test::inject_key_up(text, ws::VK_CONTROL);
    test::inject_typed(text, 'z');  // a plain key typed into the console
    test::event e = test::next_event();
    EXPECT_FALSE(console.logging);
    EXPECT_EQ(e.kind, DRAXO_KBD);
    EXPECT_EQ(e.key, 'z');
}

TEST_F(RunCommands, F10HandsTheMenuBarTheKeyboard) {
    ws::null::inject(ws::message{package.drawing_window, ws::WM_SYSKEYDOWN, ws::VK_F10, 1, -1});
    test::pump_messages();
    EXPECT_EQ(ws::null::menu_activations(package.drawing_window), 1);
    ws::null::inject(ws::message{console.console_window, ws::WM_SYSKEYDOWN, ws::VK_F10, 1, -1});
    test::pump_messages();  // the console has no menu bar
    EXPECT_EQ(ws::null::menu_activations(console.console_window), 0);
}

TEST_F(RunCommands, CtrlHeldWhileTheFocusWasAwayCountsWhenItComesBack) {
    key_down(ws::VK_CONTROL);
    ws::native_focus_changed(package.drawing_window, nullptr);  // to another program
    EXPECT_EQ(event_control.ctrl_down, 0);
    ws::null::set_key_held(ws::VK_CONTROL, true);  // still held when the focus returns
    ws::native_focus_changed(nullptr, console.console_window);
    EXPECT_EQ(event_control.ctrl_down, 1);
    key_down('L');
    EXPECT_FALSE(console.logging);  // the shortcut, not a control character
    ws::null::set_key_held(ws::VK_CONTROL, false);
    ws::native_focus_changed(console.console_window, package.drawing_window);
    EXPECT_EQ(event_control.ctrl_down, 0);
}

TEST_F(RunCommands, LosingTheFocusOutsideThePackageReleasesCtrl) {
    key_down(ws::VK_CONTROL);
    test::post(ws::WM_KILLFOCUS, reinterpret_cast<ws::wparam>(console.console_window));
    test::pump_messages();
    EXPECT_EQ(event_control.ctrl_down, 1);  // still within the package
    ws::post_message(console.console_window, ws::WM_KILLFOCUS, 0, 0);
    test::pump_messages();
    EXPECT_EQ(event_control.ctrl_down, 0);
    test::post(ws::WM_CHAR, 'k');
    EXPECT_EQ(test::next_event().key, 'k');  // typed characters are no longer dropped
}

}  // namespace
}  // namespace draxo
