// Template backend: fonts and text. The stubs measure every character as a
// cell of fixed proportions and draw nothing.
#include <cstddef>
#include <string_view>

#include "template_backend.h"
#include "text/text_encoding.h"

namespace draxo::ws {

// The backend's own font record: a port keeps its system's font here.
struct font_record {
    int character_height = 0;
};

namespace backend {
namespace {

constexpr int default_character_height = 16;

int average_width_of(int h) { return h / 2 + 1; }

}  // namespace

// A negative height asks for that character height (without internal
// leading), a positive one for that cell height, 0 for the system's
// default; weight 400 is normal, 700 bold; an unknown face gets the
// platform's default one. A port keeps the fonts it made by font_request
// (backend.h) when making one is slow.
font create_font(int height, int, const char*) {
    return new font_record{height < 0 ? -height : height > 0 ? height : default_character_height};
}

void delete_font(font f) { delete f; }

// The console's fixed-pitch font, at the screen's density (its windows are
// of CS_DEVICE_PIXELS), and the font of a fresh drawing context: both live
// until quit and are never deleted.
font stock_fixed_font() {
    static font_record stock_fixed{10};
    return &stock_fixed;
}

font system_font() {
    static font_record system{default_character_height};
    return &system;
}

// The cell (ascent + descent), the leadings and the average character
// width, in pixels, as the system measures the font.
text_metrics font_metrics(font f) {
    int h = f->character_height;
    return text_metrics{h, h * 4 / 5, h - h * 4 / 5, 0, 0, average_width_of(h)};
}

// The advance of the UTF-8 text (`length` bytes) and the cell's height.
extent text_extent(font f, const char* text, int length) {
    std::size_t count =
        length > 0 ? text::utf8_character_count(std::string_view(text, static_cast<std::size_t>(length))) : 0;
    return extent{static_cast<int>(count) * average_width_of(f->character_height), f->character_height};
}

// Draws the text into the image's pixels with the top-left of its cell at
// (x, y), characters the font lacks from the system's fallback fonts, all on
// one baseline; opaque fills the cell's background first. Only the glyphs'
// own pixels change otherwise.
void draw_text(image, font, int, int, const char*, int, colorref, bool, colorref) {}

}  // namespace backend
}  // namespace draxo::ws
