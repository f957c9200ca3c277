// The contract suite's driver on the web backend, on a page in headless
// Chromium (web/contract.test.mjs opens one a case): the page's own DOM
// events on the window's canvas, its title bar's close box, its menu rows
// and its dialog's field, and the canvas's pixels read back. The program
// waits for time through Emscripten's sleep, which gives the page the
// thread meanwhile.
#include <emscripten.h>

#include <string>

#include "contract_driver.h"

// The page's side of each action: JavaScript over the web backend's own
// records of its windows (DRAXO.windows, by the window's handle).
EM_JS(void, contract_click, (void* w, int x, int y), {
    var canvas = DRAXO.windows[w].canvas;
    var box = canvas.getBoundingClientRect();
    var at = {
        clientX : box.left + (x + 0.5) * box.width / canvas.width,
        clientY : box.top + (y + 0.5) * box.height / canvas.height,
        button : 0,
        buttons : 1,
        bubbles : true
    };
    canvas.dispatchEvent(new MouseEvent("mousedown", at));
    at.buttons = 0;
    canvas.dispatchEvent(new MouseEvent("mouseup", at));
});

EM_JS(void, contract_type, (void* w, unsigned code_point), {
    var canvas = DRAXO.windows[w].canvas;
    var key = String.fromCodePoint(code_point);
    canvas.dispatchEvent(new KeyboardEvent("keydown", {key : key, bubbles : true}));
    canvas.dispatchEvent(new KeyboardEvent("keyup", {key : key, bubbles : true}));
});

// The bar's title pressed, which opens its menu, and the item's row released.
EM_JS(void, contract_choose, (void* w, const char* title_utf8, const char* item_utf8), {
    var owner = DRAXO.windows[w];
    var title = UTF8ToString(title_utf8), item = UTF8ToString(item_utf8);
    var label = function(row) {
        var l = row.querySelector(".draxo-label");
        return l ? l.textContent : "";
    };
    Array.from(owner.menubar.children).forEach(function(row) {
        if (label(row) == title) row.dispatchEvent(new MouseEvent("mousedown", {bubbles : true}));
    });
    var popup = owner.frame.querySelector(".draxo-popup");
    if (!popup) return;
    Array.from(popup.children).forEach(function(row) {
        if (label(row) == item) row.dispatchEvent(new MouseEvent("mouseup", {bubbles : true}));
    });
});

EM_JS(void, contract_close, (void* w), { DRAXO.windows[w].frame.querySelector(".draxo-close").click(); });

// Looks for the dialog from the page's own timer while the program waits in
// the dialog's loop; types into its focused field, then presses Enter.
EM_JS(void, contract_answer, (const char* title_utf8, const char* text_utf8), {
    var title = UTF8ToString(title_utf8), text = UTF8ToString(text_utf8);
    var watch = setInterval(
        function() {
            var field = document.activeElement;
            var panel = field && field.closest && field.closest(".draxo-dialog");
            if (!panel || panel.querySelector(".draxo-title span").textContent != title) return;
            clearInterval(watch);
            field.value += text;
            field.dispatchEvent(new Event("input", {bubbles : true}));
            field.dispatchEvent(new KeyboardEvent("keydown", {key : "Enter", code : "Enter", bubbles : true}));
        },
        20);
});

// 0x00RRGGBB of a canvas pixel, -1 outside the canvas.
EM_JS(int, contract_pixel, (void* w, int x, int y), {
    var canvas = DRAXO.windows[w].canvas;
    if (x >= canvas.width || y >= canvas.height) return -1;
    var d = canvas.getContext("2d").getImageData(x, y, 1, 1).data;
    return (d[0] << 16) | (d[1] << 8) | d[2];
});

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

}  // namespace

abilities what_the_backend_can() { return abilities{}; }

void click(ws::window w, int x, int y) { contract_click(w, x, y); }

void type(ws::window w, char32_t code_point) { contract_type(w, static_cast<unsigned>(code_point)); }

void choose_menu_item(ws::window w, const std::string& title, const std::string& item) {
    contract_choose(w, shown_text(title).c_str(), shown_text(item).c_str());
}

void close_box(ws::window w) { contract_close(w); }

void request_termination() {}

void answer_dialog(const std::string& title, const std::string& utf8) {
    contract_answer(title.c_str(), utf8.c_str());
}

void let_time_pass(int ms) { emscripten_sleep(static_cast<unsigned>(ms)); }

bool shown_pixel(ws::window w, int x, int y, std::uint32_t& rgb) {
    int shown = contract_pixel(w, x, y);
    if (shown < 0) return false;
    rgb = static_cast<std::uint32_t>(shown);
    return true;
}

}  // namespace draxo::contract
