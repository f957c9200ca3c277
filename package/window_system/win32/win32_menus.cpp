// Win32 backend: menu bars and popups built from the layer's menu model. The
// system shows "&" mnemonics and "\t" shortcut columns, opens the bar with
// Alt and a mnemonic or F10, and never changes a check mark by itself.
#include "win32_backend.h"

namespace draxo::ws {
namespace win32 {

HMENU native_of(menu m) { return m ? static_cast<HMENU>(m->native) : nullptr; }

namespace {

// The bar a menu belongs to is redrawn when one of its items changes.
void redraw_bar(menu m) {
    while (m && m->parent) m = m->parent;
    if (m && m->is_bar)
        if (HWND hwnd = hwnd_of(m->owner)) DrawMenuBar(hwnd);
}

}  // namespace
}  // namespace win32

namespace backend {

void create_menu(menu m) { m->native = m->is_bar ? CreateMenu() : CreatePopupMenu(); }

void menu_item_appended(menu m, int position) {
    HMENU hmenu = win32::native_of(m);
    const menu_item& item = m->items[static_cast<std::size_t>(position)];
    std::wstring text = win32::widen(item.text);
    if (item.flags & MF_SEPARATOR) {
        AppendMenuW(hmenu, MF_SEPARATOR, 0, nullptr);
    } else if (item.flags & MF_POPUP) {
        AppendMenuW(hmenu, item.flags, reinterpret_cast<UINT_PTR>(win32::native_of(item.popup)), text.c_str());
    } else {
        AppendMenuW(hmenu, item.flags, item.id, text.c_str());
    }
    win32::redraw_bar(m);
}

void menu_item_changed(menu m, int position) {
    HMENU hmenu = win32::native_of(m);
    const menu_item& item = m->items[static_cast<std::size_t>(position)];
    auto at = static_cast<UINT>(position);
    CheckMenuItem(hmenu, at, MF_BYPOSITION | ((item.flags & MF_CHECKED) ? MF_CHECKED : MF_UNCHECKED));
    EnableMenuItem(hmenu, at, MF_BYPOSITION | (item.flags & (MF_GRAYED | MF_DISABLED)));
    win32::redraw_bar(m);
}

void attach_menu(window w, menu m) {
    HWND hwnd = win32::hwnd_of(w);
    if (!hwnd) return;
    SetMenu(hwnd, win32::native_of(m));
    DrawMenuBar(hwnd);
    // The bar takes its rows from the client area.
    native_client_resized(w, client_size(w));
}

}  // namespace backend
}  // namespace draxo::ws
