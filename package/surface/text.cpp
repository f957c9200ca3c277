// Text on the drawing surface: plain and printf-style text at a point, and
// the renderer's text branch, which lays the text out line by line starting
// just above the anchor point.
#include <algorithm>
#include <climits>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <string>

#include "console/console.h"
#include "draxo.h"
#include "operation_guard.h"
#include "palette.h"
#include "renderer.h"
#include "text/text_encoding.h"

namespace draxo {

namespace {

constexpr int largest_text_size = 127;
constexpr std::size_t format_buffer_size = 1024;  // a formatted text keeps at most 1023 characters
constexpr int normal_weight = 400;
// No real face: the window system gives its default face for it.
constexpr const char* text_face = "DRAXO-font";

}  // namespace

void render_text(const draw_command& c) {
    ws::draw_context& dc = *display.buffer_dc;
    // The text colour stays set afterwards: every text command sets its own.
    set_text_color(dc, palette_rgb[c.color]);
    // Only the glyphs are painted; the pixels between them keep their colour.
    int previous_mode = set_background_mode(dc, ws::TRANSPARENT);
    // A negative height asks for a character height of `size` pixels; 0 for the default.
    ws::font font = ws::create_font(-c.x2, normal_weight, text_face);
    ws::font previous_font = select_font(dc, font);

    // The text is UTF-8 by now (DRAXO_text_pt): a newline byte is always a
    // newline character.
    const char* text = c.text ? c.text : "";
    // Lengths travel as int to the window system; nothing longer is drawn.
    const std::size_t length = std::min<std::size_t>(std::strlen(text), INT_MAX);
    // The extent of the whole text, newlines included: its height is the
    // font's cell height, the step from one line to the next.
    ws::extent whole = dc_text_extent(dc, text, static_cast<int>(length));
    const std::int64_t step = whole.cy;
    const std::int64_t column = display.origin_x + std::int64_t{c.x1};
    const ws::pixels frame = target_pixels(dc);

    // Line k has the top of its cell at row origin_y - y + (k - 1) * step:
    // the first line stands on the row above the anchor point. Lines are
    // separated by newlines only; an empty line paints nothing.
    std::size_t start = 0;
    for (std::int64_t line = 0;; ++line) {
        const char* end = static_cast<const char*>(std::memchr(text + start, '\n', length - start));
        std::size_t count = end ? static_cast<std::size_t>(end - (text + start)) : length - start;
        const std::int64_t row = display.origin_y - std::int64_t{c.y1} + (line - 1) * step;
        // Cells wholly outside the frame buffer are not drawn (their
        // coordinates might not even fit an int).
        const bool visible = count > 0 && row + 2 * step > 0 && row - step < frame.height &&
                             column < frame.width + step && column + whole.cx + step > 0;
        if (visible)
            dc_text_out(dc, static_cast<int>(column), static_cast<int>(row), text + start,
                        static_cast<int>(count));
        if (!end) break;
        start += count + 1;
    }

    set_background_mode(dc, previous_mode);
    select_font(dc, previous_font);
    ws::delete_font(font);
}

}  // namespace draxo

using namespace draxo;

extern "C" int DRAXO_text(int color, int x, int y, int size, const char* text) try {
    if (!may_draw(__func__)) return 0;
    return DRAXO_text_pt(color, DRAXO_point{x, y}, size, text);
} catch (...) {
    return operation_failed(__func__, 0);
}

extern "C" int DRAXO_text_pt(int color, DRAXO_point point, int size, const char* text) try {
    if (!may_draw(__func__)) return 0;
    if (size < 0) {
        int repaired = absolute_value(size);
        console_printf("ptsize of %d not possible, using ptsize %d\n", size, repaired);
        size = repaired;
    }
    if (size > largest_text_size) {
        console_printf("ptsize of %d not possible, using ptsize %d\n", size, largest_text_size);
        size = largest_text_size;
    }
    color = check_color(color);
    if (!text) text = "";  // no text is drawn as an empty one
    if (console.logging)
        console_printf("%s text at (%d,%d), \"%s\"\n", palette_names[color], point.x, point.y, text);
    // The call's own copy of the text, released when the call returns, in
    // UTF-8: the text is judged as a whole, UTF-8 or Latin-1, before it is
    // split into lines.
    const std::string copy = text::text_as_utf8(text);
    draw_command c;
    c.kind = DRAW_TEXT;
    c.color = color;
    c.x1 = point.x;
    c.y1 = point.y;
    c.x2 = size;
    c.text = copy.c_str();
    render_command(&c);
    return 1;
} catch (...) {
    return operation_failed(__func__, 0);
}

namespace {

// Formats into the 1024-byte buffer, cutting a longer result at 1023 bytes,
// between two characters; returns the formatter's count.
DRAXO_PRINTF_LIKE(2, 0) int format_text(char (&buffer)[format_buffer_size], const char* format, va_list args) {
    if (!format) {
        buffer[0] = '\0';
        return 0;
    }
    int count = std::vsnprintf(buffer, sizeof buffer, format, args);
    if (count < 0) buffer[0] = '\0';
    if (count >= static_cast<int>(sizeof buffer)) buffer[text::length_without_split_character(buffer)] = '\0';
    return count;
}

}  // namespace

extern "C" int DRAXO_printf_text(int color, int x, int y, int size, const char* format, ...) try {
    if (!may_draw(__func__)) return 0;
    char buffer[format_buffer_size];
    va_list args;
    va_start(args, format);
    int count = format_text(buffer, format, args);
    va_end(args);
    // The result is the text itself, never a format again: a "%" in it is drawn as it is.
    DRAXO_text(color, x, y, size, buffer);
    return count;
} catch (...) {
    return operation_failed(__func__, 0);
}

extern "C" int DRAXO_printf_text_pt(int color, DRAXO_point point, int size, const char* format, ...) try {
    if (!may_draw(__func__)) return 0;
    char buffer[format_buffer_size];
    va_list args;
    va_start(args, format);
    int count = format_text(buffer, format, args);
    va_end(args);
    DRAXO_text_pt(color, point, size, buffer);
    return count;
} catch (...) {
    return operation_failed(__func__, 0);
}
