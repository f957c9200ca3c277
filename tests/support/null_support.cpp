// On the null backend, a wait that could never end fails the test at once
// with the reason instead of hanging.
#include "null_support.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <string>

namespace draxo::test {
namespace {

#ifdef __wasi__
// Without exceptions (wasm32-wasip1) the wait ends the test's process: with
// a failure, or where the test expects such a wait, a success.
[[noreturn]] void end_starved(const char* why, int status) {
    std::fprintf(stderr, "the wait never ends: %s\n", why);
    std::fflush(stdout);
    std::_Exit(status);
}
#else
[[noreturn]] void throw_starved(const char* why) {
    throw std::runtime_error(std::string("the wait never ends: ") + why);
}
#endif

[[maybe_unused]] const bool starved_handler_installed = [] {
    ws::null::set_starved_handler([](const char* why) {
        ADD_FAILURE() << "the wait never ends: " << why;
#ifdef __wasi__
        end_starved(why, 1);
#else
        throw_starved(why);
#endif
    });
    return true;
}();

ws::lparam key_flags(bool down) { return static_cast<ws::lparam>(down ? 0x00000001u : 0xC0000001u); }

}  // namespace

#ifdef __wasi__
void expect_a_wait_for_ever() {
    ws::null::set_starved_handler([](const char* why) { end_starved(why, 0); });
}
#else
void expect_a_wait_for_ever() { ws::null::set_starved_handler(throw_starved); }
#endif

void inject_press(ws::window w, int column, int row) {
    ws::null::inject(ws::message{w, ws::WM_LBUTTONDOWN, ws::MK_LBUTTON, ws::make_lparam(column, row), -1});
    ws::null::inject(ws::message{w, ws::WM_LBUTTONUP, 0, ws::make_lparam(column, row), -1});
}

void inject_key_down(ws::window w, unsigned virtual_key, int character) {
    ws::null::inject(ws::message{w, ws::WM_KEYDOWN, virtual_key, key_flags(true), character});
}

void inject_key_up(ws::window w, unsigned virtual_key) {
    ws::null::inject(ws::message{w, ws::WM_KEYUP, virtual_key, key_flags(false), -1});
}

void inject_mouse(ws::window w, unsigned id, int column, int row, unsigned held) {
    ws::null::inject(ws::message{w, id, held, ws::make_lparam(column, row), -1});
}

void inject_typed(ws::window w, char character) {
    unsigned char c = static_cast<unsigned char>(character);
    unsigned vk = (c >= 'a' && c <= 'z') ? c - 'a' + 'A' : c;
    inject_key_down(w, vk, c);
    inject_key_up(w, vk);
}

}  // namespace draxo::test
