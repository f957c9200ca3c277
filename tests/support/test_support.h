// Helpers for tests that open the package in their own process (CTest runs
// every test case separately), on the null backend or Qt's offscreen one.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "draxo.h"
#include "window_system/window_system.h"

namespace draxo::test {

HINSTANCE test_instance();
// Opens the window system, as DRAXO_start does, for tests that use the
// layer without the package.
void open_window_system();
// Opens the window system and a shown window of its own to own dialogs.
ws::window make_dialog_owner();
// DRAXO_start with the test instance and a normal show command.
void open_package();
// Takes and dispatches messages, as the event wait's pump does, until none
// is left; returns how many were dispatched.
int pump_messages();
// The console ring, oldest line first.
std::vector<std::string> console_ring();
// The lines printed since `mark` lines ago were in the ring (call
// console_mark() first): the console as a transcript.
std::size_t console_mark();
std::vector<std::string> console_since(std::size_t mark);
// A frame-buffer pixel by device column and row, as 0x00RRGGBB.
std::uint32_t frame_pixel(int column, int row);
// A frame-buffer pixel by logical coordinates.
std::uint32_t logical_pixel(int x, int y);
// A pixel of a window's surface, as 0x00RRGGBB.
std::uint32_t surface_pixel(ws::window w, int column, int row);

// 0x00RRGGBB of a palette colour, for comparing with pixels.
std::uint32_t rgb_of(int color);

}  // namespace draxo::test
