// Win32 backend: window classes and top-level windows, their window
// procedure, and native input turned into messages.
#include <algorithm>
#include <chrono>

#include "win32_backend.h"

namespace draxo::ws {
namespace win32 {
namespace {

// A native class per layer class name, registered when the first window of
// the class is made, with the class's background brush, the standard icon
// and the arrow cursor. Every one has this backend's procedure.
LRESULT CALLBACK window_proc(HWND hwnd, UINT id, WPARAM wp, LPARAM lp);

bool ensure_native_class(const window_record& w) {
    std::wstring name = widen(w.class_name);
    WNDCLASSEXW existing{};
    existing.cbSize = sizeof existing;
    if (GetClassInfoExW(platform().instance, name.c_str(), &existing)) return true;
    WNDCLASSEXW c{};
    c.cbSize = sizeof c;
    c.style = w.class_style & (CS_HREDRAW | CS_VREDRAW);
    c.lpfnWndProc = window_proc;
    c.hInstance = platform().instance;
    c.hIcon = LoadIconW(nullptr, reinterpret_cast<LPCWSTR>(IDI_APPLICATION));
    c.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    c.hbrBackground = CreateSolidBrush(w.background);
    c.lpszClassName = name.c_str();
    return RegisterClassExW(&c) != 0;
}

// Copies the window's surface to a rectangle of the screen (in screen
// pixels) through a context of the window. A surface of logical pixels is
// enlarged by the window's whole factor, each pixel a square.
void blit_surface(window w, HDC target, const RECT& area) {
    image surface = w->surface;
    if (!surface || !surface->bitmap) return;
    const int scale = surface_scale_of(w);
    if (scale == 1) {
        BitBlt(target, area.left, area.top, area.right - area.left, area.bottom - area.top, image_dc(surface),
               area.left, area.top, SRCCOPY);
        return;
    }
    // The surface pixels the area touches, whole.
    const int left = area.left / scale, top = area.top / scale;
    const int right = (area.right + scale - 1) / scale, bottom = (area.bottom + scale - 1) / scale;
    SetStretchBltMode(target, COLORONCOLOR);
    StretchBlt(target, left * scale, top * scale, (right - left) * scale, (bottom - top) * scale,
               image_dc(surface), left, top, right - left, bottom - top, SRCCOPY);
}

// The screen pixels of a rectangle of the surface.
RECT on_screen(window w, RECT surface_area) {
    const int scale = surface_scale_of(w);
    return RECT{surface_area.left * scale, surface_area.top * scale, surface_area.right * scale,
                surface_area.bottom * scale};
}

RECT whole(image surface) { return surface ? RECT{0, 0, surface->width, surface->height} : RECT{}; }

RECT native_rect(const rect& r) { return RECT{r.left, r.top, r.right, r.bottom}; }

// A mouse message's position, in the surface's pixels.
LPARAM surface_position(window w, LPARAM lp) {
    const int scale = surface_scale_of(w);
    if (scale == 1) return lp;
    const int x = static_cast<short>(LOWORD(lp)), y = static_cast<short>(HIWORD(lp));
    // Rounded toward minus infinity, as positions left of the window are.
    auto down = [scale](int v) { return v >= 0 ? v / scale : -((-v + scale - 1) / scale); };
    return make_lparam(down(x), down(y));
}

void paint(window w, HWND hwnd) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd, &ps);
    blit_surface(w, dc, ps.rcPaint);
    EndPaint(hwnd, &ps);
}

// The modifier keys held with the message being handled, as the system's
// keyboard state tells them at that message (ws::HELD_*).
int modifiers_held() {
    return (GetKeyState(VK_SHIFT) < 0 ? HELD_SHIFT : 0) | (GetKeyState(VK_CONTROL) < 0 ? HELD_CONTROL : 0) |
           (GetKeyState(VK_MENU) < 0 ? HELD_ALT : 0);
}

void post_input(window w, UINT id, WPARAM wp, LPARAM lp, int character = -1) {
    enqueue_input(message{w, id, wp, lp, character, modifiers_held()});
}

constexpr WPARAM any_button = MK_LBUTTON | MK_RBUTTON | MK_MBUTTON;

// A press keeps the mouse's messages for the window until the last button
// is released, so that a drag leaving the window goes on and ends there.
void post_button(window w, HWND hwnd, UINT id, WPARAM wp, LPARAM lp) {
    const bool down = id == WM_LBUTTONDOWN || id == WM_RBUTTONDOWN || id == WM_MBUTTONDOWN;
    if (down)
        SetCapture(hwnd);
    else if (!(wp & any_button) && GetCapture() == hwnd)
        ReleaseCapture();
    post_input(w, id, wp, surface_position(w, lp));
}

// Messages of a window the layer knows. Input becomes the layer's messages;
// painting shows the surface; the system keeps its own handling of the
// frame, the menu bar and system keys.
LRESULT handle(window w, HWND hwnd, UINT id, WPARAM wp, LPARAM lp) {
    switch (id) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
    case WM_MBUTTONDOWN:
    case WM_MBUTTONUP: post_button(w, hwnd, id, wp, lp); return 0;
    case WM_MOUSEMOVE:
        // Moves matter only while a button is held.
        if (wp & any_button) post_input(w, id, wp, surface_position(w, lp));
        return 0;
    case WM_KEYDOWN: post_input(w, id, wp, lp, platform().pending_character); return 0;
    case WM_KEYUP: post_input(w, id, wp, lp); return 0;
    case WM_SYSKEYDOWN:
        // Alt with a letter, and F10, open the menu bar through the system.
        post_input(w, id, wp, lp, platform().pending_character);
        return DefWindowProcW(hwnd, id, wp, lp);
    case WM_SYSKEYUP: post_input(w, id, wp, lp); return DefWindowProcW(hwnd, id, wp, lp);
    case WM_CHAR: return 0;  // the layer translates key-downs itself
    case WM_TIMER:
        if (wp == frame_timer_id) {
            KillTimer(hwnd, frame_timer_id);
            native_frame_due(w);
        } else
            native_timer_fired(w, static_cast<unsigned>(wp));
        return 0;
    case WM_COMMAND:
        // A menu item (an accelerator would say 1, a control its handle).
        if (HIWORD(wp) == 0 && lp == 0) native_menu_command(w->menu_bar, LOWORD(wp));
        return 0;
    case WM_ERASEBKGND: return 1;  // the surface covers the whole client area
    case WM_PAINT: paint(w, hwnd); return 0;
    case WM_SIZE:
        // A minimised window keeps its surface.
        if (wp != SIZE_MINIMIZED)
            native_client_resized(w, extent{LOWORD(lp) / surface_scale_of(w), HIWORD(lp) / surface_scale_of(w)});
        return 0;
    case WM_SHOWWINDOW:
        if (wp) native_window_shown(w);
        return 0;
    case WM_SETFOCUS:
        // A move between two package windows is reported once, by the window
        // that loses the focus.
        if (!window_of(reinterpret_cast<HWND>(wp))) native_focus_changed(nullptr, w);
        return 0;
    case WM_KILLFOCUS: native_focus_changed(w, window_of(reinterpret_cast<HWND>(wp))); return 0;
    case WM_CLOSE: native_close_requested(w); return 0;  // the window's procedure decides
    case WM_DESTROY:
        if (native_window* n = native_of(w); n && !n->destroying) {
            // Destroyed from outside the layer: nothing native is left to take down.
            n->hwnd = nullptr;
            native_window_destroyed(w);
        }
        return 0;
    default: return DefWindowProcW(hwnd, id, wp, lp);
    }
}

