// Win32 backend: opening and closing, the native message loop, the keyboard's
// state, the system's requests to end the program, the screen and message
// timers.
#include <algorithm>
#include <atomic>
#include <string_view>

#include "win32_backend.h"

namespace draxo::ws {
namespace win32 {
namespace {

// The character message that translating a key press queued for this
// window, left in the queue: the package's character for it
// (ws::typed_character).
int queued_character(HWND hwnd, UINT key_message) {
    UINT char_message = key_message == WM_SYSKEYDOWN ? WM_SYSCHAR : WM_CHAR;
    MSG next;
    if (!PeekMessageW(&next, hwnd, char_message, char_message, PM_NOREMOVE | PM_NOYIELD)) return -1;
    return typed_character(static_cast<long>(next.wParam));
}

// The system's requests to end the program are console control events:
// Ctrl+C, Ctrl+Break, closing the console window, logging off, shutting
// down. They arrive on a thread of their own, so the handler only posts a
// message to a window of the layer's thread, whose procedure passes the
// request on; it reaches the layer even from inside the system's own loops
// (a menu being open).
constexpr UINT termination_message = WM_APP + 1;
std::atomic<int> termination_requests{0};

LRESULT CALLBACK termination_window_proc(HWND hwnd, UINT id, WPARAM wp, LPARAM lp) {
    if (id != termination_message) return DefWindowProcW(hwnd, id, wp, lp);
    native_termination_requested();
    return 0;
}

}  // namespace

BOOL WINAPI on_console_event(DWORD) {
    // A second request is left to the system, which ends the program.
    if (termination_requests.fetch_add(1) > 0) return FALSE;
    PostMessageW(platform().termination_window, termination_message, 0, 0);
    // From now on every wait of the program takes the quit. A program that
    // ends by itself within the grace time ends this thread with it; one
    // still running then (busy, or waiting on after its quit) is left to
    // the system, which ends it, after the package's last words.
    wait_out_grace_time();
    return FALSE;
}

namespace {

// Declares the program aware of each screen's density, so that the system
// draws frames, menus and dialogs at the screen's own density and stretches
// no window (blurred); the layer enlarges the drawing window itself, by a
// whole factor, pixel for pixel.
void declare_density_aware() {
    using set_context = BOOL(WINAPI*)(HANDLE);
    auto set = reinterpret_cast<set_context>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "SetProcessDpiAwarenessContext")));
    // Per monitor, second version (-4), else the first (-3).
    if (set && (set(reinterpret_cast<HANDLE>(static_cast<INT_PTR>(-4))) ||
                set(reinterpret_cast<HANDLE>(static_cast<INT_PTR>(-3)))))
        return;
    SetProcessDPIAware();
}

// The primary screen's density as a whole factor of 96 dpi.
int screen_scale() {
    HDC screen = GetDC(nullptr);
    const int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSY) : 96;
    if (screen) ReleaseDC(nullptr, screen);
    return std::max(1, dpi / 96);
}

void watch_termination_requests(platform_state& p) {
    WNDCLASSEXW c{};
    c.cbSize = sizeof c;
    c.lpfnWndProc = termination_window_proc;
    c.hInstance = p.instance;
    c.lpszClassName = L"DRAXO termination requests";
    RegisterClassExW(&c);
    p.termination_window =
        CreateWindowExW(0, c.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, p.instance, nullptr);
    if (p.termination_window) SetConsoleCtrlHandler(on_console_event, TRUE);
}

}  // namespace

platform_state& platform() {
    static auto* state = new platform_state;
    return *state;
}

std::wstring widen(const char* text, int length) {
    std::u16string utf16 =
        text::utf16_of_utf8(std::string_view(text, static_cast<std::size_t>(length > 0 ? length : 0)));
    return std::wstring(utf16.begin(), utf16.end());
}

std::wstring widen(const std::string& text) { return widen(text.data(), static_cast<int>(text.size())); }

std::string narrow(const wchar_t* text, int length) {
    std::u16string utf16(text, text + (length > 0 ? length : 0));
    return text::utf8_of_utf16(utf16);
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

// Each window is checked against the screen as it is made (create_window):
// `must_fit` needs no care here.
bool init(std::string& why_not, extent) {
    win32::platform_state& p = win32::platform();
    if (p.measure_dc) return true;
    p.instance = GetModuleHandleW(nullptr);
    win32::declare_density_aware();
    p.scale = win32::screen_scale();
    p.measure_dc = CreateCompatibleDC(nullptr);
    if (!p.measure_dc || GetSystemMetrics(SM_CXSCREEN) <= 0) {
        why_not = "there is no desktop to open the windows on.";
        return false;
    }
    win32::watch_termination_requests(p);
    // Nobody is there to close the system's crash dialog, nor a debugger it
    // would start: a crash ends the program at once, its exit code the
    // exception's.
    if (headless()) {
        SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);
        SetUnhandledExceptionFilter([](EXCEPTION_POINTERS*) -> LONG { return EXCEPTION_EXECUTE_HANDLER; });
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

bool key_held(unsigned virtual_key) { return (GetAsyncKeyState(static_cast<int>(virtual_key)) & 0x8000) != 0; }

extent screen_size() {
    const int scale = win32::platform().scale;
    return extent{GetSystemMetrics(SM_CXSCREEN) / scale, GetSystemMetrics(SM_CYSCREEN) / scale};
}

void start_timer(window w, unsigned id, unsigned period_ms) {
    if (HWND hwnd = win32::hwnd_of(w)) SetTimer(hwnd, id, period_ms, nullptr);
}

void stop_timer(window w, unsigned id) {
    if (HWND hwnd = win32::hwnd_of(w)) KillTimer(hwnd, id);
}

}  // namespace backend
}  // namespace draxo::ws
