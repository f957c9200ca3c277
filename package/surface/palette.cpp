// The 24 named colours of the package and the colour check.
#include "palette.h"

#include "console/console.h"

namespace draxo {

namespace {
constexpr std::uint32_t rgb(unsigned r, unsigned g, unsigned b) { return r | (g << 8) | (b << 16); }
}  // namespace

const std::uint32_t palette_rgb[palette_size] = {
    rgb(0, 0, 0),       rgb(255, 255, 255), rgb(255, 0, 0),     rgb(0, 255, 0),     rgb(0, 0, 255),
    rgb(255, 255, 0),   rgb(255, 0, 255),   rgb(0, 255, 255),   rgb(153, 0, 204),   rgb(0, 51, 153),
    rgb(153, 102, 153), rgb(153, 255, 255), rgb(153, 255, 204), rgb(255, 102, 0),   rgb(153, 102, 51),
    rgb(255, 153, 204), rgb(255, 255, 153), rgb(204, 153, 51),  rgb(255, 153, 102), rgb(0, 102, 51),
    rgb(51, 204, 153),  rgb(153, 153, 51),  rgb(128, 128, 128), rgb(204, 204, 204),
};

const char* const palette_names[palette_size] = {
    "black",  "white",     "red",        "green",        "blue",      "yellow", "magenta",  "cyan",
    "purple", "navy blue", "dusty plum", "ice blue",     "turquoise", "orange", "brown",    "pink",
    "chalk",  "gold",      "peach",      "forest green", "sea green", "olive",  "50% gray", "20% gray",
};

int check_color(int color) {
    if (color >= 0 && color < palette_size) return color;
    console_printf("Illegal color %d; using RED.\n", color);
    return replacement_color;
}

}  // namespace draxo
