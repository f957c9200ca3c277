// The window-system layer's core: window classes and records, the message
// queue, timers, paint state and the menu model. Native work is delegated to
// the backend (ws_backend.h).
#include <algorithm>
#include <cstring>
#include <deque>
#include <map>
#include <string>
#include <vector>

#include "backend.h"

namespace draxo::ws {
namespace {

struct window_class {
    unsigned style = 0;
    window_proc proc = nullptr;
    colorref background = 0xFFFFFF;
};

struct timer_record {
    window w = nullptr;
    unsigned id = 0;
    bool due = false;
};

// The registries live until the process ends and are never destroyed, so
// that nothing they hold is torn down while native objects still refer to it.
std::map<std::string, window_class>& classes() {
    static auto* registry = new std::map<std::string, window_class>;
    return *registry;
}

// Windows and menus are never freed: their handles stay valid (if dead)
// for as long as the process runs, so a stale handle can never dangle.
std::vector<window>& windows() {
    static auto* all = new std::vector<window>;
    return *all;
}

std::deque<message> queue;
std::vector<timer_record> timers;
bool quit_posted = false;
int quit_code = 0;

// The character each virtual key produced when it was last pressed, as the
// keyboard state would tell. A key-down posted from one window to another
// carries no native character; translating it looks the character up here.
int last_character[256];
bool last_character_ready = false;

void remember_character(unsigned vk, int character) {
    if (!last_character_ready) {
        std::fill(std::begin(last_character), std::end(last_character), -1);
        last_character_ready = true;
    }
    last_character[vk & 0xFFu] = character;
}

int character_for(const message& m) {
    if (m.character >= 0) return m.character;
    if (!last_character_ready) return -1;
    return last_character[m.w & 0xFFu];
}

// Hidden windows are not painted; showing one makes it due again.
bool paint_due(window w) { return !w->destroyed && w->paint_pending && backend::window_visible(w); }

bool take_message(message& out) {
    if (!queue.empty()) {
        out = queue.front();
        queue.pop_front();
        return true;
    }
    if (quit_posted) {
        quit_posted = false;
        out = message{nullptr, WM_QUIT, static_cast<wparam>(quit_code), 0, -1};
        return true;
    }
    for (window w : windows()) {
        if (paint_due(w)) {
            out = message{w, WM_PAINT, 0, 0, -1};
            return true;
        }
    }
    for (timer_record& t : timers) {
        if (t.due) {
            t.due = false;
            out = message{t.w, WM_TIMER, t.id, 0, -1};
            return true;
        }
    }
    return false;
}

bool message_ready() {
    if (!queue.empty() || quit_posted) return true;
    for (window w : windows())
        if (paint_due(w)) return true;
    for (const timer_record& t : timers)
        if (t.due) return true;
    return false;
}

}  // namespace

// --- Windows -----------------------------------------------------------------

void register_class(const char* name, unsigned class_style, window_proc proc, colorref background) {
    classes()[name] = window_class{class_style, proc, background};
}

bool class_registered(const char* name) { return classes().count(name) != 0; }

window create_window(const char* class_name, const char* title, unsigned style, int x, int y, int width,
                     int height) {
    auto found = classes().find(class_name);
    if (found == classes().end()) return nullptr;
    auto* w = new window_record;
    w->class_name = class_name;
    w->class_style = found->second.style;
    w->proc = found->second.proc;
    w->background = found->second.background;
    w->title = title ? title : "";
    w->style = style;
    w->outer = rect{x, y, x + width, y + height};
    windows().push_back(w);
    backend::create_window(w);
    send_message(w, WM_CREATE, 0, 0);
    w->created = true;
    w->client = backend::client_size(w);
    send_message(w, WM_SIZE, 0, make_lparam(w->client.cx, w->client.cy));
    return w;
}

void destroy_window(window w) {
    if (!is_window(w)) return;
    send_message(w, WM_DESTROY, 0, 0);
    w->destroyed = true;
    w->paint_pending = false;
    std::erase_if(timers, [w](const timer_record& t) {
        if (t.w != w) return false;
        backend::stop_timer(t.w, t.id);
        return true;
    });
    end_dialogs_owned_by(w);
    backend::destroy_window(w);
}

bool is_window(window w) { return w && !w->destroyed; }

bool show_window(window w, int show_command) {
    if (!is_window(w)) return false;
    return backend::show_window(w, show_command);
}

bool window_visible(window w) { return is_window(w) && backend::window_visible(w); }

rect client_rect(window w) {
    if (!is_window(w)) return {};
    extent size = backend::client_size(w);
    return rect{0, 0, size.cx, size.cy};
}

rect window_rect(window w) { return w ? w->outer : rect{}; }

std::string window_title(window w) { return w ? w->title : std::string(); }

extent screen_size() { return backend::screen_size(); }

lresult send_message(window w, unsigned id, wparam wp, lparam lp) {
    if (!is_window(w) || !w->proc) return 0;
    return w->proc(w, id, wp, lp);
}

lresult def_window_proc(window w, unsigned id, wparam, lparam) {
    switch (id) {
    case WM_CLOSE: destroy_window(w); return 0;
    case WM_PAINT:
        begin_paint(w);
        end_paint(w);
        return 0;
    default: return 0;
    }
}

// --- Messages ------------------------------------------------------------------

bool peek_message(message& out) {
    backend::poll_events(false);
    return take_message(out);
}

void wait_message() {
    while (!message_ready()) backend::poll_events(true);
}

void translate_message(const message& m) {
    if (m.id != WM_KEYDOWN && m.id != WM_SYSKEYDOWN) return;
    int character = character_for(m);
    if (character < 0) return;
    unsigned id = m.id == WM_KEYDOWN ? WM_CHAR : WM_SYSCHAR;
    queue.push_front(message{m.hwnd, id, static_cast<wparam>(character), m.l, -1});
}

lresult dispatch_message(const message& m) {
    if (!is_window(m.hwnd) || !m.hwnd->proc) return 0;
    return m.hwnd->proc(m.hwnd, m.id, m.w, m.l);
}

void post_message(window w, unsigned id, wparam wp, lparam lp) {
    if (!is_window(w)) return;
    queue.push_back(message{w, id, wp, lp, -1});
}

void post_quit_message(int exit_code) {
    quit_posted = true;
    quit_code = exit_code;
}

void set_timer(window w, unsigned id, unsigned period_ms) {
    if (!is_window(w)) return;
    for (timer_record& t : timers) {
        if (t.w == w && t.id == id) {
            backend::stop_timer(w, id);
            backend::start_timer(w, id, period_ms);
            return;
        }
    }
    timers.push_back(timer_record{w, id, false});
    backend::start_timer(w, id, period_ms);
}

void kill_timer(window w, unsigned id) {
    std::erase_if(timers, [w, id](const timer_record& t) {
        if (t.w != w || t.id != id) return false;
        backend::stop_timer(w, id);
        return true;
    });
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

void surface_changed(window w) {
    if (is_window(w)) backend::surface_changed(w);
}

void fill_image(image img, colorref color) {
    pixels px = image_pixels(img);
    std::uint32_t value = pixel_of(color);
    for (int row = 0; row < px.height; ++row) std::fill_n(px.bits + row * px.stride, px.width, value);
}

void copy_image(image from, image to) {
    pixels a = image_pixels(from), b = image_pixels(to);
    int width = std::min(a.width, b.width), height = std::min(a.height, b.height);
    for (int row = 0; row < height; ++row)
        std::memcpy(b.bits + row * b.stride, a.bits + row * a.stride, sizeof(std::uint32_t) * width);
}

// --- Menus -------------------------------------------------------------------------

menu create_menu() {
    auto* m = new menu_record;
    m->is_bar = true;
    backend::create_menu(m);
    return m;
}

menu create_popup_menu() {
    auto* m = new menu_record;
    backend::create_menu(m);
    return m;
}

namespace {
void set_owner(menu m, window w) {
    m->owner = w;
    for (menu_item& item : m->items)
        if (item.popup) set_owner(item.popup, w);
}
}  // namespace

void append_menu(menu m, unsigned flags, std::uintptr_t id_or_popup, const char* text) {
    if (!m) return;
    menu_item item;
    item.flags = flags;
    if (flags & MF_POPUP) {
        item.popup = reinterpret_cast<menu>(id_or_popup);
        item.popup->parent = m;
        set_owner(item.popup, m->owner);
    } else {
        item.id = id_or_popup;
    }
    if (!(flags & MF_SEPARATOR) && text) item.text = text;
    m->items.push_back(item);
    backend::menu_item_appended(m, static_cast<int>(m->items.size()) - 1);
}

void set_menu(window w, menu m) {
    if (!is_window(w)) return;
    w->menu_bar = m;
    if (m) set_owner(m, w);
    backend::attach_menu(w, m);
}

void draw_menu_bar(window) {}

int check_menu_item(menu m, unsigned id, unsigned flags) {
    if (!m) return -1;
    for (std::size_t pos = 0; pos < m->items.size(); ++pos) {
        menu_item& item = m->items[pos];
        if (item.popup || (item.flags & MF_SEPARATOR) || item.id != id) continue;
        int previous = (item.flags & MF_CHECKED) ? MF_CHECKED : MF_UNCHECKED;
        item.flags = (item.flags & ~static_cast<unsigned>(MF_CHECKED)) | (flags & MF_CHECKED);
        backend::menu_item_changed(m, static_cast<int>(pos));
        return previous;
    }
    return -1;
}

int menu_item_count(menu m) { return m ? static_cast<int>(m->items.size()) : 0; }

menu_item menu_item_at(menu m, int position) {
    if (!m || position < 0 || position >= menu_item_count(m)) return {};
    return m->items[static_cast<std::size_t>(position)];
}

menu window_menu(window w) { return w ? w->menu_bar : nullptr; }

// --- Notifications from the backend --------------------------------------------------

// A window that owns an open dialog takes no input, no close request and
// no menu command of its own; messages posted to it still arrive.
void enqueue_input(const message& m) {
    if (!is_window(m.hwnd) || m.hwnd->input_disabled) return;
    if ((m.id == WM_KEYDOWN || m.id == WM_SYSKEYDOWN)) remember_character(static_cast<unsigned>(m.w), m.character);
    queue.push_back(m);
}

void native_timer_fired(window w, unsigned id) {
    for (timer_record& t : timers)
        if (t.w == w && t.id == id) t.due = true;
}

void native_client_resized(window w, extent size) {
    if (w->destroyed) return;
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

void native_window_shown(window w) { invalidate(w); }

void native_close_requested(window w) {
    if (is_window(w) && !w->input_disabled) post_message(w, WM_CLOSE, 0, 0);
}

void native_window_destroyed(window w) { destroy_window(w); }

void native_menu_command(menu m, unsigned id) {
    if (m && is_window(m->owner) && !m->owner->input_disabled) post_message(m->owner, WM_COMMAND, id, 0);
}

void native_focus_changed(window from, window to) {
    if (is_window(from)) send_message(from, WM_KILLFOCUS, reinterpret_cast<wparam>(to), 0);
    if (is_window(to)) send_message(to, WM_SETFOCUS, reinterpret_cast<wparam>(from), 0);
}

}  // namespace draxo::ws
