// Web backend: package windows as frames of the page, and their pixels on
// the canvas.
#include <algorithm>

#include "web_backend.h"

namespace draxo::ws {
namespace web {

native_window* native_of(window w) { return w ? static_cast<native_window*>(w->native) : nullptr; }

void show_frames_due(bool all) {
    const double now = now_ms();
    for (window w : platform().windows) {
        native_window* n = native_of(w);
        if (!n || n->frame_due_ms < 0 || (!all && now < n->frame_due_ms)) continue;
        n->frame_due_ms = -1;
        native_frame_due(w);
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
        // The canvas shows the surface from the moment it is seen.
        n->frame_due_ms = -1;
        native_frame_due(w);
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

double now_ms() { return web::now_ms(); }

// The canvas takes bytes in the order red, green, blue, alpha.
void show_area(window w, const rect& area) {
    web::native_window* n = web::native_of(w);
    if (!n || !w->surface) return;
    const pixels px = backend::image_pixels(w->surface);
    n->rgba.resize(static_cast<std::size_t>(px.width) * static_cast<std::size_t>(px.height) * 4);
    for (int row = area.top; row < area.bottom; ++row) {
        const std::uint32_t* from = px.bits + static_cast<std::size_t>(row) * static_cast<std::size_t>(px.stride);
        std::uint8_t* to = &n->rgba[static_cast<std::size_t>(row) * static_cast<std::size_t>(px.width) * 4];
        for (int col = area.left; col < area.right; ++col) {
            const std::uint32_t p = from[col];
            std::uint8_t* out = to + static_cast<std::size_t>(col) * 4;
            out[0] = static_cast<std::uint8_t>(p >> 16);
            out[1] = static_cast<std::uint8_t>(p >> 8);
            out[2] = static_cast<std::uint8_t>(p);
            out[3] = 0xFF;
        }
    }
    web::draxo_web_put_pixels(w, n->rgba.data(), px.width, px.width, px.height, area.left, area.top,
                              area.right - area.left, area.bottom - area.top);
}

void present(window w, const rect& area) {
    if (area.right > area.left) show_area(w, area);
    // The page paints only when it has the thread.
    web::yield_now_and_then();
}

void schedule_frame(window w, int delay_ms) {
    if (web::native_window* n = web::native_of(w)) n->frame_due_ms = web::now_ms() + delay_ms;
}

void activate_menu_bar(window w) {
    if (web::native_of(w)) web::draxo_web_select_menu_bar(w);
}

}  // namespace backend
}  // namespace draxo::ws
