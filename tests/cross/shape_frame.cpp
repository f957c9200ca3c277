// A client that draws every shape kind, in every colour, with widths from 0
// to 9, partly outside the frame buffer too, and writes the frame buffer's
// colours as a binary PPM file (text is left out: it is each platform's own).
// Built for each platform over its own backend; the frame buffers must be
// identical byte for byte:
//   shape_frame frame.ppm
#include <cstdint>
#include <cstdio>

#include "draxo.h"
#include "surface/display.h"
#include "window_system/window_system.h"

namespace {

void draw_every_shape() {
    DRAXO_clear_window();
    for (int c = 0; c < 24; ++c) {
        int x = -290 + (c % 12) * 48, y = 240 - (c / 12) * 50;
        DRAXO_rectangle(c, x, y, x + 20, y - 15, c % 4);
        DRAXO_oval(c, x + 22, y, x + 44, y - 15, (c + 1) % 4);
        DRAXO_triangle(c, x, y - 20, x + 40, y - 25, x + 15, y - 45, c % 3 == 0 ? 0 : c % 7);
        DRAXO_circle(c, x + 40, y - 40, c % 6);
        DRAXO_pixel(c, x + 30, y - 30);
    }
    // Lines in every octant with the one-pixel pen and wide ones.
    for (int i = 0; i < 16; ++i) {
        int dx = (i % 4 - 2) * 23 + 7, dy = (i / 4 - 2) * 19 + 5;
        DRAXO_line(i, -150, 40, -150 + dx, 40 + dy, 0);
        DRAXO_line(i + 4, 0, 40, dx, 40 + dy, 1 + i % 9);
    }
    for (int w = 0; w <= 9; ++w) {
        DRAXO_line(BLACK, 120 + w * 15, 80, 120 + w * 15, 80, w);  // dots
        DRAXO_rectangle(NAVY_BLUE, 120 + w * 15, 60, 130 + w * 15 + w, 20 - w, w);
        DRAXO_oval(SEA_GREEN, 120 + w * 15, 0, 128 + w * 15, -40 - w * 3, w);
    }
    // Thin and degenerate shapes, reversed corners.
    DRAXO_oval(PURPLE, -280, -60, -200, -62, 0);
    DRAXO_oval(PURPLE, -190, -60, -189, -120, 1);
    DRAXO_rectangle(ORANGE, -150, -120, -180, -60, 0);
    DRAXO_triangle(BROWN, -140, -70, -60, -80, -100, -75, 0);
    DRAXO_triangle(BROWN, -140, -90, -60, -90, -100, -90, 3);
    // Shapes reaching past every edge of the frame buffer, and far away.
    DRAXO_circle(GOLD, -300, -270, 60);
    DRAXO_rectangle(PEACH, 250, -200, 400, -400, 5);
    DRAXO_triangle(OLIVE, 280, 300, 320, -100, 200, 280, 0);
    DRAXO_line(RED, -100000, -250, 100000, -230, 4);
    DRAXO_oval(GRAY_50, -2000000000, -2000000000, 2000000000, -200, 2);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s frame.ppm\n", argv[0]);
        return 2;
    }
    static char command_line[] = "";
    DRAXO_start(nullptr, nullptr, command_line, 1);
    DRAXO_show_console(0);
    DRAXO_set_logging(0);
    // The drawing window's client area, and with it the origin, differs
    // between platforms (frame, caption, menu bar): the same origin on both.
    draxo::display.origin_x = 300;
    draxo::display.origin_y = 260;
    draw_every_shape();

    draxo::ws::pixels px = draxo::ws::image_pixels(draxo::display.frame_buffer);
    std::FILE* out = std::fopen(argv[1], "wb");
    if (!out) return 1;
    std::fprintf(out, "P6\n%d %d\n255\n", px.width, px.height);
    for (int row = 0; row < px.height; ++row) {
        for (int col = 0; col < px.width; ++col) {
            std::uint32_t p = px.bits[row * px.stride + col];
            unsigned char rgb[3] = {static_cast<unsigned char>(p >> 16), static_cast<unsigned char>(p >> 8),
                                    static_cast<unsigned char>(p)};
            std::fwrite(rgb, 1, 3, out);
        }
    }
    std::fclose(out);
    DRAXO_stop();
    return 0;
}
