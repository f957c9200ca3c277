// The menu bar's keyboard rules (ws_menu_keys.h): who holds the keyboard
// after each key, what the bar does and which keys still reach the window,
// for a bar of two titles whose mnemonics are R (title 0) and H (title 1).
#include <gtest/gtest.h>

#include "window_system/ws_menu_keys.h"

namespace ws = draxo::ws;

namespace {

using action = ws::menu_bar_action;
using ws::menu_key;
constexpr int titles = 2;

struct bar {
    ws::menu_bar_keyboard state;

    ws::menu_bar_answer press(menu_key key, int mnemonic = -1, bool alt = false, bool ctrl = false,
                              bool repeat = false) {
        ws::menu_key_event e;
        e.key = key;
        e.down = true;
        e.repeat = repeat;
        e.alt = alt || key == menu_key::alt;
        e.ctrl = ctrl;
        e.mnemonic_title = mnemonic;
        return ws::menu_bar_key(state, e, titles);
    }
    ws::menu_bar_answer release(menu_key key) {
        ws::menu_key_event e;
        e.key = key;
        e.down = false;
        return ws::menu_bar_key(state, e, titles);
    }
    ws::menu_bar_answer alt_alone() {
        press(menu_key::alt);
        return release(menu_key::alt);
    }
    ws::menu_bar_keyboard::holder held() const { return state.held; }
};

constexpr auto window_holds = ws::menu_bar_keyboard::window_holds;
constexpr auto bar_holds = ws::menu_bar_keyboard::bar_holds;
constexpr auto menu_open = ws::menu_bar_keyboard::menu_open;

TEST(MenuBarKeys, TheWindowGetsEveryKeyButAltWithAMnemonic) {
    bar b;
    for (menu_key key : {menu_key::other, menu_key::escape, menu_key::down, menu_key::enter, menu_key::f10}) {
        const ws::menu_bar_answer a = b.press(key);
        EXPECT_EQ(a.action, action::none);
        EXPECT_TRUE(a.to_window);
        EXPECT_TRUE(b.release(key).to_window);
    }
    EXPECT_EQ(b.held(), window_holds) << "F10 selects the bar through the window's own handling";
    // A letter that is a mnemonic, without Alt, is the window's too.
    EXPECT_TRUE(b.press(menu_key::other, 1).to_window);
    // Alt with it opens that title's menu, and the window does not get it.
    b.press(menu_key::alt);
    const ws::menu_bar_answer opened = b.press(menu_key::other, 1, true);
    EXPECT_EQ(opened.action, action::open);
    EXPECT_EQ(opened.title, 1);
    EXPECT_FALSE(opened.to_window);
    EXPECT_EQ(b.held(), menu_open);
    // Releasing Alt then is not Alt alone: the menu stays open.
    EXPECT_EQ(b.release(menu_key::alt).action, action::none);
    EXPECT_EQ(b.held(), menu_open);
}

TEST(MenuBarKeys, AltWithCtrlOrALetterThatIsNoMnemonicReachesTheWindow) {
    bar b;
    b.press(menu_key::alt);
    EXPECT_TRUE(b.press(menu_key::other, 0, true, true).to_window) << "Ctrl+Alt+R";
    b.press(menu_key::alt);
    EXPECT_TRUE(b.press(menu_key::other, -1, true).to_window) << "Alt+X";
    EXPECT_EQ(b.held(), window_holds);
}

TEST(MenuBarKeys, AltAloneSelectsTheFirstTitleAndStillReachesTheWindow) {
    bar b;
    EXPECT_TRUE(b.press(menu_key::alt).to_window);
    EXPECT_TRUE(b.press(menu_key::alt, -1, true, false, true).to_window);  // held down, repeating
    const ws::menu_bar_answer up = b.release(menu_key::alt);
    EXPECT_EQ(up.action, action::select);
    EXPECT_EQ(up.title, 0);
    EXPECT_TRUE(up.to_window);
    EXPECT_EQ(b.held(), bar_holds);
}

TEST(MenuBarKeys, AltIsNotAloneWithAnotherKeyOrModifier) {
    bar b;
    b.press(menu_key::alt);
    b.press(menu_key::other);
    EXPECT_EQ(b.release(menu_key::alt).action, action::none) << "a key between";
    b.press(menu_key::alt, -1, true, true);  // Ctrl held when Alt went down
    EXPECT_EQ(b.release(menu_key::alt).action, action::none);
    // A key released between does not count: only one pressed.
    b.press(menu_key::alt);
    b.release(menu_key::other);
    EXPECT_EQ(b.release(menu_key::alt).action, action::select);
}

TEST(MenuBarKeys, ABarWithoutTitlesTakesNothing) {
    ws::menu_bar_keyboard state;
    ws::menu_key_event alt;
    alt.key = menu_key::alt;
    ws::menu_bar_key(state, alt, 0);
    alt.down = false;
    const ws::menu_bar_answer a = ws::menu_bar_key(state, alt, 0);
    EXPECT_EQ(a.action, action::none);
    EXPECT_TRUE(a.to_window);
    EXPECT_EQ(state.held, window_holds);
}

// While the bar holds the keyboard, no key reaches the window.
TEST(MenuBarKeys, TheSelectedBarTakesEveryKeyAndOpensOrGivesItBack) {
    for (menu_key leave : {menu_key::escape, menu_key::f10}) {
        bar b;
        b.alt_alone();
        for (menu_key ignored : {menu_key::other}) {
            const ws::menu_bar_answer a = b.press(ignored, -1, false, true);  // Ctrl+Q among them
            EXPECT_EQ(a.action, action::none);
            EXPECT_FALSE(a.to_window);
            EXPECT_FALSE(b.release(ignored).to_window);
        }
        EXPECT_EQ(b.held(), bar_holds);
        EXPECT_EQ(b.press(leave).action, action::release);
        EXPECT_EQ(b.held(), window_holds);
    }
    for (menu_key opens : {menu_key::down, menu_key::up, menu_key::enter}) {
        bar b;
        b.alt_alone();
        const ws::menu_bar_answer a = b.press(opens);
        EXPECT_EQ(a.action, action::open);
        EXPECT_EQ(a.title, 0);
        EXPECT_EQ(b.held(), menu_open);
    }
    bar b;
    b.alt_alone();
    const ws::menu_bar_answer by_letter = b.press(menu_key::other, 1);
    EXPECT_EQ(by_letter.action, action::open);
    EXPECT_EQ(by_letter.title, 1);
    bar again;
    again.alt_alone();
    EXPECT_EQ(again.alt_alone().action, action::release) << "Alt alone gives the keyboard back";
    EXPECT_EQ(again.held(), window_holds);
}

TEST(MenuBarKeys, EscapeClosesTheOpenMenuAndLeavesItsTitleSelected) {
    bar b;
    b.press(menu_key::alt);
    b.press(menu_key::other, 1, true);
    b.release(menu_key::alt);
    for (menu_key own : {menu_key::down, menu_key::up, menu_key::enter, menu_key::other}) {
        const ws::menu_bar_answer a = b.press(own, 0);
        EXPECT_EQ(a.action, action::menus_own);
        EXPECT_FALSE(a.to_window);
    }
    const ws::menu_bar_answer escape = b.press(menu_key::escape);
    EXPECT_EQ(escape.action, action::select);
    EXPECT_EQ(escape.title, 1);
    EXPECT_EQ(b.held(), bar_holds);
    EXPECT_EQ(b.press(menu_key::escape).action, action::release);
}

TEST(MenuBarKeys, F10OrAltAloneLeaveAnOpenMenuAndTheBar) {
    for (bool by_f10 : {true, false}) {
        bar b;
        b.alt_alone();
        b.press(menu_key::down);
        ASSERT_EQ(b.held(), menu_open);
        const ws::menu_bar_answer a = by_f10 ? b.press(menu_key::f10) : b.alt_alone();
        EXPECT_EQ(a.action, action::release);
        EXPECT_FALSE(a.to_window);
        EXPECT_EQ(b.held(), window_holds);
        EXPECT_TRUE(b.press(menu_key::other).to_window) << "the window has the keyboard again";
    }
}

}  // namespace