LRESULT CALLBACK window_proc(HWND hwnd, UINT id, WPARAM wp, LPARAM lp) {
    if (id == WM_NCCREATE) {
        auto* created = reinterpret_cast<CREATESTRUCTW*>(lp);
        auto w = static_cast<window>(created->lpCreateParams);
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(w));
        if (native_window* n = native_of(w)) n->hwnd = hwnd;
    }
    if (id == WM_NCDESTROY) SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
    window w = window_of(hwnd);
    if (!w || !native_of(w)) return DefWindowProcW(hwnd, id, wp, lp);
    return handle(w, hwnd, id, wp, lp);
}

}  // namespace

native_window* native_of(window w) { return w ? static_cast<native_window*>(w->native) : nullptr; }

int surface_scale_of(window w) {
    native_window* n = native_of(w);
    return n ? n->surface_scale : 1;
}

HWND hwnd_of(window w) {
    native_window* n = native_of(w);
    return n ? n->hwnd : nullptr;
}

window window_of(HWND hwnd) {
    if (!hwnd || GetWindowLongPtrW(hwnd, GWLP_WNDPROC) != reinterpret_cast<LONG_PTR>(window_proc)) return nullptr;
    return reinterpret_cast<window>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
}

}  // namespace win32

namespace backend {

void create_window(window w) {
    auto* n = new win32::native_window;
    w->native = n;
    if (!win32::ensure_native_class(*w)) return;
    // Top-level and hidden whatever the style asks; the layer shows it.
    DWORD style = w->style & ~static_cast<DWORD>(WS_VISIBLE | WS_CHILD);
    std::wstring title = win32::widen(w->title);
    // The geometry is logical: enlarged by the screen's factor, but never
    // beyond the screen (a window too large at that factor gets a smaller one).
    const int width = w->outer.right - w->outer.left, height = w->outer.bottom - w->outer.top;
    const int scale = fitting_scale(win32::platform().scale, extent{width, height},
                                    extent{GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)});
    n->geometry_scale = scale;
    n->surface_scale = (w->class_style & CS_DEVICE_PIXELS) ? 1 : scale;
    CreateWindowExW(0, win32::widen(w->class_name).c_str(), title.c_str(), style, w->outer.left * scale,
                    w->outer.top * scale, width * scale, height * scale, nullptr, nullptr,
                    win32::platform().instance, w);
    native_client_resized(w, client_size(w));
}

