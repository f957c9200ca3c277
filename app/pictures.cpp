// The four pictures and the ten messages that objects show on the card.
#include "pictures.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>

#include "draxo.h"
#include "random_draw.h"

namespace cards {
namespace {

// A point of a picture: the anchor coordinate moved by an offset, held to
// the 32-bit range. Anchors may be anywhere in that range (a card file can
// hold any); a picture near its ends is drawn off the frame, never wrapped
// round onto it.
int at(int anchor, int offset) {
    return static_cast<int>(std::clamp<std::int64_t>(std::int64_t{anchor} + offset, INT_MIN, INT_MAX));
}

}  // namespace

const char* const card_messages[message_count] = {
    "Be my co-pilot!", "Fly with me!",       "You're my top gun!", "Hot Weels!",    "Honk Honk!",
    "Vroom Vroom!",    "Make Love not War!", "Flower Power!",      "Groovy Chick!", "Be my navigator!",
};

void draw_shape(int style, int color, int x, int y) {
    switch (style % 4) {
    case PICTURE_HEART: draw_heart(color, x, y); break;
    case PICTURE_STARBURST: draw_starburst(color, x, y); break;
    case PICTURE_JET: draw_jet(color, x, y); break;
    case PICTURE_CAR: draw_car(color, x, y); break;
    default: break;  // a negative style draws nothing
    }
}

void draw_message(int style, int color, int x, int y) {
    int number = style % message_count;
    if (number < 0) return;
    // The message is the text: passed through "%s", a message could never be
    // taken for a format.
    DRAXO_printf_text(color, x, y, 20, "%s", card_messages[number]);
}

// Two lobes that overlap by 10 units around x and a point 2r + 5 below the
// anchor; the size pulses with r from 17 to 20.
void draw_heart(int color, int x, int y) {
    int r = 17 + random_draw() % 4;
    DRAXO_circle(color, at(x, 5 - r), y, r);
    DRAXO_circle(color, at(x, r - 5), y, r);
    DRAXO_triangle(color, at(x, 5 - 2 * r), at(y, -5), at(x, 2 * r - 5), at(y, -5), x, at(y, -2 * r - 5), 0);
}

// Five to seven diameters of about 80 units through the anchor. The loop
// runs on this constant, not on 2 pi, so seven steps fall just short of it
// and draw an eighth line.
void draw_starburst(int color, int x, int y) {
    int n = 5 + random_draw() % 3;
    for (double a = 0.0; a < 6.2832; a = a + 6.2832 / n) {
        int dx = static_cast<int>(std::cos(a) * 40);
        int dy = static_cast<int>(std::sin(a) * 40);
        DRAXO_line(color, at(x, dx), at(y, dy), at(x, -dx), at(y, -dy), 1);
    }
}

// Side view, nose at the anchor pointing left, two flickering flames.
void draw_jet(int color, int x, int y) {
    DRAXO_rectangle(BLACK, at(x, 85), at(y, 15), at(x, 95), at(y, 5), 0);                         // nozzle
    DRAXO_triangle(GRAY_50, x, y, at(x, 85), y, at(x, 100), at(y, 35), 0);                        // fuselage
    DRAXO_triangle(GRAY_20, at(x, 45), at(y, 5), at(x, 70), at(y, 5), at(x, 80), at(y, -15), 0);  // wing
    DRAXO_oval(color, at(x, 40), at(y, 20), at(x, 55), at(y, 10), 0);                             // cockpit
    int outer = random_draw() % 4;
    DRAXO_triangle(ORANGE, at(x, 100), at(y, 15), at(x, 100), at(y, 5), at(x, 150 + 5 * outer), at(y, 10), 0);
    int inner = random_draw() % 4;
    DRAXO_triangle(RED, at(x, 100), at(y, 15), at(x, 100), at(y, 5), at(x, 110 + 5 * inner), at(y, 10), 0);
}

// Side view facing left, anchor at the lower left corner of the body.
void draw_car(int color, int x, int y) {
    DRAXO_rectangle(color, at(x, 5), at(y, 10), at(x, 120), y, 0);                                   // lower body
    DRAXO_triangle(color, x, y, at(x, 5), at(y, 10), at(x, 5), y, 0);                                // front
    DRAXO_triangle(color, at(x, 5), at(y, 10), at(x, 40), at(y, 20), at(x, 40), at(y, 10), 0);       // front slope
    DRAXO_rectangle(color, at(x, 40), at(y, 20), at(x, 120), at(y, 10), 0);                          // upper body
    DRAXO_triangle(color, at(x, 120), at(y, 20), at(x, 120), at(y, 5), at(x, 125), at(y, 5), 0);     // tail, upper
    DRAXO_triangle(color, at(x, 120), y, at(x, 120), at(y, 5), at(x, 125), at(y, 5), 0);             // tail, lower
    DRAXO_triangle(color, at(x, 80), at(y, 30), at(x, 105), at(y, 20), at(x, 80), at(y, 20), 0);     // rear cabin
    DRAXO_triangle(TURQUOISE, at(x, 80), at(y, 30), at(x, 95), at(y, 20), at(x, 80), at(y, 20), 0);  // rear window
    DRAXO_triangle(TURQUOISE, at(x, 40), at(y, 20), at(x, 60), at(y, 30), at(x, 55), at(y, 20), 0);  // windscreen
    // windscreen pillar
    DRAXO_triangle(color, at(x, 50), at(y, 20), at(x, 55), at(y, 20), at(x, 60), at(y, 30), 0);
    DRAXO_triangle(BLACK, at(x, 85), at(y, 15), at(x, 85), at(y, 5), at(x, 90), at(y, 15), 0);
    DRAXO_line(BLACK, at(x, 60), at(y, 15), at(x, 85), at(y, 15), 1);
    DRAXO_line(BLACK, at(x, 60), at(y, 5), at(x, 85), at(y, 5), 1);
    DRAXO_circle(BLACK, at(x, 25), at(y, 5), 10);   // front tyre
    DRAXO_circle(BLACK, at(x, 100), at(y, 5), 10);  // rear tyre
    DRAXO_circle(color, at(x, 100), at(y, 5), 5);   // rear hub
    DRAXO_circle(color, at(x, 25), at(y, 5), 5);    // front hub
}

}  // namespace cards
