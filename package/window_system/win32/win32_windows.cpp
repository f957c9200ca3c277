// Win32 backend: window classes and top-level windows, their window
// procedure, and native input turned into messages.
#include <emmintrin.h>

#include <algorithm>
#include <cstring>

#include "win32_backend.h"

namespace draxo::ws {
namespace win32 {
namespace {

using std::chrono::milliseconds;
using std::chrono::steady_clock;
constexpr auto frame_interval = milliseconds(16);

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

// Hands the surface's changes to the screen: only the part that changed
// since the last time, which for a program redrawing the same picture at
// every tick is nothing at all. Under Wine a copy of the whole client area
// to the screen costs more than finding what changed.
void present_changes(window w, native_window& n) {
    n.last_update = steady_clock::now();
    if (!w->surface) return;
    RECT changed = take_changes(n.shown, ws::image_pixels(w->surface));
    if (changed.right > changed.left) {
        const RECT area = on_screen(w, changed);
        InvalidateRect(n.hwnd, &area, FALSE);
    }
}

// Shows the surface's new content: at once, or, when the screen was updated
// less than a frame ago, at the next frame, so that a program drawing
// thousands of frames a second never waits for the screen.
void schedule_update(window w) {
    native_window* n = native_of(w);
    if (!n || !n->hwnd || n->update_scheduled) return;
    auto since = steady_clock::now() - n->last_update;
    if (since >= frame_interval) {
        present_changes(w, *n);
        return;
    }
    n->update_scheduled = true;
    auto wait = std::chrono::duration_cast<milliseconds>(frame_interval - since) + milliseconds(1);
    SetTimer(n->hwnd, frame_timer_id, static_cast<UINT>(wait.count()), nullptr);
}

void frame_timer_fired(window w, HWND hwnd) {
    KillTimer(hwnd, frame_timer_id);
    native_window* n = native_of(w);
    if (!n) return;
    n->update_scheduled = false;
    present_changes(w, *n);
}

void post_input(window w, UINT id, WPARAM wp, LPARAM lp, int character = -1) {
    enqueue_input(message{w, id, wp, lp, character});
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
    case WM_MBUTTONUP: post_input(w, id, wp, surface_position(w, lp)); return 0;
    case WM_KEYDOWN: post_input(w, id, wp, lp, platform().pending_character); return 0;
    case WM_KEYUP: post_input(w, id, wp, lp); return 0;
    case WM_SYSKEYDOWN:
        // Alt with a letter, and F10, open the menu bar through the system.
        post_input(w, id, wp, lp, platform().pending_character);
        return DefWindowProcW(hwnd, id, wp, lp);
    case WM_SYSKEYUP: post_input(w, id, wp, lp); return DefWindowProcW(hwnd, id, wp, lp);
    case WM_CHAR: return 0;  // the layer translates key-downs itself
    case WM_TIMER:
        if (wp == frame_timer_id)
            frame_timer_fired(w, hwnd);
        else
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

namespace {

// Where two rows of `count` pixels differ: the first and one past the last
// differing pixel, or first == last when they are the same.
// The number of equal pixels at the start of two rows. Compared 32 bytes at
// a time with SSE2, which every x86-64 processor has: the comparison reads
// two client areas' worth of pixels at every frame, and the system's memcmp
// may go byte by byte.
int equal_prefix(const std::uint32_t* a, const std::uint32_t* b, int count) {
    int i = 0;
    for (; i + 8 <= count; i += 8) {
        __m128i low = _mm_cmpeq_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(a + i)),
                                      _mm_loadu_si128(reinterpret_cast<const __m128i*>(b + i)));
        __m128i high = _mm_cmpeq_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(a + i + 4)),
                                       _mm_loadu_si128(reinterpret_cast<const __m128i*>(b + i + 4)));
        if (_mm_movemask_epi8(_mm_and_si128(low, high)) != 0xFFFF) break;
    }
    while (i < count && a[i] == b[i]) ++i;
    return i;
}

// Where two rows of `count` pixels differ: the first and one past the last
// differing pixel, or first == last when they are the same.
void row_difference(const std::uint32_t* a, const std::uint32_t* b, int count, int& first, int& last) {
    first = last = equal_prefix(a, b, count);
    if (first == count) return;
    last = count;
    while (last > first && a[last - 1] == b[last - 1]) --last;
}

}  // namespace

RECT take_changes(shown_pixels& shown, const pixels& now) {
    if (!now.bits) return RECT{};
    if (shown.width != now.width || shown.height != now.height) {
        shown.width = now.width;
        shown.height = now.height;
        shown.bits.assign(static_cast<std::size_t>(now.width) * static_cast<std::size_t>(now.height), 0);
        for (int row = 0; row < now.height; ++row)
            std::memcpy(&shown.bits[static_cast<std::size_t>(row) * now.width], now.bits + row * now.stride,
                        sizeof(std::uint32_t) * now.width);
        return RECT{0, 0, now.width, now.height};
    }
    RECT changed{now.width, now.height, 0, 0};
    for (int row = 0; row < now.height; ++row) {
        const std::uint32_t* current = now.bits + row * now.stride;
        std::uint32_t* before = &shown.bits[static_cast<std::size_t>(row) * now.width];
        int first, last;
        row_difference(current, before, now.width, first, last);
        if (first == last) continue;
        std::memcpy(before + first, current + first, sizeof(std::uint32_t) * (last - first));
        changed.left = std::min<LONG>(changed.left, first);
        changed.right = std::max<LONG>(changed.right, last);
        changed.top = std::min<LONG>(changed.top, row);
        changed.bottom = row + 1;
    }
    return changed.right > changed.left ? changed : RECT{};
}

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
    int scale = win32::platform().scale;
    while (scale > 1 &&
           (width * scale > GetSystemMetrics(SM_CXSCREEN) || height * scale > GetSystemMetrics(SM_CYSCREEN)))
        --scale;
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

void surface_changed(window w) { win32::schedule_update(w); }

void present_now(window w) {
    HWND hwnd = win32::hwnd_of(w);
    if (!hwnd || !IsWindowVisible(hwnd)) return;
    win32::native_window* n = win32::native_of(w);
    n->last_update = std::chrono::steady_clock::now();
    if (!w->surface) return;
    win32::take_changes(n->shown, ws::image_pixels(w->surface));
    HDC dc = GetDC(hwnd);
    win32::blit_surface(w, dc, win32::on_screen(w, win32::whole(w->surface)));
    ReleaseDC(hwnd, dc);
    GdiFlush();
}

}  // namespace backend
}  // namespace draxo::ws
