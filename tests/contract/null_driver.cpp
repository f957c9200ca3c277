// The contract suite's driver on the null backend: input, the close box,
// menu commands, dialogs and termination through its hooks (null_backend.h),
// time on its virtual clock; what is shown is what was last handed to the
// screen.
#include <algorithm>
#include <string>

#include "contract_driver.h"
#include "support/null_support.h"
#include "window_system/backend.h"
#include "window_system/ws_present.h"

namespace draxo::contract {
namespace {

ws::lparam key_flags(bool down) { return static_cast<ws::lparam>(down ? 0x00000001u : 0xC0000001u); }

}  // namespace

abilities what_the_backend_can() {
    abilities can;
    can.termination_signals = true;  // its hook stands for the signal
    return can;
}

void click(ws::window w, int x, int y) { test::inject_press(w, x, y); }

void type(ws::window w, char32_t code_point) {
    // As a key of no virtual key code of its own, with the character the
    // core's rule makes of it.
    int character = ws::typed_character(static_cast<long>(code_point));
    ws::null::inject(ws::message{w, ws::WM_KEYDOWN, 0xE5, key_flags(true), character});
    ws::null::inject(ws::message{w, ws::WM_KEYUP, 0xE5, key_flags(false), -1});
}

void choose_menu_item(ws::window w, const std::string& title, const std::string& item) {
    ws::menu bar = ws::window_menu(w);
    for (int i = 0; i < ws::menu_item_count(bar); ++i) {
        ws::menu_item popup = ws::menu_item_at(bar, i);
        if (popup.text != title || !popup.popup) continue;
        for (int j = 0; j < ws::menu_item_count(popup.popup); ++j)
            if (ws::menu_item_at(popup.popup, j).text == item)
                ws::native_menu_command(popup.popup, static_cast<unsigned>(ws::menu_item_at(popup.popup, j).id));
    }
}

void close_box(ws::window w) { ws::native_close_requested(w); }

void request_termination() { ws::null::request_termination(); }

void answer_dialog(const std::string& title, const std::string& utf8) {
    // At the first poll of the dialog's loop: the first field takes the
    // text, and Enter is the default button's command.
    ws::null::schedule(0, [title, utf8] {
        ws::dialog d = ws::null::open_dialog();
        if (!d || d->layout.title != std::u16string(title.begin(), title.end())) return;
        unsigned enter = ws::IDOK;
        bool typed = false;
        for (const ws::dialog_item_template& item : d->layout.items) {
            if (item.class_atom == ws::CONTROL_EDIT && !typed) {
                ws::null::set_control_text(d, item.id, utf8);
                typed = true;
            }
            if (item.class_atom == ws::CONTROL_BUTTON && (item.style & 0xFu) == ws::BS_DEFPUSHBUTTON)
                enter = item.id;
        }
        ws::null::dialog_command(d, enter);
    });
}

void let_time_pass(int ms) { ws::null::advance(static_cast<std::uint64_t>(std::max(0, ms))); }

bool shown_pixel(ws::window w, int x, int y, std::uint32_t& rgb) {
    // The null backend keeps no screen: a pixel counts as shown when the
    // area last handed to the screen holds it, as it was when handed.
    ws::rect area = ws::null::last_shown_area(w);
    if (ws::null::surface_updates(w) + ws::null::presents(w) == 0 || x < area.left || x >= area.right ||
        y < area.top || y >= area.bottom)
        return false;
    ws::pixels px = ws::image_pixels(ws::window_surface(w));
    rgb = px.bits[y * px.stride + x] & 0xFFFFFFu;
    return true;
}

}  // namespace draxo::contract
