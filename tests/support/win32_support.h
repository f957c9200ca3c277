// Helpers for tests of the Win32 backend: opening the layer, pumping its
// messages, and real input through the system's input queue (SendInput), so
// that keys go through the system's own translation and the menu's keys
// through its own menu loop.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "support/test_support.h"
#include "window_system/win32/win32_backend.h"

namespace draxo::test {

// Takes, translates and dispatches the layer's messages until `done` holds
// or `ms` milliseconds have passed; false on the timeout.
inline bool pump_until(const std::function<bool()>& done, int ms = 3000) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        ws::message m;
        if (ws::peek_message(m)) {
            if (m.id == WM_QUIT) continue;
            ws::translate_message(m);
            ws::dispatch_message(m);
        } else {
            Sleep(2);
        }
    }
    return true;
}

// Pumps for a while, whatever comes.
inline void pump_for(int ms) {
    pump_until([] { return false; }, ms);
}

inline void send_key(WORD vk, bool up) {
    INPUT in{};
    in.type = INPUT_KEYBOARD;
    in.ki.wVk = vk;
    in.ki.wScan = static_cast<WORD>(MapVirtualKeyW(vk, MAPVK_VK_TO_VSC));
    in.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    SendInput(1, &in, sizeof in);
}

inline void tap_key(WORD vk) {
    send_key(vk, false);
    send_key(vk, true);
}

// Types one character as a keyboard that has it would: a press and a release.
inline void type_character(wchar_t c) {
    INPUT press[2] = {};
    for (INPUT& in : press) {
        in.type = INPUT_KEYBOARD;
        in.ki.wScan = c;
        in.ki.dwFlags = KEYEVENTF_UNICODE;
    }
    press[1].ki.dwFlags |= KEYEVENTF_KEYUP;
    SendInput(2, press, sizeof press[0]);
}

// Types upper-case letters, digits and spaces as plain key presses.
inline void type_keys(const char* text) {
    for (; *text; ++text) tap_key(static_cast<WORD>(*text));
}

// A left click at a screen position (absolute input runs 0 to 65535 across
// the screen).
inline void click_screen(int x, int y) {
    INPUT in[3] = {};
    for (INPUT& i : in) {
        i.type = INPUT_MOUSE;
        i.mi.dx = (x * 65536 + 32768) / GetSystemMetrics(SM_CXSCREEN);
        i.mi.dy = (y * 65536 + 32768) / GetSystemMetrics(SM_CYSCREEN);
    }
    in[0].mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    in[1].mi.dwFlags = MOUSEEVENTF_LEFTDOWN | MOUSEEVENTF_ABSOLUTE;
    in[2].mi.dwFlags = MOUSEEVENTF_LEFTUP | MOUSEEVENTF_ABSOLUTE;
    SendInput(3, in, sizeof in[0]);
}

// The mouse at a screen position, with a button's change (MOUSEEVENTF_*, or
// 0 for a move alone).
inline void mouse_screen(int x, int y, DWORD button_change = 0) {
    INPUT in{};
    in.type = INPUT_MOUSE;
    in.mi.dx = (x * 65536 + 32768) / GetSystemMetrics(SM_CXSCREEN);
    in.mi.dy = (y * 65536 + 32768) / GetSystemMetrics(SM_CYSCREEN);
    in.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE | button_change;
    SendInput(1, &in, sizeof in);
}

// Shows a window and waits until it has the keyboard focus.
inline bool bring_to_front(HWND hwnd) {
    ShowWindow(hwnd, SW_SHOWNORMAL);
    SetForegroundWindow(hwnd);
    return pump_until([hwnd] { return GetForegroundWindow() == hwnd && GetFocus() == hwnd; });
}

// Runs steps, one per timer expiry, from inside whatever loop dispatches
// the thread's messages: the layer's modal dialog loop, or the system's
// menu loop. A step returns true when done, false to be run again.
class native_driver {
public:
    using step = std::function<bool()>;
    explicit native_driver(std::vector<step> steps) : steps_(std::move(steps)) {
        current() = this;
        timer_ = SetTimer(nullptr, 0, 20, &native_driver::tick);
    }
    ~native_driver() {
        KillTimer(nullptr, timer_);
        current() = nullptr;
    }
    bool finished() const { return done_ == steps_.size(); }

private:
    static native_driver*& current() {
        static native_driver* driver = nullptr;
        return driver;
    }
    static void CALLBACK tick(HWND, UINT, UINT_PTR, DWORD) {
        native_driver* d = current();
        if (d && !d->finished() && d->steps_[d->done_]()) ++d->done_;
    }
    std::vector<step> steps_;
    std::size_t done_ = 0;
    UINT_PTR timer_ = 0;
};

}  // namespace draxo::test
