// The layer's core, in its menu model: the menu bar and the keyboard
// (backend.h, Menus) as a small state machine, the same on every platform. A
// backend whose system has no such rules of its own feeds it each key that
// reaches a window with a menu bar, or the bar, or its open menu, and does
// what it answers; what the bar looks like and how an open menu moves from
// item to item stay the backend's. It is a pure function of the state given:
// a backend keeps the state, and may set it from its own widgets' (a menu
// opened with the mouse) before each key.
#pragma once

namespace draxo::ws {

// Who has the keyboard, and the bar's highlighted title while it has.
struct menu_bar_keyboard {
    enum holder { window_holds, bar_holds, menu_open };
    holder held = window_holds;
    int title = 0;
    bool alt_alone = false;  // Alt is down and no other key came since it went down
};

// The keys the rules tell apart; a letter is `other` with the title whose
// mnemonic it is.
enum class menu_key { alt, f10, escape, down, up, enter, other };

struct menu_key_event {
    menu_key key = menu_key::other;
    bool down = true;         // pressed; false: released
    bool repeat = false;      // pressed again by the keyboard's auto-repeat
    bool alt = false;         // Alt held
    bool ctrl = false;        // Ctrl held
    bool shift = false;       // Shift, or another modifier than Alt and Ctrl, held
    int mnemonic_title = -1;  // the title whose mnemonic the key types, -1: none
};

enum class menu_bar_action {
    none,       // nothing at the bar
    select,     // the bar holds the keyboard, `title` highlighted, no menu open (an open one closes)
    open,       // `title`'s menu opens, its first item highlighted
    release,    // the bar gives the keyboard back to the window, its menu closed
    menus_own,  // the open menu's own key: it moves through its items, or chooses one
};

struct menu_bar_answer {
    menu_bar_action action = menu_bar_action::none;
    int title = 0;
    bool to_window = false;  // the key also reaches the window, as every key does while it holds the keyboard
};

// One key for the bar of `titles` titles (none: the window has no bar):
// what to do, and the state after it.
menu_bar_answer menu_bar_key(menu_bar_keyboard& state, const menu_key_event& key, int titles);

}  // namespace draxo::ws
