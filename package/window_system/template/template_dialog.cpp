// Template backend: the modal dialog's native side. The core runs the
// dialog's loop and its procedure; a backend makes its window and controls.
#include "template_backend.h"

namespace draxo::ws::backend {

// Makes the dialog from d->layout (or d->template_bytes, for a system that
// reads templates itself), hidden, placed from the owner's client area.
// Places and sizes are dialog units: measure the dialog's font and convert
// with dialog_units (ws_present.h). Button clicks, Enter, Escape and the
// close box call native_dialog_command(d, id); a window destroyed from
// outside calls native_dialog_destroyed. False for a control class the
// backend cannot make. The stub makes nothing: every dialog fails to open,
// which the package reports as it does any dialog that cannot be shown.
bool create_dialog(dialog) { return false; }

// Shows and activates it, above its owner.
void show_dialog(dialog) {}

// The keyboard focus to the first control with WS_TABSTOP, if any.
void focus_first_tab_stop(dialog) {}

// A control's text as UTF-8 (line breaks of a multi-line edit as "\r\n");
// false when there is no control of that id.
bool dialog_item_text(dialog, unsigned, std::string&) { return false; }

// Hides and removes it; the owner becomes active again.
void destroy_dialog(dialog d) { d->native = nullptr; }

}  // namespace draxo::ws::backend
