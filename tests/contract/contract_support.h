// What the contract suite's cases share: a window whose procedure records
// what reaches it, and waits that end when what they wait for has come or
// their time is up.
#pragma once

#include <functional>
#include <vector>

#include "contract_driver.h"

namespace draxo::contract {

// The messages the test window's procedure was given, in order, and when
// (the backend's clock, backend::now_ms).
extern std::vector<ws::message> received;
extern std::vector<double> received_at;

// Opens the layer (a failure fails the test) and makes a window of the
// recording procedure, hidden, at its outer geometry.
ws::window make_window(const char* title, unsigned style, int x, int y, int width, int height);
ws::window make_shown_window(const char* title);

// Takes, translates and dispatches messages until `done` holds, letting
// time pass while none is waiting; false when `ms` milliseconds (of the
// backend's clock) pass first. A quit message taken on the way is kept
// (quit_taken).
bool pump_until(const std::function<bool()>& done, int ms = 3000);
bool quit_taken();

// The first message received of this id, or null.
const ws::message* first_received(unsigned id);

}  // namespace draxo::contract
