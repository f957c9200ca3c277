// The layer's core: the message queue and message timers. Messages are taken
// in this order: queued (posted and input) messages first, then the quit
// message, then paint requests, then due timers, so that a quit or a tick
// never overtakes input that arrived before it.
#include <algorithm>

#include "ws_core.h"

namespace draxo::ws {
namespace {

// Hidden windows are not painted; showing one makes it due again.
bool paint_due(window w) { return w->paint_pending && window_visible(w); }

bool take_message(message& out) {
    core_state& c = core();
    if (!c.queue.empty()) {
        out = c.queue.front();
        c.queue.pop_front();
        return true;
    }
    if (c.quit_posted) {
        c.quit_posted = c.ending;
        out = message{nullptr, WM_QUIT, static_cast<wparam>(c.quit_code), 0, -1};
        return true;
    }
    for (window w : c.windows) {
        if (paint_due(w)) {
            out = message{w, WM_PAINT, 0, 0, -1};
            return true;
        }
    }
    for (timer_record& t : c.timers) {
        if (t.due) {
            t.due = false;
            out = message{t.w, WM_TIMER, t.id, 0, -1};
            return true;
        }
    }
    return false;
}

int character_for(const message& m) {
    if (m.character >= 0) return m.character;
    return core().last_character[m.w & 0xFFu];
}

}  // namespace

bool message_ready() {
    const core_state& c = core();
    if (!c.queue.empty() || c.quit_posted) return true;
    for (window w : c.windows)
        if (paint_due(w)) return true;
    for (const timer_record& t : c.timers)
        if (t.due) return true;
    return false;
}

bool peek_message(message& out) {
    if (core().opened > 0) backend::poll_events(false);
    return take_message(out);
}

void wait_message() {
    if (core().opened <= 0) return;
    while (!message_ready()) backend::poll_events(true);
}

bool key_held(unsigned virtual_key) { return core().opened > 0 && backend::key_held(virtual_key); }

bool translate_message(const message& m) {
    if (m.id != WM_KEYDOWN && m.id != WM_SYSKEYDOWN) return false;
    int character = character_for(m);
    if (character < 0) return false;
    unsigned id = m.id == WM_KEYDOWN ? WM_CHAR : WM_SYSCHAR;
    core().queue.push_front(message{m.hwnd, id, static_cast<wparam>(character), m.l, -1});
    return true;
}

lresult dispatch_message(const message& m) {
    if (!is_window(m.hwnd) || !m.hwnd->proc) return 0;
    return m.hwnd->proc(m.hwnd, m.id, m.w, m.l);
}

void post_message(window w, unsigned id, wparam wp, lparam lp) {
    if (!is_window(w)) return;
    core().queue.push_back(message{w, id, wp, lp, -1});
}

void post_quit_message(int exit_code) {
    core().quit_posted = true;
    core().quit_code = exit_code;
}

void set_timer(window w, unsigned id, unsigned period_ms) {
    if (!is_window(w)) return;
    for (timer_record& t : core().timers) {
        if (t.w == w && t.id == id) {
            backend::stop_timer(w, id);
            backend::start_timer(w, id, period_ms);
            return;
        }
    }
    core().timers.push_back(timer_record{w, id, false});
    backend::start_timer(w, id, period_ms);
}

void kill_timer(window w, unsigned id) {
    std::erase_if(core().timers, [w, id](const timer_record& t) {
        if (t.w != w || t.id != id) return false;
        backend::stop_timer(w, id);
        return true;
    });
}

void native_timer_fired(window w, unsigned id) {
    for (timer_record& t : core().timers)
        if (t.w == w && t.id == id) t.due = true;
}

}  // namespace draxo::ws