void destroy_window(window w) {
    win32::native_window* n = win32::native_of(w);
    if (!n) return;
    if (n->hwnd) {
        n->destroying = true;
        DestroyWindow(n->hwnd);
    }
    w->native = nullptr;
    delete n;
}

bool show_window(window w, int show_command) {
    HWND hwnd = win32::hwnd_of(w);
    if (!hwnd) return false;
    return ShowWindow(hwnd, show_command) != 0;
}

bool window_visible(window w) {
    HWND hwnd = win32::hwnd_of(w);
    return hwnd && IsWindowVisible(hwnd);
}

extent client_size(window w) {
    HWND hwnd = win32::hwnd_of(w);
    RECT r{};
    if (!hwnd || !GetClientRect(hwnd, &r)) return {};
    const int scale = win32::surface_scale_of(w);
    return extent{(r.right - r.left) / scale, (r.bottom - r.top) / scale};
}

// F10 reached the window's own key handling after the system's: the native
// window's default procedure has already opened its menu bar (on the key's
// release), as it opens it for Alt with a mnemonic.
void activate_menu_bar(window) {}

double now_ms() {
    using namespace std::chrono;
    return duration<double, std::milli>(steady_clock::now().time_since_epoch()).count();
}

// Only the part that changed since the last time is invalidated, which for
// a program redrawing the same picture at every tick is nothing at all:
// under Wine a copy of the whole client area to the screen costs more than
// finding what changed.
void show_area(window w, const rect& area) {
    HWND hwnd = win32::hwnd_of(w);
    if (!hwnd) return;
    const RECT on_screen = win32::on_screen(w, win32::native_rect(area));
    InvalidateRect(hwnd, &on_screen, FALSE);
}

void schedule_frame(window w, int delay_ms) {
    if (HWND hwnd = win32::hwnd_of(w)) SetTimer(hwnd, win32::frame_timer_id, static_cast<UINT>(delay_ms), nullptr);
}

// The whole surface goes to the screen at once, the parts invalidated
// before and not painted yet with it.
void present(window w, const rect&) {
    HWND hwnd = win32::hwnd_of(w);
    if (!hwnd || !w->surface) return;
    HDC dc = GetDC(hwnd);
    win32::blit_surface(w, dc, win32::on_screen(w, win32::whole(w->surface)));
    ReleaseDC(hwnd, dc);
    GdiFlush();
}

}  // namespace backend
}  // namespace draxo::ws
