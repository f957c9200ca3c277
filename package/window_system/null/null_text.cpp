// Null backend: fonts and text as boxes (null_backend.h gives the metrics),
// drawn into the images' pixels.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "null_backend.h"
#include "text/text_encoding.h"

namespace draxo::ws {

struct font_record {
    int character_height = 0;
    bool fixed = false;  // the stock and system fonts: never deleted
};

namespace null {
namespace {

int character_cell(int h) { return h + h / 2; }
int ascent_of(int h) { return h + h / 4; }

// One advance a character, however many bytes its UTF-8 takes.
int character_count(const char* text, int length) {
    return length > 0 ? static_cast<int>(
                            text::utf8_character_count(std::string_view(text, static_cast<std::size_t>(length))))
                      : 0;
}

}  // namespace
}  // namespace null

namespace backend {

font create_font(int height, int, const char*) {
    int h = height < 0 ? -height : height > 0 ? std::max(1, height * 2 / 3) : null::default_character_height;
    return new font_record{h, false};
}

void delete_font(font f) {
    if (!f->fixed) delete f;
}

font stock_fixed_font() {
    static font_record stock_fixed{10, true};
    return &stock_fixed;
}

font system_font() {
    static font_record system{null::default_character_height, true};
    return &system;
}

text_metrics font_metrics(font f) {
    int h = f->character_height;
    int cell = null::character_cell(h), ascent = null::ascent_of(h);
    return text_metrics{cell, ascent, cell - ascent, cell - h, 0, null::advance_of(h)};
}

extent text_extent(font f, const char* text, int length) {
    int h = f->character_height;
    return extent{null::character_count(text, length) * null::advance_of(h), null::character_cell(h)};
}

void draw_text(image target, font f, int x, int y, const char* text, int length, colorref color, bool opaque,
               colorref background) {
    pixels px = backend::image_pixels(target);
    int h = f->character_height, advance = null::advance_of(h), cell = null::character_cell(h);
    auto fill = [&](long long left, long long top, long long right, long long bottom, std::uint32_t value) {
        for (long long row = std::max(0LL, top); row < std::min<long long>(bottom, px.height); ++row)
            for (long long col = std::max(0LL, left); col < std::min<long long>(right, px.width); ++col)
                px.bits[row * px.stride + col] = value;
    };
    const int count = null::character_count(text, length);
    if (opaque)
        fill(x, y, static_cast<long long>(x) + static_cast<long long>(count) * advance, y + cell,
             pixel_of(background));
    // One box a character; continuation bytes belong to the character before.
    int i = -1;
    for (int at = 0; at < length; ++at) {
        if ((static_cast<unsigned char>(text[at]) & 0xC0u) == 0x80u) continue;
        ++i;
        if (text[at] == ' ') continue;
        long long left = static_cast<long long>(x) + static_cast<long long>(i) * advance;
        // The glyph box: the character's height up from the baseline, one
        // pixel in from the sides of its advance.
        int baseline = null::ascent_of(h);
        fill(left + 1, y + baseline - h, left + advance - 1, y + baseline, pixel_of(color));
    }
}

}  // namespace backend
}  // namespace draxo::ws
