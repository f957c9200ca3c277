// Web backend: opening the page, the screen, timers, and the poll that
// turns the page's native events into the layer's notifications.
#include <time.h>
#include <unistd.h>

#include <cstdlib>

#include "text/text_encoding.h"
#include "web_backend.h"

namespace draxo::ws {
namespace web {
namespace {

// Hands one native event of the runtime's queue to the core.
void deliver(const std::int32_t (&e)[7]) {
    // The handles are the records' own addresses, given to the page when
    // they were made; the core checks each before it uses it.
    auto handle = reinterpret_cast<void*>(static_cast<std::uintptr_t>(static_cast<std::uint32_t>(e[1])));
    auto w = static_cast<window>(handle);
    switch (e[0]) {
    case EVENT_INPUT:
        enqueue_input(message{w, static_cast<unsigned>(e[2]),
                              static_cast<wparam>(static_cast<std::uint32_t>(e[3])), static_cast<lparam>(e[4]),
                              typed_character(e[5]), e[6]});
        break;
    case EVENT_TIMER: native_timer_fired(w, static_cast<unsigned>(e[2])); break;
    case EVENT_CLOSE: native_close_requested(w); break;
    case EVENT_MENU_COMMAND: native_menu_command(static_cast<menu>(handle), static_cast<unsigned>(e[2])); break;
    case EVENT_FOCUS: {
        auto from = reinterpret_cast<window>(static_cast<std::uintptr_t>(static_cast<std::uint32_t>(e[2])));
        native_focus_changed(from, w);
        break;
    }
    case EVENT_DIALOG_COMMAND:
        native_dialog_command(static_cast<dialog>(handle), static_cast<unsigned>(e[2]));
        break;
    default: break;
    }
}

// Delivers every queued native event; true when there was one.
bool deliver_queued() {
    bool any = false;
    std::int32_t e[7];
    while (draxo_web_take_event(e)) {
        deliver(e);
        any = true;
    }
    return any;
}

}  // namespace

platform_state& platform() {
    static auto* state = new platform_state;
    return *state;
}

// The C library starts every program in "/", and reads no folder from the
// host; the page's runtime names the program's folder in PWD, where its
// relative paths ("picture.png", the recorded script) must go. This file is
// linked into every program, so the move happens before main.
__attribute__((constructor)) static void start_in_the_programs_folder() {
    if (const char* folder = std::getenv("PWD")) chdir(folder);
}

double now_ms() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<double>(now.tv_sec) * 1000.0 + static_cast<double>(now.tv_nsec) / 1e6;
}

void yield_now_and_then() {
    constexpr double longest_hold_ms = 100;
    platform_state& p = platform();
    double now = now_ms();
    if (now - p.last_yield_ms < longest_hold_ms) return;
    show_frames_due(true);
    draxo_web_yield();
    p.last_yield_ms = now_ms();
}

std::string page_text(const std::string& utf8) { return text::utf8_of_utf16(text::utf16_of_utf8(utf8)); }

}  // namespace web

namespace backend {

bool init(std::string& why_not, extent) {
    web::platform_state& p = web::platform();
    if (p.opened) return true;
    if (!web::draxo_web_open_page()) {
        why_not = "there is no web page to show the windows in. Open the program's page in a browser.";
        return false;
    }
    p.opened = true;
    p.last_yield_ms = web::now_ms();
    return true;
}

// The page goes with the program; nothing of it is taken down here.
void quit() { web::platform().opened = false; }

extent screen_size() { return extent{web::screen_width, web::screen_height}; }

bool key_held(unsigned virtual_key) { return web::draxo_web_key_held(virtual_key) != 0; }

void poll_events(bool block) {
    if (web::deliver_queued()) {
        web::show_frames_due(false);
        return;
    }
    if (!block) {
        web::show_frames_due(false);
        web::yield_now_and_then();
        web::deliver_queued();
        return;
    }
    // Nothing to do until the page has something: everything drawn goes to
    // the canvas first, then the program sleeps.
    web::show_frames_due(true);
    while (!web::deliver_queued()) web::draxo_web_wait_for_event();
    web::platform().last_yield_ms = web::now_ms();
}

void start_timer(window w, unsigned id, unsigned period_ms) { web::draxo_web_start_timer(w, id, period_ms); }

void stop_timer(window w, unsigned id) { web::draxo_web_stop_timer(w, id); }

}  // namespace backend
}  // namespace draxo::ws
