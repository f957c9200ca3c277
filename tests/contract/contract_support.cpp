// The contract suite's window, and its waits.
#include "contract_support.h"

#include <gtest/gtest.h>

#include <string>

#include "support/test_support.h"
#include "window_system/backend.h"

namespace draxo::contract {
namespace {

bool quit_seen = false;

ws::lresult recording_proc(ws::window w, unsigned id, ws::wparam wp, ws::lparam lp) {
    received.push_back(ws::message{w, id, wp, lp, -1});
    received_at.push_back(ws::backend::now_ms());
    if (id == ws::WM_DESTROY) ws::post_quit_message(0);
    return ws::def_window_proc(w, id, wp, lp);
}

}  // namespace

std::vector<ws::message> received;
std::vector<double> received_at;

ws::window make_window(const char* title, unsigned style, int x, int y, int width, int height) {
    test::open_window_system();
    ws::register_class("ContractWindow", ws::CS_HREDRAW | ws::CS_VREDRAW, recording_proc, 0xFFFFFF);
    return ws::create_window("ContractWindow", title, style, x, y, width, height);
}

ws::window make_shown_window(const char* title) {
    ws::window w = make_window(title, ws::WS_OVERLAPPEDWINDOW, 40, 40, 320, 240);
    ws::show_window(w, ws::SW_SHOWNORMAL);
    return w;
}

bool pump_until(const std::function<bool()>& done, int ms) {
    const double deadline = ws::backend::now_ms() + ms;
    while (!done()) {
        if (ws::backend::now_ms() > deadline) return false;
        ws::message m;
        if (!ws::peek_message(m)) {
            let_time_pass(5);
            continue;
        }
        if (m.id == ws::WM_QUIT) {
            quit_seen = true;
            continue;
        }
        ws::translate_message(m);
        ws::dispatch_message(m);
    }
    return true;
}

bool quit_taken() { return quit_seen; }

const ws::message* first_received(unsigned id) {
    for (const ws::message& m : received)
        if (m.id == id) return &m;
    return nullptr;
}

}  // namespace draxo::contract
