// The layer's core: the menu model. Menu bars and popups are records whose
// items the backend mirrors natively; check marks change only when the
// package sets them, and a chosen item posts a command to the bar's window.
#include "ws_core.h"

namespace draxo::ws {
namespace {

menu new_menu(bool is_bar) {
    auto* m = new menu_record;
    m->is_bar = is_bar;
    core().menus.push_back(m);
    backend::create_menu(m);
    return m;
}

void set_owner(menu m, window w) {
    m->owner = w;
    for (menu_item& item : m->items)
        if (item.popup) set_owner(item.popup, w);
}

}  // namespace

menu create_menu() { return new_menu(true); }

menu create_popup_menu() { return new_menu(false); }

void append_menu(menu m, unsigned flags, std::uintptr_t id_or_popup, const char* text) {
    if (!m) return;
    menu_item item;
    item.flags = flags;
    if (flags & MF_POPUP) {
        item.popup = reinterpret_cast<menu>(id_or_popup);
        if (!item.popup) return;
        item.popup->parent = m;
        set_owner(item.popup, m->owner);
    } else {
        item.id = id_or_popup;
    }
    if (!(flags & MF_SEPARATOR) && text) item.text = text;
    m->items.push_back(item);
    backend::menu_item_appended(m, static_cast<int>(m->items.size()) - 1);
}

void set_menu(window w, menu m) {
    if (!is_window(w)) return;
    w->menu_bar = m;
    if (m) set_owner(m, w);
    backend::attach_menu(w, m);
}

void draw_menu_bar(window) {}

int check_menu_item(menu m, unsigned id, unsigned flags) {
    if (!m) return -1;
    for (std::size_t pos = 0; pos < m->items.size(); ++pos) {
        menu_item& item = m->items[pos];
        if (item.popup || (item.flags & MF_SEPARATOR) || item.id != id) continue;
        int previous = (item.flags & MF_CHECKED) ? MF_CHECKED : MF_UNCHECKED;
        item.flags = (item.flags & ~static_cast<unsigned>(MF_CHECKED)) | (flags & MF_CHECKED);
        backend::menu_item_changed(m, static_cast<int>(pos));
        return previous;
    }
    return -1;
}

int menu_item_count(menu m) { return m ? static_cast<int>(m->items.size()) : 0; }

menu_item menu_item_at(menu m, int position) {
    if (!m || position < 0 || position >= menu_item_count(m)) return {};
    return m->items[static_cast<std::size_t>(position)];
}

menu window_menu(window w) { return w ? w->menu_bar : nullptr; }

void native_menu_command(menu m, unsigned id) {
    if (m && is_window(m->owner) && !m->owner->input_disabled) post_message(m->owner, WM_COMMAND, id, 0);
}

}  // namespace draxo::ws
