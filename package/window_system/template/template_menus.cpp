// Template backend: menu bars and their popups.
#include "template_backend.h"

namespace draxo::ws::backend {

// An empty native bar (m->is_bar) or popup; its native object on m->native.
void create_menu(menu) {}

// m->items[position] is new: a command item (choosing it calls
// native_menu_command(m, id)), a separator, or a popup (item.popup). Texts
// mark their mnemonic with '&' and a shortcut after '\t'.
void menu_item_appended(menu, int) {}

// The item's flags changed: MF_CHECKED, MF_GRAYED.
void menu_item_changed(menu, int) {}

// Puts the bar on the window (null removes it) and lays the client area out
// below it: a changed client size is reported with native_client_resized.
void attach_menu(window w, menu) { native_client_resized(w, client_size(w)); }

// F10: the bar takes the keyboard, its first title highlighted, no menu
// open. A system without these rules (backend.h, Menus) follows the core's:
// each key while the bar is selected goes to menu_bar_key (ws_menu_keys.h),
// which says what to do.
void activate_menu_bar(window) {}

}  // namespace draxo::ws::backend
