// The layer's core: presentation (ws_present.h). What changed in a window's
// surface, frames paced for a busy program, and the surface's rectangles
// handed to the backend to show.
#include "ws_present.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#if !defined(__GLIBC__) && defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "ws_core.h"

namespace draxo::ws {
namespace {

// Whether two runs of `count` pixels are equal. A frame is compared whole at
// every showing, a window's client area twice over, so this is the costly
// part of presenting a frame that did not change. The GNU C library's memcmp
// compares many bytes at once; other C libraries' (the Windows runtime's,
// the browser's) may go byte by byte, and there the pixels are compared 32
// bytes at a time with SSE2, which every x86-64 processor has, or else four
// pixels at a time.
bool same_pixels(const std::uint32_t* a, const std::uint32_t* b, int count) {
#if defined(__GLIBC__)
    return std::memcmp(a, b, sizeof *a * static_cast<std::size_t>(count)) == 0;
#else
    int i = 0;
#if defined(__SSE2__)
    for (; i + 8 <= count; i += 8) {
        __m128i low = _mm_cmpeq_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(a + i)),
                                      _mm_loadu_si128(reinterpret_cast<const __m128i*>(b + i)));
        __m128i high = _mm_cmpeq_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(a + i + 4)),
                                       _mm_loadu_si128(reinterpret_cast<const __m128i*>(b + i + 4)));
        if (_mm_movemask_epi8(_mm_and_si128(low, high)) != 0xFFFF) return false;
    }
#else
    for (; i + 4 <= count; i += 4)
        if (((a[i] ^ b[i]) | (a[i + 1] ^ b[i + 1]) | (a[i + 2] ^ b[i + 2]) | (a[i + 3] ^ b[i + 3])) != 0)
            return false;
#endif
    for (; i < count; ++i)
        if (a[i] != b[i]) return false;
    return true;
#endif
}

// Pixels compared at once before a block that differs is looked into.
constexpr int block = 16;

// The first pixel of a row that differs, looking no further than `limit`
// (returned when none before it does).
int first_difference(const std::uint32_t* now, const std::uint32_t* before, int limit) {
    int at = 0;
    while (at + block <= limit && same_pixels(now + at, before + at, block)) at += block;
    while (at < limit && now[at] == before[at]) ++at;
    return at;
}

// One past the last pixel of a row of `width` that differs, looking back no
// further than `limit` (returned when none at or after it does).
int end_of_difference(const std::uint32_t* now, const std::uint32_t* before, int limit, int width) {
    int end = width;
    while (end - block >= limit && same_pixels(now + end - block, before + end - block, block)) end -= block;
    while (end > limit && now[end - 1] == before[end - 1]) --end;
    return end;
}

// Hands the surface's changes to the screen.
void show_changes(window w) {
    presentation& p = w->presented;
    p.last_shown_ms = backend::now_ms();
    if (!w->surface) return;
    const rect changed = p.shown.take_changes(image_pixels(w->surface));
    if (changed.right > changed.left) backend::show_area(w, changed);
}

}  // namespace

rect shown_copy::take_changes(const pixels& now) {
    if (!now.bits || now.width <= 0 || now.height <= 0) return {};
    const int width = now.width, height = now.height;
    const std::size_t row_bytes = sizeof(std::uint32_t) * static_cast<std::size_t>(width);
    auto now_row = [&](int row) { return now.bits + static_cast<std::ptrdiff_t>(row) * now.stride; };
    auto shown_row = [&](int row) { return bits_.data() + static_cast<std::size_t>(row) * width; };
    if (!held_ || width != width_ || height != height_) {
        bits_.resize(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
        for (int row = 0; row < height; ++row) std::memcpy(shown_row(row), now_row(row), row_bytes);
        width_ = width;
        height_ = height;
        held_ = true;
        return rect{0, 0, width, height};
    }
    // The rows that differ, then the columns that differ within them.
    int top = 0, bottom = height;
    while (top < height && same_pixels(now_row(top), shown_row(top), width)) ++top;
    if (top == height) return {};
    while (same_pixels(now_row(bottom - 1), shown_row(bottom - 1), width)) --bottom;
    int left = width, right = 0;
    for (int row = top; row < bottom; ++row) {
        const std::uint32_t *current = now_row(row), *before = shown_row(row);
        // Most rows between the first and the last that changed are as they
        // were (or, after the console scrolled, differ only where its text
        // is): a whole row is compared at once before pixel by pixel.
        if (row != top && row != bottom - 1 && same_pixels(current, before, width)) continue;
        left = std::min(left, first_difference(current, before, left));
        right = std::max(right, end_of_difference(current, before, right, width));
    }
    for (int row = top; row < bottom; ++row)
        std::memcpy(shown_row(row) + left, now_row(row) + left,
                    sizeof(std::uint32_t) * static_cast<std::size_t>(right - left));
    return rect{left, top, right, bottom};
}

void shown_copy::forget() { held_ = false; }

int fitting_scale(double screen_factor, extent must_fit, extent screen) {
    int scale = std::max(1, static_cast<int>(std::floor(screen_factor + 1e-9)));
    while (scale > 1 && (static_cast<long long>(must_fit.cx) * scale > screen.cx ||
                         static_cast<long long>(must_fit.cy) * scale > screen.cy))
        --scale;
    return scale;
}

int typed_character(long code_point) {
    if (code_point < 0) return -1;
    return code_point <= 0xFF ? static_cast<int>(code_point) : '?';
}

dialog_units::dialog_units(int average_width, int character_height)
    : base_x(std::max(1, average_width)), base_y(std::max(1, character_height)) {}

namespace {
// a * b / d rounded toward minus infinity, without overflow for any int
// of a dialog template.
int scaled_down(int a, int b, int d) {
    const long long product = static_cast<long long>(a) * b;
    long long quotient = product / d;
    if (product % d != 0 && product < 0) --quotient;
    return static_cast<int>(quotient);
}
}  // namespace

int dialog_units::px(int units) const { return scaled_down(units, base_x, 4); }
int dialog_units::py(int units) const { return scaled_down(units, base_y, 8); }

// --- Showing a window's surface ------------------------------------------------

void surface_changed(window w) {
    if (!is_window(w) || headless()) return;
    presentation& p = w->presented;
    if (p.frame_scheduled) return;
    const double since = backend::now_ms() - p.last_shown_ms;
    if (since >= frame_interval_ms) {
        show_changes(w);
        return;
    }
    // Shown at the next frame; the millisecond more keeps a timer of whole
    // milliseconds from waking before the frame is due.
    p.frame_scheduled = true;
    backend::schedule_frame(w, static_cast<int>(frame_interval_ms - since) + 1);
}

void present_now(window w) {
    if (!is_window(w) || headless() || !backend::window_visible(w)) return;
    presentation& p = w->presented;
    p.last_shown_ms = backend::now_ms();
    const rect changed = w->surface ? p.shown.take_changes(image_pixels(w->surface)) : rect{};
    backend::present(w, changed);
}

void native_frame_due(window w) {
    if (!is_window(w) || headless()) return;
    w->presented.frame_scheduled = false;
    show_changes(w);
}

}  // namespace draxo::ws
