// Win32 backend: opening and closing, the native message loop, the screen and
// message timers.
#include "win32_backend.h"

namespace draxo::ws {
namespace win32 {
namespace {

// The character message that translating a key press queued for this
// window, left in the queue: its character when it is one of Latin-1.
int queued_character(HWND hwnd, UINT key_message) {
    UINT char_message = key_message == WM_SYSKEYDOWN ? WM_SYSCHAR : WM_CHAR;
    MSG next;
    if (!PeekMessageW(&next, hwnd, char_message, char_message, PM_NOREMOVE | PM_NOYIELD)) return -1;
    return next.wParam <= 0xFF ? static_cast<int>(next.wParam) : -1;
}

}  // namespace

platform_state& platform() {
    static auto* state = new platform_state;
    return *state;
}

std::wstring widen(const char* text, int length) {
    std::wstring wide(static_cast<std::size_t>(length > 0 ? length : 0), L'\0');
    for (int i = 0; i < length; ++i) wide[static_cast<std::size_t>(i)] = static_cast<unsigned char>(text[i]);
    return wide;
}

std::wstring widen(const std::string& text) { return widen(text.data(), static_cast<int>(text.size())); }

std::string narrow(const wchar_t* text, int length) {
    std::string latin1(static_cast<std::size_t>(length > 0 ? length : 0), '\0');
    for (int i = 0; i < length; ++i) {
        auto c = static_cast<unsigned>(text[i]);
        latin1[static_cast<std::size_t>(i)] = c <= 0xFF ? static_cast<char>(c) : '?';
    }
    return latin1;
}

void handle_native_message(MSG& msg) {
    // An open dialog takes its keys first: Tab, Enter and Escape mean what
    // they mean in a dialog.
    platform_state& p = platform();
    for (auto d = p.dialogs.rbegin(); d != p.dialogs.rend(); ++d) {
        native_dialog* n = native_of(*d);
        if (n && n->hwnd && IsDialogMessageW(n->hwnd, &msg)) return;
    }
    // The layer's key-down carries the character it types, so that the
    // layer can translate it itself. Translating here queues the system's
    // character message, which stays for the system's own menu keys.
    if (msg.message == WM_KEYDOWN || msg.message == WM_SYSKEYDOWN) {
        TranslateMessage(&msg);
        p.pending_character = queued_character(msg.hwnd, msg.message);
    }
    DispatchMessageW(&msg);
    p.pending_character = -1;
}

}  // namespace win32

namespace backend {

bool init(std::string& why_not) {
    win32::platform_state& p = win32::platform();
    if (p.measure_dc) return true;
    p.instance = GetModuleHandleW(nullptr);
    p.measure_dc = CreateCompatibleDC(nullptr);
    if (!p.measure_dc || GetSystemMetrics(SM_CXSCREEN) <= 0) {
        why_not = "there is no desktop to open the windows on.";
        return false;
    }
    return true;
}

// Runs at the end of the process, which takes every window, menu, timer and
// GDI object down with it.
void quit() {}

void poll_events(bool block) {
    // Sleeps until a message of any kind is in the queue, one already there
    // included; timers and paint requests count.
    if (block) MsgWaitForMultipleObjectsEx(0, nullptr, INFINITE, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        // The layer keeps its own quit message; the system's is not the package's.
        if (msg.message == WM_QUIT) continue;
        win32::handle_native_message(msg);
    }
}

extent screen_size() { return extent{GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)}; }

void start_timer(window w, unsigned id, unsigned period_ms) {
    if (HWND hwnd = win32::hwnd_of(w)) SetTimer(hwnd, id, period_ms, nullptr);
}

void stop_timer(window w, unsigned id) {
    if (HWND hwnd = win32::hwnd_of(w)) KillTimer(hwnd, id);
}

}  // namespace backend
}  // namespace draxo::ws
