// Draws the reference's figures with the package itself, under Qt's
// offscreen platform: a swatch of each palette colour (palette/NN-name.png)
// the coordinate plane of the drawing window (plane.png) and where a text
// stands on its point (text.png).
//   draxo_figures DOCS_DIRECTORY          writes the figures there
//   draxo_figures --check DOCS_DIRECTORY  says which figures there differ
//                                         from what the package draws now
#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QString>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "draxo.h"
#include "surface/display.h"
#include "window_system/window_system.h"

namespace {

struct figure {
    std::string name;  // relative to the docs directory
    QImage image;
};

// The frame buffer's pixels; a rectangle of them by device column and row.
QImage frame_buffer() {
    draxo::ws::pixels px = draxo::ws::image_pixels(draxo::display.frame_buffer);
    return QImage(reinterpret_cast<const uchar*>(px.bits), px.width, px.height, px.stride * 4,
                  QImage::Format_RGB32)
        .copy();
}

// Constant names in lower case, as the swatches' file names use them.
const char* const colour_names[] = {
    "black",  "white",     "red",        "green",        "blue",      "yellow", "magenta", "cyan",
    "purple", "navy_blue", "dusty_plum", "ice_blue",     "turquoise", "orange", "brown",   "pink",
    "chalk",  "gold",      "peach",      "forest_green", "sea_green", "olive",  "gray_50", "gray_20",
};

constexpr int swatch_width = 48;
constexpr int swatch_height = 18;

// Each colour as a filled rectangle with a thin gray outline, so that white
// and the pale colours show on a white page.
std::vector<figure> palette_swatches() {
    std::vector<figure> swatches;
    for (int colour = BLACK; colour <= GRAY_20; ++colour) {
        DRAXO_clear_window();
        DRAXO_rectangle(GRAY_50, 0, 0, swatch_width - 1, -(swatch_height - 1), 0);
        DRAXO_rectangle(colour, 1, -1, swatch_width - 2, -(swatch_height - 2), 0);
        char name[64];
        std::snprintf(name, sizeof name, "palette/%02d-%s.png", colour, colour_names[colour]);
        swatches.push_back({name, frame_buffer().copy(draxo::display.origin_x, draxo::display.origin_y,
                                                      swatch_width, swatch_height)});
    }
    return swatches;
}

// The whole frame buffer with the logical plane on it: axes, a grid every
// 50 units, the visible corners, a sample point, and the rows below the
// window that are drawn into but never shown.
figure coordinate_plane() {
    // The logical coordinates of the client area's edges and of the frame
    // buffer's last row.
    const draxo::ws::rect client = draxo::ws::client_rect(draxo::package.drawing_window);
    const int left = -draxo::display.origin_x;
    const int right = client.right - 1 - draxo::display.origin_x;
    const int top = draxo::display.origin_y;
    const int bottom = draxo::display.origin_y - (client.bottom - 1);
    const int frame_bottom = draxo::display.origin_y - (DRAXO_HEIGHT - 1);

    DRAXO_clear_window();
    DRAXO_rectangle(GRAY_20, left, bottom - 1, right, frame_bottom, 0);
    DRAXO_text(GRAY_50, left + 8, frame_bottom + 3, 12,
               "frame buffer rows below the window: drawn into, never shown");
    for (int x = -250; x <= 250; x += 50)
        if (x) DRAXO_line(GRAY_20, x, top - 1, x, bottom + 1, 1);
    for (int y = -250; y <= 250; y += 50)
        if (y) DRAXO_line(GRAY_20, left + 1, y, right - 1, y, 1);

    DRAXO_line(BLACK, left + 1, 0, right - 6, 0, 1);
    DRAXO_triangle(BLACK, right - 2, 0, right - 12, 5, right - 12, -5, 0);
    DRAXO_line(BLACK, 0, bottom + 1, 0, top - 6, 1);
    DRAXO_triangle(BLACK, 0, top - 2, -5, top - 12, 5, top - 12, 0);
    DRAXO_text(BLACK, right - 16, 8, 16, "x");
    DRAXO_text(BLACK, 10, top - 22, 16, "y");
    for (int v = -200; v <= 200; v += 100) {
        if (!v) continue;
        DRAXO_line(BLACK, v, -3, v, 4, 1);
        DRAXO_printf_text(BLACK, v + 3, -17, 12, "%d", v);
        DRAXO_line(BLACK, -3, v, 4, v, 1);
        DRAXO_printf_text(BLACK, 6, v + 1, 12, "%d", v);
    }

    DRAXO_circle(RED, 0, 0, 3);
    DRAXO_text(RED, -48, -17, 12, "(0, 0)");
    DRAXO_circle(RED, left, top, 3);
    DRAXO_printf_text(RED, left + 8, top - 20, 12, "(%d, %d)", left, top);
    DRAXO_circle(RED, right, bottom, 3);
    DRAXO_printf_text(RED, right - 72, bottom + 6, 12, "(%d, %d)", right, bottom);
    DRAXO_circle(BLUE, 60, 150, 4);
    DRAXO_text(BLUE, 68, 150, 14, "DRAXO_circle(BLUE, 60, 150, 4)");
    return {"plane.png", frame_buffer()};
}

// A text of size 28 at (x, y): the row of y just below its cell, the
// baseline the font's descent higher.
figure text_placement() {
    const int x = -150, y = 0, size = 28, baseline = y + 7;
    DRAXO_clear_window();
    DRAXO_line(GRAY_50, x - 40, y, x + 200, y, 1);
    DRAXO_line(BLUE, x - 40, baseline, x + 200, baseline, 1);
    DRAXO_text(BLACK, x, y, size, "Baseline gyp");
    DRAXO_circle(RED, x, y, 2);
    DRAXO_text(RED, x - 42, y - 15, 12, "(x, y)");
    DRAXO_text(GRAY_50, x + 206, y - 12, 12, "y: the row below the descent");
    DRAXO_text(BLUE, x + 206, baseline + 1, 12, "y + 7: the baseline (size 28)");
    const int left = draxo::display.origin_x + x - 48, top = draxo::display.origin_y - (y + 40);
    return {"text.png", frame_buffer().copy(left, top, 440, 58)};
}

bool same_pixels(const QImage& a, const QImage& b) {
    if (a.size() != b.size()) return false;
    for (int row = 0; row < a.height(); ++row)
        for (int column = 0; column < a.width(); ++column)
            if ((a.pixel(column, row) & 0xFFFFFFu) != (b.pixel(column, row) & 0xFFFFFFu)) return false;
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    const bool check = argc == 3 && std::strcmp(argv[1], "--check") == 0;
    if (argc != 2 && !check) {
        std::fprintf(stderr, "usage: %s [--check] DOCS_DIRECTORY\n", argv[0]);
        return 2;
    }
    const std::string directory = argv[argc - 1];
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    DRAXO_start(nullptr, nullptr, nullptr, 1);
    DRAXO_set_logging(0);
    std::vector<figure> figures = palette_swatches();
    figures.push_back(coordinate_plane());
    figures.push_back(text_placement());
    DRAXO_stop();

    int failures = 0;
    for (const figure& f : figures) {
        QString path = QString::fromStdString(directory + "/" + f.name);
        if (check) {
            if (!same_pixels(QImage(path).convertToFormat(QImage::Format_RGB32), f.image)) {
                std::fprintf(stderr, "%s differs from what the package draws now\n", f.name.c_str());
                ++failures;
            }
        } else if (!QDir().mkpath(QFileInfo(path).path()) || !f.image.save(path)) {
            std::fprintf(stderr, "cannot write %s\n", path.toLocal8Bit().constData());
            ++failures;
        }
    }
    if (check && failures)
        std::fprintf(stderr, "draw them again with: cmake --build BUILD_DIRECTORY --target docs-figures\n");
    return failures ? 1 : 0;
}
