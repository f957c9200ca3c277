// Win32 backend: modal dialogs made by the system from the in-memory template
// the package wrote. The layer runs the modal loop; here the dialog is a
// modeless one of the system, whose keys go through the dialog manager in
// the native loop (win32_app.cpp), and whose commands go to the layer.
#include <algorithm>
#include <vector>

#include "win32_backend.h"

namespace draxo::ws {
namespace win32 {

native_dialog* native_of(dialog d) { return d ? static_cast<native_dialog*>(d->native) : nullptr; }

namespace {

// The controls the layer offers on every backend.
bool known_controls(const dialog_template& t) {
    return std::all_of(t.items.begin(), t.items.end(), [](const dialog_item_template& item) {
        return item.class_name.empty() && (item.class_atom == CONTROL_BUTTON || item.class_atom == CONTROL_EDIT ||
                                           item.class_atom == CONTROL_STATIC);
    });
}

// Commands of buttons (a click, or Enter on the default one) and the dialog
// manager's own (Escape and the close box give IDCANCEL) go to the layer,
// which ends the dialog only when the package's procedure says so. Other
// notifications of the controls (an edit field's changes) are not commands.
INT_PTR CALLBACK dialog_proc(HWND hwnd, UINT id, WPARAM wp, LPARAM lp) {
    if (id == WM_INITDIALOG) {
        SetWindowLongPtrW(hwnd, DWLP_USER, lp);
        return FALSE;  // the layer places the focus
    }
    auto d = reinterpret_cast<dialog>(GetWindowLongPtrW(hwnd, DWLP_USER));
    if (id == WM_COMMAND && d && HIWORD(wp) == BN_CLICKED) {
        native_dialog_command(d, LOWORD(wp));
        return TRUE;
    }
    if (id == WM_DESTROY && d) {
        // Destroyed by anything but the layer (its owner destroyed, for one).
        native_dialog* n = native_of(d);
        if (n && !n->destroying) {
            n->hwnd = nullptr;
            native_dialog_destroyed(d);
        }
    }
    return FALSE;
}

}  // namespace
}  // namespace win32

namespace backend {

bool create_dialog(dialog d) {
    if (!win32::known_controls(d->layout) || d->template_bytes.size() < 4) return false;
    // The template as the package wrote it, created hidden: the layer shows it.
    std::vector<unsigned char> bytes = d->template_bytes;
    bytes[3] = static_cast<unsigned char>(bytes[3] & ~(WS_VISIBLE >> 24));
    HWND owner = win32::hwnd_of(d->owner);
    HWND hwnd =
        CreateDialogIndirectParamW(win32::platform().instance, reinterpret_cast<const DLGTEMPLATE*>(bytes.data()),
                                   owner, win32::dialog_proc, reinterpret_cast<LPARAM>(d));
    if (!hwnd) return false;
    d->native = new win32::native_dialog{hwnd, owner, false};
    win32::platform().dialogs.push_back(d);
    return true;
}

void show_dialog(dialog d) {
    win32::native_dialog* n = win32::native_of(d);
    if (!n) return;
    // A modal dialog's owner takes no input while it is open.
    if (n->owner && IsWindowEnabled(n->owner)) {
        EnableWindow(n->owner, FALSE);
        n->owner_disabled = true;
    }
    ShowWindow(n->hwnd, SW_SHOW);
    SetForegroundWindow(n->hwnd);
}

void focus_first_tab_stop(dialog d) {
    win32::native_dialog* n = win32::native_of(d);
    if (!n) return;
    // As the dialog manager does it: the focus, and an edit field's text selected.
    if (HWND first = GetNextDlgTabItem(n->hwnd, nullptr, FALSE))
        SendMessageW(n->hwnd, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(first), TRUE);
}

bool dialog_item_text(dialog d, unsigned id, std::string& utf8) {
    win32::native_dialog* n = win32::native_of(d);
    HWND control = n ? GetDlgItem(n->hwnd, static_cast<int>(id)) : nullptr;
    if (!control) return false;
    std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(control)) + 1, L'\0');
    int length = GetWindowTextW(control, text.data(), static_cast<int>(text.size()));
    utf8 = win32::narrow(text.data(), length);
    return true;
}

void destroy_dialog(dialog d) {
    win32::native_dialog* n = win32::native_of(d);
    d->native = nullptr;
    std::erase(win32::platform().dialogs, d);
    if (!n) return;
    // The owner is enabled before the dialog goes, so that it becomes the
    // active window again.
    if (n->owner_disabled && IsWindow(n->owner)) EnableWindow(n->owner, TRUE);
    n->destroying = true;
    if (n->hwnd) DestroyWindow(n->hwnd);
    delete n;
}

}  // namespace backend
}  // namespace draxo::ws
