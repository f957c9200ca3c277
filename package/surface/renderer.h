// Inside the renderer: logical to device coordinates and the text branch.
#pragma once

#include <cstdint>

#include "display.h"
#include "draw_command.h"

namespace draxo {

// Device column and row of a logical x and y, computed without overflow.
inline int device_column(std::int64_t x) { return clamp_to_int(display.origin_x + x); }
inline int device_row(std::int64_t y) { return clamp_to_int(display.origin_y - y); }

// Draws a DRAW_TEXT command (without setting frame_dirty).
void render_text(const draw_command& command);

}  // namespace draxo
