// Web backend: menu bars and popups built from the layer's menu model. The
// page draws them and gives them the keyboard as backend.h (Menus) says:
// opened with the mouse or Alt and a mnemonic letter, the bar selected by F10
// (activate_menu_bar) or Alt alone, the arrow keys, Enter and Escape, by the
// core's rules (ws_menu_keys.h), which the page asks here. A check mark
// changes only when the package sets it.
#include "web_backend.h"

#define DRAXO_WEB_EXPORT(name) __attribute__((export_name(#name)))

// The menu bar's keyboard rules for the page (runtime/page_menus.mjs; the
// page asks through the program's worker), one key at a time: who holds the
// keyboard (0 the window, 1 the bar, 2 its open menu), the highlighted title
// and whether Alt is alone, and the key (its menu_key, and in `flags`
// pressed 1, repeated 2, Alt 4, Ctrl 8, another modifier 16). The answer:
// the action (bits 0-2), the key reaches the window (bit 3), who holds the
// keyboard after it (bits 4-5), Alt is alone (bit 6), the title (from bit 8).
// It reads and changes nothing of the program's, so that the page may ask
// while the program waits.
extern "C" DRAXO_WEB_EXPORT(draxo_web_menu_bar_key) int draxo_web_menu_bar_key(int held, int title, int alt_alone,
                                                                               int key, int flags,
                                                                               int mnemonic_title, int titles) {
    using namespace draxo::ws;
    menu_bar_keyboard state;
    state.held = static_cast<menu_bar_keyboard::holder>(held < 0 || held > 2 ? 0 : held);
    state.title = title;
    state.alt_alone = alt_alone != 0;
    menu_key_event e;
    e.key = static_cast<menu_key>(
        key < 0 || key > static_cast<int>(menu_key::other) ? static_cast<int>(menu_key::other) : key);
    e.down = flags & 1;
    e.repeat = flags & 2;
    e.alt = flags & 4;
    e.ctrl = flags & 8;
    e.shift = flags & 16;
    e.mnemonic_title = mnemonic_title;
    const menu_bar_answer answer = menu_bar_key(state, e, titles);
    return static_cast<int>(answer.action) | (answer.to_window ? 8 : 0) | (static_cast<int>(state.held) << 4) |
           (state.alt_alone ? 0x40 : 0) | (answer.title << 8);
}

namespace draxo::ws {
namespace backend {

void create_menu(menu m) {
    m->native = m;  // the page keeps the menu by the record's address
    web::draxo_web_create_menu(m, m->is_bar ? 1 : 0);
}

void menu_item_appended(menu m, int position) {
    const menu_item& item = m->items[static_cast<std::size_t>(position)];
    web::draxo_web_append_menu_item(m, position, item.flags, static_cast<unsigned>(item.id),
                                    web::page_text(item.text).c_str(), item.popup);
}

void menu_item_changed(menu m, int position) {
    web::draxo_web_change_menu_item(m, position, m->items[static_cast<std::size_t>(position)].flags);
}

// The menu bar lies above the canvas: the client area keeps its size.
void attach_menu(window w, menu m) {
    if (!web::native_of(w)) return;
    web::draxo_web_attach_menu(w, m);
    native_client_resized(w, client_size(w));
}

}  // namespace backend
}  // namespace draxo::ws
