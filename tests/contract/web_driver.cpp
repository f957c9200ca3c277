// The contract suite's driver on the web runtime's page, in headless
// Chromium (web/contract.test.mjs opens one a case). The program runs in the
// page's worker: it asks the page for each action (draxo_web_page_call),
// which the suite's page allows (contract/page.html.in) and carries out as
// the user would (page_test_actions.mjs): DOM events on the window's canvas,
// its title bar's close box, its menu rows and its dialog's field, and the
// canvas's pixels read back. The program waits for time in a sleep, which
// suspends it and gives the worker's thread to the page's messages meanwhile.
#include <gtest/gtest.h>
#include <time.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "contract_driver.h"
#include "window_system/web/web_backend.h"

namespace draxo::contract {
namespace {

// A menu text as the page shows it: the mnemonic's '&' left out.
std::string shown_text(const std::string& text) {
    std::string shown;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '&' && i + 1 < text.size()) ++i;
        shown.push_back(text[i]);
    }
    return shown;
}

// `utf8` as a JSON string.
std::string json_text(const std::string& utf8) {
    std::string json = "\"";
    for (char c : utf8) {
        if (c == '"' || c == '\\') {
            json += '\\';
            json += c;
        } else if (static_cast<unsigned char>(c) < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(c));
            json += escaped;
        } else {
            json += c;
        }
    }
    return json + '"';
}

// A request's start: the action and the window's handle.
std::string request_of(const char* action, ws::window w) {
    return std::string("{\"action\":\"") + action +
           "\",\"window\":" + std::to_string(reinterpret_cast<std::uintptr_t>(w));
}

// The page's answer to `request` (a JSON object's text but its closing
// brace); a refusal fails the case, with the page's reason.
std::string ask_page(std::string request) {
    request += '}';
    char answer[256];
    int length = ws::web::draxo_web_page_call(request.data(), static_cast<int>(request.size()), answer,
                                              static_cast<int>(sizeof answer));
    if (length < 0) ADD_FAILURE() << "The page refused " << request << ": " << answer;
    return length < 0 ? std::string() : std::string(answer);
}

std::string at(int x, int y) { return ",\"x\":" + std::to_string(x) + ",\"y\":" + std::to_string(y); }

}  // namespace

abilities what_the_backend_can() { return abilities{}; }

void click(ws::window w, int x, int y) { ask_page(request_of("click", w) + at(x, y)); }

void type(ws::window w, char32_t code_point) {
    ask_page(request_of("type", w) + ",\"codePoint\":" + std::to_string(static_cast<unsigned>(code_point)));
}

void choose_menu_item(ws::window w, const std::string& title, const std::string& item) {
    ask_page(request_of("choose", w) + ",\"title\":" + json_text(shown_text(title)) +
             ",\"item\":" + json_text(shown_text(item)));
}

void close_box(ws::window w) { ask_page(request_of("close", w)); }

void request_termination() {}

void answer_dialog(const std::string& title, const std::string& utf8) {
    ask_page(std::string("{\"action\":\"answerDialog\",\"title\":") + json_text(title) +
             ",\"text\":" + json_text(utf8));
}

// The C library's sleep waits in the system interface's poll, which
// suspends the program.
void let_time_pass(int ms) {
    timespec wait{ms / 1000, (ms % 1000) * 1000000L};
    nanosleep(&wait, nullptr);
}

bool shown_pixel(ws::window w, int x, int y, std::uint32_t& rgb) {
    std::string shown = ask_page(request_of("pixel", w) + at(x, y));
    long value = shown.empty() ? -1 : std::strtol(shown.c_str(), nullptr, 10);
    if (value < 0) return false;
    rgb = static_cast<std::uint32_t>(value);
    return true;
}

}  // namespace draxo::contract
