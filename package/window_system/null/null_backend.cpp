// The null backend: every entry of the backend contract without a display,
// but for images (memory_images.cpp) and fonts and text (null_text.cpp).
#include "null_backend.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string_view>
#include <utility>
#include <vector>

#include "text/text_encoding.h"

namespace draxo::ws {
namespace null {
namespace {

struct native_window {
    bool visible = false;
    int menu_activations = 0;
    int surface_updates = 0;
    int presents = 0;
    rect last_area;
    std::int64_t frame_due = -1;  // when the frame the core asked for is due; -1: none
};

struct native_timer {
    unsigned period = 0;
    std::uint64_t next = 0;
};

struct scheduled_action {
    std::uint64_t at;
    std::uint64_t order;  // actions due at the same time run in the order scheduled
    std::function<void()> action;
};

struct native_control {
    unsigned id = 0;
    std::string text;
};

struct platform_state {
    bool opened = false;
    extent screen{1024, 768};
    std::uint64_t clock = 0;
    std::uint64_t deadline = 3600 * 1000;
    std::map<std::pair<window, unsigned>, native_timer> timers;
    std::vector<scheduled_action> actions;
    std::uint64_t actions_scheduled = 0;
    std::function<void(const char*)> starved;
    bool keys_held[256] = {};
    std::vector<dialog> dialogs;  // open, innermost last
    std::vector<window> windows;  // with a native side
};

platform_state& platform() {
    static auto* state = new platform_state;
    return *state;
}

native_window* native_of(window w) { return w ? static_cast<native_window*>(w->native) : nullptr; }

std::vector<native_control>* native_of(dialog d) {
    return d ? static_cast<std::vector<native_control>*>(d->native) : nullptr;
}

void starve(const char* why) {
    platform_state& p = platform();
    if (p.starved) {
        p.starved(why);
        return;
    }
    std::fprintf(stderr, "DRAXO null backend: %s\n", why);
    std::abort();
}

// The time of the next timer expiry or scheduled action; false when there is none.
bool next_happening(std::uint64_t& at) {
    platform_state& p = platform();
    bool found = false;
    for (const auto& [key, t] : p.timers) {
        at = found ? std::min(at, t.next) : t.next;
        found = true;
    }
    for (const scheduled_action& a : p.actions) {
        at = found ? std::min(at, a.at) : a.at;
        found = true;
    }
    return found;
}

// Fires the expiries and runs the actions due by the clock, earliest first.
void run_due() {
    platform_state& p = platform();
    for (;;) {
        std::uint64_t at;
        if (!next_happening(at) || at > p.clock) return;
        for (auto& [key, t] : p.timers) {
            if (t.next != at) continue;
            t.next += t.period;
            native_timer_fired(key.first, key.second);
            return run_due();  // the timer map may have changed
        }
        auto first = std::min_element(p.actions.begin(), p.actions.end(), [](const auto& a, const auto& b) {
            return a.at != b.at ? a.at < b.at : a.order < b.order;
        });
        std::function<void()> action = std::move(first->action);
        p.actions.erase(first);
        action();
    }
}

// Shows the frames due by the clock. A frame is not something a blocking
// poll waits for: a program's wait goes on as it would without it, and the
// frame is shown at the first poll, or the first advance(), that passes it.
// Nothing is allocated here: a frame asked for while memory runs out is
// shown all the same.
void show_frames_due() {
    platform_state& p = platform();
    for (std::size_t i = 0; i < p.windows.size(); ++i) {
        window w = p.windows[i];
        native_window* n = native_of(w);
        if (!n || n->frame_due < 0 || static_cast<std::uint64_t>(n->frame_due) > p.clock) continue;
        n->frame_due = -1;
        native_frame_due(w);
    }
}

}  // namespace

std::uint64_t now() { return platform().clock; }

void advance(std::uint64_t ms) {
    platform_state& p = platform();
    std::uint64_t target = p.clock + ms;
    for (;;) {
        std::uint64_t at;
        if (!next_happening(at) || at > target) break;
        p.clock = std::max(p.clock, at);
        run_due();
        show_frames_due();
    }
    p.clock = target;
    show_frames_due();
}

void schedule(std::uint64_t ms, std::function<void()> action) {
    platform_state& p = platform();
    p.actions.push_back(scheduled_action{p.clock + ms, p.actions_scheduled++, std::move(action)});
}

unsigned timer_period(window w, unsigned id) {
    auto found = platform().timers.find({w, id});
    return found == platform().timers.end() ? 0 : found->second.period;
}

void set_starved_handler(std::function<void(const char*)> handler) { platform().starved = std::move(handler); }

void set_deadline(std::uint64_t ms_from_now) { platform().deadline = platform().clock + ms_from_now; }

void inject(const message& m) {
    message input = m;
    const bool* held = platform().keys_held;
    if (input.modifiers < 0)
        input.modifiers = (held[VK_SHIFT] ? HELD_SHIFT : 0) | (held[VK_CONTROL] ? HELD_CONTROL : 0) |
                          (held[VK_MENU] ? HELD_ALT : 0);
    enqueue_input(input);
}

void set_key_held(unsigned virtual_key, bool held) { platform().keys_held[virtual_key & 0xFFu] = held; }

void request_termination() { native_termination_requested(); }

void set_screen_size(extent size) { platform().screen = size; }

int surface_updates(window w) {
    native_window* n = native_of(w);
    return n ? n->surface_updates : 0;
}

int presents(window w) {
    native_window* n = native_of(w);
    return n ? n->presents : 0;
}

rect last_shown_area(window w) {
    native_window* n = native_of(w);
    return n ? n->last_area : rect{};
}

std::string control_text(dialog d, unsigned id) {
    std::string text;
    backend::dialog_item_text(d, id, text);
    return text;
}

void set_control_text(dialog d, unsigned id, const std::string& utf8) {
    if (auto* controls = native_of(d))
        for (native_control& c : *controls)
            if (c.id == id) c.text = utf8;
}

void dialog_command(dialog d, unsigned id) { native_dialog_command(d, id); }

void destroy_dialog_window(dialog d) { native_dialog_destroyed(d); }

int menu_activations(window w) {
    native_window* n = native_of(w);
    return n ? n->menu_activations : 0;
}

dialog open_dialog() {
    const std::vector<dialog>& all = platform().dialogs;
    return all.empty() ? nullptr : all.back();
}

}  // namespace null

namespace backend {

bool init(std::string&, extent) {
    null::platform().opened = true;
    return true;
}

void quit() {
    null::platform_state& p = null::platform();
    p.timers.clear();
    p.actions.clear();
    p.windows.clear();
    p.opened = false;
}

extent screen_size() { return null::platform().screen; }

void create_window(window w) {
    w->native = new null::native_window;
    null::platform().windows.push_back(w);
    native_client_resized(w, client_size(w));
}

void destroy_window(window w) {
    std::erase(null::platform().windows, w);
    delete null::native_of(w);
    w->native = nullptr;
}

bool show_window(window w, int show_command) {
    null::native_window* n = null::native_of(w);
    if (!n) return false;
    bool was_visible = n->visible;
    n->visible = show_command != SW_HIDE;
    if (n->visible && !was_visible) native_window_shown(w);
    return was_visible;
}

bool window_visible(window w) {
    null::native_window* n = null::native_of(w);
    return n && n->visible;
}

extent client_size(window w) {
    int bar = w->menu_bar ? null::menu_bar_height : 0;
    return extent{std::max(0, w->outer.right - w->outer.left), std::max(0, w->outer.bottom - w->outer.top - bar)};
}

double now_ms() { return static_cast<double>(null::platform().clock); }

void show_area(window w, const rect& area) {
    if (null::native_window* n = null::native_of(w)) {
        ++n->surface_updates;
        n->last_area = area;
    }
}

void present(window w, const rect& area) {
    if (null::native_window* n = null::native_of(w)) {
        ++n->presents;
        n->last_area = area;
    }
}

void schedule_frame(window w, int delay_ms) {
    if (null::native_window* n = null::native_of(w))
        n->frame_due = static_cast<std::int64_t>(null::platform().clock) + std::max(0, delay_ms);
}

void create_menu(menu) {}
void menu_item_appended(menu, int) {}
void menu_item_changed(menu, int) {}

void attach_menu(window w, menu) { native_client_resized(w, client_size(w)); }

void activate_menu_bar(window w) {
    if (null::native_window* n = null::native_of(w)) ++n->menu_activations;
}

bool key_held(unsigned virtual_key) { return null::platform().keys_held[virtual_key & 0xFFu]; }

void start_timer(window w, unsigned id, unsigned period_ms) {
    null::platform_state& p = null::platform();
    unsigned period = std::max(1u, period_ms);
    p.timers[{w, id}] = null::native_timer{period, p.clock + period};
}

void stop_timer(window w, unsigned id) { null::platform().timers.erase({w, id}); }

void poll_events(bool block) {
    null::platform_state& p = null::platform();
    null::run_due();
    null::show_frames_due();
    if (!block) return;
    std::uint64_t at;
    if (!null::next_happening(at))
        return null::starve("a blocking poll has nothing ahead of it: the wait would never end");
    if (at > p.deadline) return null::starve("a blocking poll passed the deadline: the wait goes on for ever");
    p.clock = std::max(p.clock, at);
    null::run_due();
    null::show_frames_due();
}

bool create_dialog(dialog d) {
    auto* controls = new std::vector<null::native_control>;
    for (const dialog_item_template& item : d->layout.items) {
        if (!item.class_name.empty() || (item.class_atom != CONTROL_BUTTON && item.class_atom != CONTROL_EDIT &&
                                         item.class_atom != CONTROL_STATIC)) {
            delete controls;
            return false;
        }
        controls->push_back(null::native_control{item.id, text::utf8_of_utf16(item.text)});
    }
    d->native = controls;
    null::platform().dialogs.push_back(d);
    return true;
}

void show_dialog(dialog) {}
void focus_first_tab_stop(dialog) {}

bool dialog_item_text(dialog d, unsigned id, std::string& utf8) {
    if (auto* controls = null::native_of(d))
        for (const null::native_control& c : *controls)
            if (c.id == id) {
                utf8 = c.text;
                return true;
            }
    return false;
}

void destroy_dialog(dialog d) {
    std::erase(null::platform().dialogs, d);
    delete null::native_of(d);
    d->native = nullptr;
}

}  // namespace backend
}  // namespace draxo::ws
