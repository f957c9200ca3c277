// The layer's core: opening and closing the window system, window classes and
// windows, paint state, and the backend's notifications about windows.
#include <algorithm>
#include <cstdlib>

#include "ws_core.h"

namespace draxo::ws {

core_state::core_state() { std::fill(std::begin(last_character), std::end(last_character), -1); }

core_state& core() {
    static auto* state = new core_state;
    return *state;
}

// --- Opening and closing ------------------------------------------------------

bool on_layer_thread() {
    std::thread::id none{}, self = std::this_thread::get_id();
    std::atomic<std::thread::id>& owner = core().owner;
    return owner.compare_exchange_strong(none, self) || none == self;
}

void set_headless() { core().headless = true; }

bool headless() { return core().headless; }

bool init(std::string& why_not, extent must_fit) {
    core_state& c = core();
    if (c.opened == 0) {
        c.opened = backend::init(c.why_not_opened, must_fit) ? 1 : -1;
        if (c.opened > 0) std::atexit(quit);
    }
    why_not = c.why_not_opened;
    return c.opened > 0;
}

void quit() {
    core_state& c = core();
    if (c.opened <= 0) return;
    // The backend takes down what it keeps natively. The records stay, dead,
    // so that a handle held anywhere never dangles.
    backend::quit();
    for (dialog d : c.open_dialogs) d->ended = true;
    c.open_dialogs.clear();
    for (window w : c.windows) w->destroyed = true;
    c.timers.clear();
    c.queue.clear();
    c.opened = 0;
}

// --- Windows -------------------------------------------------------------------

namespace {

// Without a screen a client area is the outer size less the menu bar's rows:
// there is no frame.
extent headless_client_size(window w) {
    int bar = w->menu_bar ? headless_menu_bar_height : 0;
    return extent{std::max(w->outer.right - w->outer.left, 0), std::max(w->outer.bottom - w->outer.top - bar, 0)};
}

extent client_size_of(window w) { return headless() ? w->client : backend::client_size(w); }

// The window's client area has a new size: a surface of that size, keeping
// what it can of the old one; a window made already is told.
void resize_client(window w, extent size) {
    bool changed = size.cx != w->client.cx || size.cy != w->client.cy || !w->surface;
    if (!changed) return;
    image fresh = create_image(std::max(size.cx, 1), std::max(size.cy, 1));
    fill_image(fresh, w->background);
    if (w->surface) {
        copy_image(w->surface, fresh);
        delete_image(w->surface);
    }
    w->surface = fresh;
    w->client = size;
    if (!w->created) return;  // create_window reports the first size itself
    if (w->class_style & (CS_HREDRAW | CS_VREDRAW)) invalidate(w);
    send_message(w, WM_SIZE, 0, make_lparam(size.cx, size.cy));
}

}  // namespace

void register_class(const char* name, unsigned class_style, window_proc proc, colorref background) {
    core().classes[name] = window_class{class_style, proc, background};
}

bool class_registered(const char* name) { return core().classes.count(name) != 0; }

window create_window(const char* class_name, const char* title, unsigned style, int x, int y, int width,
                     int height) {
    core_state& c = core();
    auto found = c.classes.find(class_name);
    if (found == c.classes.end() || c.opened <= 0) return nullptr;
    auto* w = new window_record;
    w->class_name = class_name;
    w->class_style = found->second.style;
    w->proc = found->second.proc;
    w->background = found->second.background;
    w->title = title ? title : "";
    w->style = style;
    w->outer = rect{x, y, x + width, y + height};
    c.windows.push_back(w);
    backend::create_window(w);
    send_message(w, WM_CREATE, 0, 0);
    // Its menu bar, if it has one, is attached now.
    if (headless()) resize_client(w, headless_client_size(w));
    w->created = true;
    w->client = client_size_of(w);
    send_message(w, WM_SIZE, 0, make_lparam(w->client.cx, w->client.cy));
    return w;
}

void destroy_window(window w) {
    if (!is_window(w)) return;
    send_message(w, WM_DESTROY, 0, 0);
    w->destroyed = true;
    w->paint_pending = false;
    std::erase_if(core().timers, [w](const timer_record& t) {
        if (t.w != w) return false;
        backend::stop_timer(t.w, t.id);
        return true;
    });
    end_dialogs_owned_by(w);
    backend::destroy_window(w);
    w->presented = presentation{};  // the copy of what the screen showed goes too
}

bool is_window(window w) { return w && !w->destroyed; }

bool show_window(window w, int show_command) {
    if (!is_window(w)) return false;
    if (!headless()) return backend::show_window(w, show_command);
    // Shown in the records only; a window shown is due to be painted, as
    // on a screen.
    bool was_shown = w->shown_headless;
    w->shown_headless = show_command != SW_HIDE;
    if (w->shown_headless && !was_shown) native_window_shown(w);
    return was_shown;
}

bool window_visible(window w) {
    if (!is_window(w)) return false;
    return headless() ? w->shown_headless : backend::window_visible(w);
}

rect client_rect(window w) {
    if (!is_window(w)) return {};
    extent size = client_size_of(w);
    return rect{0, 0, size.cx, size.cy};
}

extent screen_size() { return core().opened > 0 ? backend::screen_size() : extent{}; }

lresult send_message(window w, unsigned id, wparam wp, lparam lp) {
    if (!is_window(w) || !w->proc) return 0;
    return w->proc(w, id, wp, lp);
}

lresult def_window_proc(window w, unsigned id, wparam wp, lparam) {
    switch (id) {
    case WM_CLOSE: destroy_window(w); return 0;
    case WM_SYSKEYDOWN:
        if (wp == VK_F10 && is_window(w) && w->menu_bar) backend::activate_menu_bar(w);
        return 0;
    case WM_PAINT:
        begin_paint(w);
        end_paint(w);
        return 0;
    default: return 0;
    }
}

// --- Painting --------------------------------------------------------------------

void begin_paint(window w) {
    if (!is_window(w)) return;
    if (w->erase_pending && w->surface) {
        fill_image(w->surface, w->background);
        surface_changed(w);
    }
    w->erase_pending = false;
    w->paint_pending = false;
}

void end_paint(window) {}

void invalidate(window w) {
    if (!is_window(w)) return;
    w->paint_pending = true;
    w->erase_pending = true;
}

image window_surface(window w) { return w ? w->surface : nullptr; }

// --- Notifications from the backend --------------------------------------------------

// A window that owns an open dialog takes no input, no close request and
// no menu command of its own; messages posted to it still arrive.
void enqueue_input(const message& m) {
    if (!is_window(m.hwnd) || m.hwnd->input_disabled) return;
    if (m.id == WM_KEYDOWN || m.id == WM_SYSKEYDOWN) core().last_character[m.w & 0xFFu] = m.character;
    // A fast mouse cannot flood the queue: a move replaces the window's move
    // still unread at the queue's end, so only its latest position waits.
    // One behind other input stays, keeping the order of what happened.
    std::deque<message>& queue = core().queue;
    if (m.id == WM_MOUSEMOVE && !queue.empty() && queue.back().id == WM_MOUSEMOVE && queue.back().hwnd == m.hwnd) {
        queue.back() = m;
        return;
    }
    queue.push_back(m);
}

// Without a screen the layer sizes client areas itself.
void native_client_resized(window w, extent size) {
    if (!w->destroyed && !headless()) resize_client(w, size);
}

void native_window_shown(window w) { invalidate(w); }

void native_close_requested(window w) {
    if (is_window(w) && !w->input_disabled) post_message(w, WM_CLOSE, 0, 0);
}

void native_window_destroyed(window w) { destroy_window(w); }

void native_focus_changed(window from, window to) {
    if (is_window(from)) send_message(from, WM_KILLFOCUS, reinterpret_cast<wparam>(to), 0);
    if (is_window(to)) send_message(to, WM_SETFOCUS, reinterpret_cast<wparam>(from), 0);
}

}  // namespace draxo::ws
