// Web backend: package windows as frames of the page, and their pixels on
// the canvas.
#include <algorithm>
#include <cstring>

#include "web_backend.h"

namespace draxo::ws {
namespace web {
namespace {

struct area {
    int left = 0, top = 0, right = -1, bottom = -1;  // inclusive; empty when right < left
    bool empty() const { return right < left || bottom < top; }
};

// Whether two runs of pixels are equal: four at a time, since this
// platform's memcmp goes byte by byte and a frame is compared ten times a
// second while a program waits.
bool same_pixels(const std::uint32_t* a, const std::uint32_t* b, int count) {
    int i = 0;
    for (; i + 4 <= count; i += 4)
        if (((a[i] ^ b[i]) | (a[i + 1] ^ b[i + 1]) | (a[i + 2] ^ b[i + 2]) | (a[i + 3] ^ b[i + 3])) != 0)
            return false;
    for (; i < count; ++i)
        if (a[i] != b[i]) return false;
    return true;
}

// Brings `shown` up to date with the surface and returns the area that
// changed: the rows that differ, then the columns that differ within them.
area take_changes(native_window& n, const pixels& px) {
    const int width = px.width, height = px.height;
    const std::size_t count = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    if (n.shown_width != width || n.shown_height != height || n.shown.size() != count) {
        n.shown.assign(count, 0);
        n.rgba.assign(count * 4, 0);
        n.shown_width = width;
        n.shown_height = height;
        for (int row = 0; row < height; ++row)
            std::memcpy(&n.shown[static_cast<std::size_t>(row) * width],
                        px.bits + static_cast<std::size_t>(row) * px.stride,
                        sizeof(std::uint32_t) * static_cast<std::size_t>(width));
        return width > 0 && height > 0 ? area{0, 0, width - 1, height - 1} : area{};
    }
    auto now_row = [&](int row) { return px.bits + static_cast<std::size_t>(row) * px.stride; };
    auto shown_row = [&](int row) { return &n.shown[static_cast<std::size_t>(row) * width]; };
    int top = 0, bottom = height - 1;
    while (top < height && same_pixels(now_row(top), shown_row(top), width)) ++top;
    if (top == height) return area{};
    while (same_pixels(now_row(bottom), shown_row(bottom), width)) --bottom;
    int left = width, right = -1;
    for (int row = top; row <= bottom; ++row) {
        const std::uint32_t *now = now_row(row), *before = shown_row(row);
        int first = 0;
        while (first < left && now[first] == before[first]) ++first;
        left = std::min(left, first);
        int last = width - 1;
        while (last > right && now[last] == before[last]) --last;
        right = std::max(right, last);
    }
    for (int row = top; row <= bottom; ++row)
        std::memcpy(shown_row(row) + left, now_row(row) + left,
                    sizeof(std::uint32_t) * static_cast<std::size_t>(right - left + 1));
    return area{left, top, right, bottom};
}

// The canvas takes bytes in the order red, green, blue, alpha.
void to_rgba(native_window& n, const area& a) {
    for (int row = a.top; row <= a.bottom; ++row) {
        const std::uint32_t* from = &n.shown[static_cast<std::size_t>(row) * n.shown_width];
        std::uint8_t* to = &n.rgba[(static_cast<std::size_t>(row) * n.shown_width) * 4];
        for (int col = a.left; col <= a.right; ++col) {
            std::uint32_t p = from[col];
            std::uint8_t* out = to + static_cast<std::size_t>(col) * 4;
            out[0] = static_cast<std::uint8_t>(p >> 16);
            out[1] = static_cast<std::uint8_t>(p >> 8);
            out[2] = static_cast<std::uint8_t>(p);
            out[3] = 0xFF;
        }
    }
}

}  // namespace

native_window* native_of(window w) { return w ? static_cast<native_window*>(w->native) : nullptr; }

void copy_to_canvas(window w) {
    native_window* n = native_of(w);
    if (!n) return;
    n->copy_pending = false;
    n->last_copy_ms = now_ms();
    if (!w->surface) return;
    pixels px = backend::image_pixels(w->surface);
    area changed = take_changes(*n, px);
    if (changed.empty()) return;
    to_rgba(*n, changed);
    draxo_web_put_pixels(w, n->rgba.data(), n->shown_width, n->shown_width, n->shown_height, changed.left,
                         changed.top, changed.right - changed.left + 1, changed.bottom - changed.top + 1);
}

void copy_pending_surfaces(bool all) {
    double now = now_ms();
    for (window w : platform().windows) {
        native_window* n = native_of(w);
        if (n && n->copy_pending && (all || now - n->last_copy_ms >= frame_interval_ms)) copy_to_canvas(w);
    }
}

}  // namespace web

namespace backend {

void create_window(window w) {
    w->native = new web::native_window;
    web::platform().windows.push_back(w);
    int width = std::max(0, w->outer.right - w->outer.left), height = std::max(0, w->outer.bottom - w->outer.top);
    web::draxo_web_create_window(w, web::page_text(w->title).c_str(), width, height,
                                 (w->style & WS_SYSMENU) ? 1 : 0);
    native_client_resized(w, client_size(w));
}

void destroy_window(window w) {
    web::native_window* n = web::native_of(w);
    if (!n) return;
    web::draxo_web_destroy_window(w);
    std::erase(web::platform().windows, w);
    delete n;
    w->native = nullptr;
}

bool show_window(window w, int show_command) {
    web::native_window* n = web::native_of(w);
    if (!n) return false;
    bool was_visible = n->visible;
    n->visible = show_command != SW_HIDE;
    bool activate = show_command != SW_HIDE && show_command != SW_SHOWNOACTIVATE && show_command != SW_SHOWNA &&
                    show_command != SW_SHOWMINNOACTIVE;
    web::draxo_web_show_window(w, n->visible ? 1 : 0, activate ? 1 : 0);
    if (n->visible && !was_visible) {
        native_window_shown(w);
        web::copy_to_canvas(w);
    }
    return was_visible;
}

bool window_visible(window w) {
    web::native_window* n = web::native_of(w);
    return n && n->visible;
}

// The canvas is the client area, of the window's outer size: the title
// and menu bars lie outside it.
extent client_size(window w) {
    if (!web::native_of(w)) return {};
    return extent{std::max(0, w->outer.right - w->outer.left), std::max(0, w->outer.bottom - w->outer.top)};
}

void surface_changed(window w) {
    web::native_window* n = web::native_of(w);
    if (!n) return;
    n->copy_pending = true;
    if (web::now_ms() - n->last_copy_ms >= web::frame_interval_ms) web::copy_to_canvas(w);
}

void present_now(window w) {
    web::native_window* n = web::native_of(w);
    if (!n || !n->visible) return;
    web::copy_to_canvas(w);
    // The page paints only when it has the thread.
    web::yield_now_and_then();
}

void activate_menu_bar(window w) {
    if (web::native_of(w)) web::draxo_web_select_menu_bar(w);
}

}  // namespace backend
}  // namespace draxo::ws
