// The layer's core: the menu bar's keyboard rules (ws_menu_keys.h).
#include "ws_menu_keys.h"

namespace draxo::ws {
namespace {

menu_bar_answer answer(menu_bar_action action, int title = 0, bool to_window = false) {
    return menu_bar_answer{action, title, to_window};
}

// Alt pressed and released with no other key between is Alt alone. A key
// held down that repeats leaves it as it was.
bool alt_released_alone(menu_bar_keyboard& s, const menu_key_event& k) {
    if (k.key != menu_key::alt) {
        if (k.down) s.alt_alone = false;
        return false;
    }
    if (!k.down) {
        const bool alone = s.alt_alone;
        s.alt_alone = false;
        return alone;
    }
    if (!k.repeat) s.alt_alone = !(k.ctrl || k.shift);
    return false;
}

// The window has the keyboard: every key reaches it. Alt alone selects the
// bar, and Alt with a title's mnemonic opens that menu instead of reaching
// the window. (F10 reaches the window, whose default handling asks the
// backend to select the bar: backend::activate_menu_bar.)
menu_bar_answer window_key(menu_bar_keyboard& s, const menu_key_event& k, int titles) {
    const bool alone = alt_released_alone(s, k);
    if (titles <= 0) return answer(menu_bar_action::none, 0, true);
    if (alone) {
        s.held = menu_bar_keyboard::bar_holds;
        s.title = 0;
        return answer(menu_bar_action::select, 0, true);
    }
    if (k.down && k.alt && !k.ctrl && k.mnemonic_title >= 0 && k.mnemonic_title < titles) {
        s.held = menu_bar_keyboard::menu_open;
        s.title = k.mnemonic_title;
        return answer(menu_bar_action::open, s.title);
    }
    return answer(menu_bar_action::none, 0, true);
}

menu_bar_answer release(menu_bar_keyboard& s) {
    s.held = menu_bar_keyboard::window_holds;
    s.alt_alone = false;
    return answer(menu_bar_action::release);
}

}  // namespace

menu_bar_answer menu_bar_key(menu_bar_keyboard& s, const menu_key_event& k, int titles) {
    if (titles <= 0) s.held = menu_bar_keyboard::window_holds;  // a bar without titles holds nothing
    if (s.held == menu_bar_keyboard::window_holds) return window_key(s, k, titles);
    // The bar holds the keyboard: no key reaches the window. F10, or Alt
    // alone, gives it back, a menu open or not.
    if (alt_released_alone(s, k)) return release(s);
    if (!k.down || k.key == menu_key::alt) return answer(menu_bar_action::none, s.title);
    if (k.key == menu_key::f10) return release(s);
    if (s.held == menu_bar_keyboard::bar_holds) {
        switch (k.key) {
        case menu_key::escape: return release(s);
        case menu_key::down:
        case menu_key::up:
        case menu_key::enter: s.held = menu_bar_keyboard::menu_open; return answer(menu_bar_action::open, s.title);
        default:
            if (k.mnemonic_title < 0 || k.mnemonic_title >= titles) return answer(menu_bar_action::none, s.title);
            s.held = menu_bar_keyboard::menu_open;
            s.title = k.mnemonic_title;
            return answer(menu_bar_action::open, s.title);
        }
    }
    // A menu is open: Escape closes it and leaves the bar selected; the
    // other keys are the menu's.
    if (k.key == menu_key::escape) {
        s.held = menu_bar_keyboard::bar_holds;
        return answer(menu_bar_action::select, s.title);
    }
    return answer(menu_bar_action::menus_own, s.title);
}

}  // namespace draxo::ws
