// Draws every shape kind (several widths, filled and outlined) and a few
// texts into the frame buffer and saves it as a PNG, for looking at:
//   shape_sheet sheet.png [scale]
#include <QImage>
#include <cstdio>
#include <cstdlib>

#include "draxo.h"
#include "support/test_support.h"
#include "surface/display.h"

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s output.png [scale]\n", argv[0]);
        return 2;
    }
    const int scale = argc > 2 ? std::atoi(argv[2]) : 1;
    draxo::test::open_package();
    DRAXO_set_logging(0);
    DRAXO_clear_window();

    // Row 1: rectangles, filled and with widths 1, 2, 3, 6.
    DRAXO_rectangle(RED, -280, 240, -240, 200, 0);
    DRAXO_rectangle(BLUE, -220, 240, -180, 200, 1);
    DRAXO_rectangle(BLUE, -160, 240, -120, 200, 2);
    DRAXO_rectangle(BLUE, -100, 240, -60, 200, 3);
    DRAXO_rectangle(BLUE, -40, 240, 0, 200, 6);
    // Ovals and circles.
    DRAXO_oval(GREEN, 20, 240, 80, 200, 0);
    DRAXO_oval(FOREST_GREEN, 100, 240, 160, 200, 1);
    DRAXO_oval(FOREST_GREEN, 180, 240, 240, 200, 4);
    DRAXO_circle(PURPLE, 265, 220, 20);

    // Row 2: small circles of radius 0..6, thin ovals, triangles.
    for (int r = 0; r <= 6; ++r) DRAXO_circle(BLACK, -280 + r * 16, 170, r);
    DRAXO_oval(NAVY_BLUE, -160, 180, -100, 176, 0);
    DRAXO_oval(NAVY_BLUE, -90, 190, -86, 150, 0);
    DRAXO_oval(NAVY_BLUE, -80, 190, -60, 150, 3);
    DRAXO_triangle(ORANGE, -40, 150, 20, 150, -10, 190, 0);
    DRAXO_triangle(ORANGE, 30, 150, 90, 150, 60, 190, 1);
    DRAXO_triangle(ORANGE, 100, 150, 160, 150, 130, 190, 5);
    DRAXO_triangle(BROWN, 170, 170, 260, 180, 215, 175, 0);  // nearly flat
    DRAXO_triangle(BROWN, 170, 150, 260, 160, 215, 155, 0);  // flat

    // Row 3: a fan of lines of widths 0, 1, 2, 5 and wide dots.
    for (int i = 0; i <= 8; ++i) {
        DRAXO_line(BLACK, -280, 60, -280 + 10 * i, 140 - 10 * i, 0);
        DRAXO_line(RED, -180, 60, -180 + 10 * i, 140 - 10 * i, 2);
        DRAXO_line(BLUE, -80, 60, -80 + 10 * i, 140 - 10 * i, 5);
    }
    for (int w = 2; w <= 9; ++w) DRAXO_line(MAGENTA, 20 + (w - 2) * 14, 100, 20 + (w - 2) * 14, 100, w);
    for (int x = 140; x < 260; x += 3) DRAXO_pixel(BLACK, x, 100 + (x % 9));

    // Row 4: text over shapes.
    DRAXO_rectangle(YELLOW, -280, 40, 40, -60, 0);
    DRAXO_text(BLACK, -270, 0, 20, "Your Personal Greeting Card");
    DRAXO_printf_text(RED, -270, -20, 14, "%d%% of %s\nsecond line", 100, "jets");
    DRAXO_text(BLUE, 60, 0, 0, "size 0 (default)");
    DRAXO_text(NAVY_BLUE, 60, -30, 12, "Background Color");

    // Row 5: a jet as the card designer draws it.
    int x = -200, y = -150;
    DRAXO_rectangle(BLACK, x + 85, y + 15, x + 95, y + 5, 0);
    DRAXO_triangle(GRAY_50, x, y, x + 85, y, x + 100, y + 35, 0);
    DRAXO_triangle(GRAY_20, x + 45, y + 5, x + 70, y + 5, x + 80, y - 15, 0);
    DRAXO_oval(BLUE, x + 40, y + 20, x + 55, y + 10, 0);
    DRAXO_triangle(ORANGE, x + 100, y + 15, x + 100, y + 5, x + 160, y + 10, 0);
    DRAXO_triangle(RED, x + 100, y + 15, x + 100, y + 5, x + 120, y + 10, 0);

    {
        draxo::ws::pixels px = draxo::ws::image_pixels(draxo::display.frame_buffer);
        QImage frame(reinterpret_cast<const uchar*>(px.bits), px.width, px.height, px.stride * 4,
                     QImage::Format_RGB32);
        QImage out = scale > 1 ? frame.scaled(px.width * scale, px.height * scale) : frame.copy();
        if (!out.save(QString::fromLocal8Bit(argv[1]))) {
            std::fprintf(stderr, "cannot write %s\n", argv[1]);
            return 1;
        }
    }
    DRAXO_stop();
    return 0;
}
