// Web backend: modal dialogs made from the in-memory templates the package
// writes, as a panel of the page over the owner's frame. Buttons, one-line
// and multi-line edit fields and static texts; dialog units are converted
// (ws::dialog_units) with the base units of the dialog's font, which the
// page measures.
#include "text/text_encoding.h"
#include "web_backend.h"

namespace draxo::ws {

using text::utf8_of_utf16;

namespace backend {

bool create_dialog(dialog d) {
    const dialog_template& t = d->layout;
    for (const dialog_item_template& item : t.items)
        if (!item.class_name.empty() || (item.class_atom != CONTROL_BUTTON && item.class_atom != CONTROL_EDIT &&
                                         item.class_atom != CONTROL_STATIC))
            return false;
    int point_size = (t.style & DS_SETFONT) && t.point_size > 0 ? t.point_size : 8;
    int base[2] = {1, 1};
    web::draxo_web_dialog_base_units(point_size, base);
    const dialog_units units(base[0], base[1]);
    web::draxo_web_create_dialog(d, web::native_of(d->owner) ? d->owner : nullptr, utf8_of_utf16(t.title).c_str(),
                                 units.px(t.x), units.py(t.y), units.px(t.cx), units.py(t.cy), point_size,
                                 (t.style & WS_SYSMENU) ? 1 : 0);
    for (const dialog_item_template& item : t.items)
        web::draxo_web_add_dialog_control(d, static_cast<int>(item.class_atom), item.id, item.style,
                                          units.px(item.x), units.py(item.y), units.px(item.cx), units.py(item.cy),
                                          utf8_of_utf16(item.text).c_str());
    d->native = d;  // the page keeps the dialog by the record's address
    return true;
}

void show_dialog(dialog d) {
    if (d->native) web::draxo_web_show_dialog(d);
}

void focus_first_tab_stop(dialog d) {
    if (d->native) web::draxo_web_focus_first_tab_stop(d);
}

bool dialog_item_text(dialog d, unsigned id, std::string& utf8) {
    if (!d->native) return false;
    int length = web::draxo_web_dialog_item_text(d, id, nullptr, 0);
    if (length < 0) return false;
    std::string text(static_cast<std::size_t>(length) + 1, '\0');
    length = web::draxo_web_dialog_item_text(d, id, text.data(), static_cast<int>(text.size()));
    text.resize(static_cast<std::size_t>(length < 0 ? 0 : length));
    utf8 = std::move(text);
    return true;
}

void destroy_dialog(dialog d) {
    if (!d->native) return;
    web::draxo_web_destroy_dialog(d);
    d->native = nullptr;
}

}  // namespace backend
}  // namespace draxo::ws
