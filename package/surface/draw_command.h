// One drawing operation on its way to the frame buffer: every shape and text
// operation describes its call in a draw_command and hands it to
// render_command, which draws it through buffer_dc and marks the frame dirty.
#pragma once

#include <algorithm>
#include <climits>
#include <cstdint>

namespace draxo {

enum draw_kind : int {
    DRAW_TRIANGLE = 0,   // closed polygon through the three points
    DRAW_RECTANGLE = 1,  // corners (x1, y1) and (x2, y2), both included
    DRAW_OVAL = 2,       // ellipse inscribed in that rectangle (circles too)
    DRAW_LINE = 3,       // from the first point to the second
    DRAW_PIXEL = 4,      // one pixel at the first point
    DRAW_TEXT = 5,       // text with its anchor at the first point
};

// Logical coordinates (y up). Fields a kind does not use stay 0.
struct draw_command {
    int kind = DRAW_TRIANGLE;
    int color = 0;  // palette index, already checked
    int width = 0;  // 0: filled (triangle, rectangle, oval); at least 1 for a line
    int x1 = 0, y1 = 0;
    int x2 = 0, y2 = 0;  // a text command keeps its character size in x2
    int x3 = 0, y3 = 0;
    const char* text = nullptr;  // DRAW_TEXT: the operation's own copy of the text
};

// Draws one command into the frame buffer and sets frame_dirty, also for a
// kind it does not know (which draws nothing).
void render_command(const draw_command* command);

// The repaired form of a negative width, radius or size: its absolute value
// (the most negative int, which has none, becomes the largest int).
inline int absolute_value(int value) {
    if (value == INT_MIN) return INT_MAX;
    return value < 0 ? -value : value;
}

// A sum or difference of coordinates that may leave the range of int, held
// at the nearest int: far outside any frame buffer either way.
inline int clamp_to_int(std::int64_t value) {
    return static_cast<int>(std::clamp<std::int64_t>(value, INT_MIN, INT_MAX));
}

}  // namespace draxo
