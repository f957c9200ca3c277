// Game input: the drawing window's key, button and move messages made into
// events for a program that asked, the state they leave, and the operations.
#include "input_events.h"

#include <algorithm>
#include <cstdint>

#include "console/console.h"
#include "draxo.h"
#include "graphics_window.h"
#include "key_names.h"
#include "operation_guard.h"
#include "surface/display.h"

namespace draxo {
namespace {

constexpr int all_input = DRAXO_INPUT_KEYS | DRAXO_INPUT_MOUSE;
constexpr int shortest_period_ms = 16;  // a frame: a faster clock could not be seen
constexpr int longest_period_ms = 10000;

int button_bit(int button) { return 1 << (button - 1); }

// A position in client pixels as the event's logical point. During a drag
// the mouse may leave the window (its position then negative, or past the
// client area): the point is kept on the client area's edge.
void set_position(ws::lparam position) {
    auto packed = static_cast<std::uint32_t>(position);
    int column = static_cast<std::int16_t>(packed & 0xFFFFu);
    int row = static_cast<std::int16_t>((packed >> 16) & 0xFFFFu);
    ws::rect client = ws::client_rect(package.drawing_window);
    column = std::clamp(column, client.left, std::max(client.left, client.right - 1));
    row = std::clamp(row, client.top, std::max(client.top, client.bottom - 1));
    event_control.last_event.x = column - display.origin_x;
    event_control.last_event.y = display.origin_y - row;
    event_control.last_mouse_position = position;
}

}  // namespace

int modifiers_now() {
    int held = event_control.message_modifiers;
    if (held < 0)
        return (ws::key_held(ws::VK_SHIFT) ? DRAXO_SHIFT : 0) | (ws::key_held(ws::VK_CONTROL) ? DRAXO_CTRL : 0) |
               (ws::key_held(ws::VK_MENU) ? DRAXO_ALT : 0);
    return ((held & ws::HELD_SHIFT) ? DRAXO_SHIFT : 0) | ((held & ws::HELD_CONTROL) ? DRAXO_CTRL : 0) |
           ((held & ws::HELD_ALT) ? DRAXO_ALT : 0);
}

bool keys_asked() { return (event_control.input_flags & DRAXO_INPUT_KEYS) != 0; }
bool mouse_asked() { return (event_control.input_flags & DRAXO_INPUT_MOUSE) != 0; }

void on_button_down(int button, ws::lparam position) {
    if (!mouse_asked()) return;
    set_position(position);
    event_control.last_event.button = button;
    event_control.last_event.modifiers = modifiers_now();
    event_control.pending_event = DRAXO_MOUSE;
}

// A release of a button not held (pressed before the program asked, or
// outside the window) is no event.
void on_button_up(int button, ws::lparam position) {
    if (!mouse_asked() || !(event_control.buttons_down & button_bit(button))) return;
    set_position(position);
    event_control.last_event.button = button;
    event_control.last_event.modifiers = modifiers_now();
    event_control.pending_event = DRAXO_MOUSE_RELEASE;
}

void on_mouse_move(ws::lparam position) {
    if (!mouse_asked() || event_control.buttons_down == 0) return;
    set_position(position);
    event_control.last_event.buttons = event_control.buttons_down;
    event_control.last_event.modifiers = modifiers_now();
    event_control.pending_event = DRAXO_MOUSE_MOVE;
}

void on_input_key_down(ws::wparam virtual_key) {
    int code = static_cast<int>(virtual_key);
    if (!keys_asked() || !known_key_code(code)) return;
    // A character typed goes on as DRAXO_KBD, which tells this key; with
    // Ctrl held no character is delivered, so the key is.
    if (event_control.key_types_character && !event_control.ctrl_down) {
        event_control.typed_key_code = code;
        return;
    }
    event_control.last_event.key_code = code;
    event_control.last_event.modifiers = modifiers_now();
    event_control.pending_event = DRAXO_KEY_PRESS;
}

// A release of a key not held (pressed before the program asked, or in
// another window) is no event.
void on_input_key_up(ws::wparam virtual_key) {
    int code = static_cast<int>(virtual_key);
    if (!keys_asked() || !known_key_code(code) || !event_control.key_down[code]) return;
    event_control.last_event.key_code = code;
    event_control.last_event.modifiers = modifiers_now();
    event_control.pending_event = DRAXO_KEY_RELEASE;
}

void release_held_input() {
    for (int code = 0; code < key_code_limit; ++code)
        if (event_control.key_down[code])
            ws::post_message(package.drawing_window, ws::WM_KEYUP, static_cast<ws::wparam>(code), 0);
    constexpr unsigned releases[] = {ws::WM_LBUTTONUP, ws::WM_RBUTTONUP, ws::WM_MBUTTONUP};
    for (int button = 1; button <= 3; ++button)
        if (event_control.buttons_down & button_bit(button))
            ws::post_message(package.drawing_window, releases[button - 1], 0, event_control.last_mouse_position);
}

void note_delivered_input(int kind, event_record& event) {
    event_control_state& c = event_control;
    bool key = event.key_code > 0 && event.key_code < key_code_limit;
    switch (kind) {
    case DRAXO_KBD:
    case DRAXO_KEY_PRESS:
        if (!key) break;
        event.repeat = c.key_down[event.key_code];
        c.key_down[event.key_code] = true;
        break;
    case DRAXO_KEY_RELEASE:
        if (key) c.key_down[event.key_code] = false;
        break;
    case DRAXO_MOUSE:
        if (mouse_asked() && event.button >= 1 && event.button <= 3) c.buttons_down |= button_bit(event.button);
        event.buttons = c.buttons_down;
        break;
    case DRAXO_MOUSE_RELEASE:
        if (event.button >= 1 && event.button <= 3) c.buttons_down &= ~button_bit(event.button);
        event.buttons = c.buttons_down;
        break;
    case DRAXO_MOUSE_MOVE: c.buttons_down = event.buttons; break;
    default: break;
    }
    c.returned_event = event;
}

bool asked_for(const script_line& line) {
    switch (line.kind) {
    case DRAXO_KEY_PRESS:
    case DRAXO_KEY_RELEASE: return keys_asked();
    case DRAXO_MOUSE_MOVE:
    case DRAXO_MOUSE_RELEASE: return mouse_asked();
    case DRAXO_MOUSE: return line.button <= 1 || mouse_asked();
    default: return true;
    }
}

void reset_input() {
    event_control.input_flags = 0;
    std::fill(std::begin(event_control.key_down), std::end(event_control.key_down), false);
    event_control.buttons_down = 0;
    event_control.typed_key_code = 0;
    event_control.returned_event = event_record{};
    event_control.periodic_interval_ms = timer_period_ms;
}

}  // namespace draxo

