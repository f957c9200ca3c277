// Web backend: menu bars and popups built from the layer's menu model. The
// page draws them and gives them the keyboard as backend.h (Menus) says:
// opened with the mouse or Alt and a mnemonic letter, the bar selected by F10
// (activate_menu_bar) or Alt alone, the arrow keys, Enter and Escape. A check
// mark changes only when the package sets it.
#include "web_backend.h"

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
