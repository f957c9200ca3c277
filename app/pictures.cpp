// The four pictures and the ten messages that objects show on the card.
#include "pictures.h"

#include <cmath>

#include "draxo.h"
#include "random_draw.h"

namespace cards {

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
    DRAXO_circle(color, x - r + 5, y, r);
    DRAXO_circle(color, x + r - 5, y, r);
    DRAXO_triangle(color, x - 2 * r + 5, y - 5, x + 2 * r - 5, y - 5, x, y - 2 * r - 5, 0);
}

// Five to seven diameters of about 80 units through the anchor. The loop
// runs on this constant, not on 2 pi, so seven steps fall just short of it
// and draw an eighth line.
void draw_starburst(int color, int x, int y) {
    int n = 5 + random_draw() % 3;
    for (double a = 0.0; a < 6.2832; a = a + 6.2832 / n) {
        int dx = static_cast<int>(std::cos(a) * 40);
        int dy = static_cast<int>(std::sin(a) * 40);
        DRAXO_line(color, x + dx, y + dy, x - dx, y - dy, 1);
    }
}

// Side view, nose at the anchor pointing left, two flickering flames.
void draw_jet(int color, int x, int y) {
    DRAXO_rectangle(BLACK, x + 85, y + 15, x + 95, y + 5, 0);                  // nozzle
    DRAXO_triangle(GRAY_50, x, y, x + 85, y, x + 100, y + 35, 0);              // fuselage
    DRAXO_triangle(GRAY_20, x + 45, y + 5, x + 70, y + 5, x + 80, y - 15, 0);  // wing
    DRAXO_oval(color, x + 40, y + 20, x + 55, y + 10, 0);                      // cockpit
    int outer = random_draw() % 4;
    DRAXO_triangle(ORANGE, x + 100, y + 15, x + 100, y + 5, x + 150 + 5 * outer, y + 10, 0);
    int inner = random_draw() % 4;
    DRAXO_triangle(RED, x + 100, y + 15, x + 100, y + 5, x + 110 + 5 * inner, y + 10, 0);
}

// Side view facing left, anchor at the lower left corner of the body.
void draw_car(int color, int x, int y) {
    DRAXO_rectangle(color, x + 5, y + 10, x + 120, y, 0);                          // lower body
    DRAXO_triangle(color, x, y, x + 5, y + 10, x + 5, y, 0);                       // front
    DRAXO_triangle(color, x + 5, y + 10, x + 40, y + 20, x + 40, y + 10, 0);       // front slope
    DRAXO_rectangle(color, x + 40, y + 20, x + 120, y + 10, 0);                    // upper body
    DRAXO_triangle(color, x + 120, y + 20, x + 120, y + 5, x + 125, y + 5, 0);     // tail, upper
    DRAXO_triangle(color, x + 120, y, x + 120, y + 5, x + 125, y + 5, 0);          // tail, lower
    DRAXO_triangle(color, x + 80, y + 30, x + 105, y + 20, x + 80, y + 20, 0);     // rear cabin
    DRAXO_triangle(TURQUOISE, x + 80, y + 30, x + 95, y + 20, x + 80, y + 20, 0);  // rear window
    DRAXO_triangle(TURQUOISE, x + 40, y + 20, x + 60, y + 30, x + 55, y + 20, 0);  // windscreen
    DRAXO_triangle(color, x + 50, y + 20, x + 55, y + 20, x + 60, y + 30, 0);      // windscreen pillar
    DRAXO_triangle(BLACK, x + 85, y + 15, x + 85, y + 5, x + 90, y + 15, 0);
    DRAXO_line(BLACK, x + 60, y + 15, x + 85, y + 15, 1);
    DRAXO_line(BLACK, x + 60, y + 5, x + 85, y + 5, 1);
    DRAXO_circle(BLACK, x + 25, y + 5, 10);   // front tyre
    DRAXO_circle(BLACK, x + 100, y + 5, 10);  // rear tyre
    DRAXO_circle(color, x + 100, y + 5, 5);   // rear hub
    DRAXO_circle(color, x + 25, y + 5, 5);    // front hub
}

}  // namespace cards