using namespace draxo;

extern "C" int DRAXO_set_input(int flags) try {
    if (!on_package_thread(__func__) || !drawing_window_open()) return 0;
    if ((flags & ~all_input) != 0) return 0;
    event_control.input_flags = flags;
    return 1;
} catch (...) {
    return operation_failed(__func__, 0);
}

namespace {

// The queries answer from the last event returned, while the package is open.
template <typename Field>
int returned(const char* operation, Field field) {
    if (!on_package_thread(operation) || !package.open) return 0;
    return field(event_control.returned_event);
}

}  // namespace

extern "C" int DRAXO_event_key_code(void) try {
    return returned(__func__, [](const event_record& e) { return e.key_code; });
} catch (...) {
    return operation_failed(__func__, 0);
}

extern "C" int DRAXO_event_button(void) try {
    return returned(__func__, [](const event_record& e) { return e.button; });
} catch (...) {
    return operation_failed(__func__, 0);
}

extern "C" int DRAXO_event_buttons(void) try {
    return returned(__func__, [](const event_record& e) { return e.buttons; });
} catch (...) {
    return operation_failed(__func__, 0);
}

extern "C" int DRAXO_event_modifiers(void) try {
    return returned(__func__, [](const event_record& e) { return e.modifiers; });
} catch (...) {
    return operation_failed(__func__, 0);
}

extern "C" int DRAXO_event_is_repeat(void) try {
    return returned(__func__, [](const event_record& e) { return e.repeat ? 1 : 0; });
} catch (...) {
    return operation_failed(__func__, 0);
}

extern "C" int DRAXO_key_is_down(int code) try {
    if (!on_package_thread(__func__) || !package.open || !keys_asked()) return 0;
    return code > 0 && code < key_code_limit && event_control.key_down[code] ? 1 : 0;
} catch (...) {
    return operation_failed(__func__, 0);
}

extern "C" int DRAXO_set_periodic_interval(int milliseconds) try {
    if (!on_package_thread(__func__) || !drawing_window_open()) return 0;
    int period = std::clamp(milliseconds, shortest_period_ms, longest_period_ms);
    if (period != milliseconds)
        console_printf("DRAXO_set_periodic_interval: %d ms is outside %d..%d, %d ms is used\n", milliseconds,
                       shortest_period_ms, longest_period_ms, period);
    event_control.periodic_interval_ms = static_cast<unsigned>(period);
    start_ticks(package.drawing_window);
    return 1;
} catch (...) {
    return operation_failed(__func__, 0);
}
