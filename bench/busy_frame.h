// The busy card-designer frame the drawing benchmarks measure: clear, work
// area, card, 24 jets, six button boxes, then the title, the status line and
// six button labels. Kept as a list of drawing calls, so that the package
// draws it through its public API and other libraries draw the same shapes
// and texts, and so that a test can hold the package's pixels of it fixed.
#pragma once

#include <vector>

#include "draxo.h"

namespace busy_frame {

enum call_kind { CLEAR, RECTANGLE, TRIANGLE, OVAL, TEXT };

// One drawing call in logical coordinates, as the package takes it.
struct call {
    call_kind kind = CLEAR;
    int color = BLACK;
    int x1 = 0, y1 = 0, x2 = 0, y2 = 0, x3 = 0, y3 = 0;
    int width = 0;               // shapes: 0 fills
    int size = 0;                // texts: the character height
    const char* text = nullptr;  // texts
};

inline const char* const button_labels[6] = {"Background Color", "Object Color", "Next, Please",
                                             "Add Message",      "Add Shape",    "Select Object"};

inline call rectangle(int color, int x1, int y1, int x2, int y2, int width) {
    return call{RECTANGLE, color, x1, y1, x2, y2, 0, 0, width, 0, nullptr};
}
inline call triangle(int color, int x1, int y1, int x2, int y2, int x3, int y3) {
    return call{TRIANGLE, color, x1, y1, x2, y2, x3, y3, 0, 0, nullptr};
}
inline call oval(int color, int x1, int y1, int x2, int y2) {
    return call{OVAL, color, x1, y1, x2, y2, 0, 0, 0, 0, nullptr};
}
inline call text(int color, int x, int y, int size, const char* text) {
    return call{TEXT, color, x, y, 0, 0, 0, 0, 0, size, text};
}

// A jet as the designer draws it, nose at (x, y), flames of lengths k1, k2.
inline void add_jet(std::vector<call>& calls, int color, int x, int y, int k1, int k2) {
    calls.push_back(rectangle(BLACK, x + 85, y + 15, x + 95, y + 5, 0));
    calls.push_back(triangle(GRAY_50, x, y, x + 85, y, x + 100, y + 35));
    calls.push_back(triangle(GRAY_20, x + 45, y + 5, x + 70, y + 5, x + 80, y - 15));
    calls.push_back(oval(color, x + 40, y + 20, x + 55, y + 10));
    calls.push_back(triangle(ORANGE, x + 100, y + 15, x + 100, y + 5, x + 150 + 5 * k1, y + 10));
    calls.push_back(triangle(RED, x + 100, y + 15, x + 100, y + 5, x + 110 + 5 * k2, y + 10));
}

// The shapes of the frame, the clear first.
inline std::vector<call> shapes() {
    std::vector<call> calls{call{}};
    calls.push_back(rectangle(WHITE, -300, -250, 300, 250, 0));
    calls.push_back(rectangle(YELLOW, -140, -150, 220, 200, 0));
    for (int i = 0; i < 24; ++i)
        add_jet(calls, i % 24, -135 + (i % 4) * 55, 180 - (i / 4) * 60, i % 4, (i + 1) % 4);
    for (int i = 0; i < 6; ++i) calls.push_back(rectangle(BLACK, -296, 248 - 35 * i, -200, 213 - 35 * i, 1));
    return calls;
}

// The eight texts of the frame.
inline std::vector<call> texts() {
    std::vector<call> calls;
    calls.push_back(text(RED, -140, 215, 20, "Your Personal Greeting Card Designer"));
    calls.push_back(text(BLACK, -140, -190, 14, "Click on the card to add a shape"));
    for (int i = 0; i < 6; ++i) calls.push_back(text(BLACK, -294, 233 - 35 * i, 12, button_labels[i]));
    return calls;
}

// Makes one call through the package's public API, as the designer does
// (texts through the printf form).
inline void draw(const call& c) {
    switch (c.kind) {
    case CLEAR: DRAXO_clear_window(); break;
    case RECTANGLE: DRAXO_rectangle(c.color, c.x1, c.y1, c.x2, c.y2, c.width); break;
    case TRIANGLE: DRAXO_triangle(c.color, c.x1, c.y1, c.x2, c.y2, c.x3, c.y3, c.width); break;
    case OVAL: DRAXO_oval(c.color, c.x1, c.y1, c.x2, c.y2, c.width); break;
    case TEXT: DRAXO_printf_text(c.color, c.x1, c.y1, c.size, "%s", c.text); break;
    }
}

inline void draw(const std::vector<call>& calls) {
    for (const call& c : calls) draw(c);
}

}  // namespace busy_frame
