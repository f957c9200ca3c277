// Qt backend: texts drawn again from their glyphs' coverage.
//
// Laying a line of text out (shaping, itemizing) and setting up a painter
// for it cost several times more than putting its glyphs on the image, and
// a program redraws the same labels in every frame. So a text drawn a
// second time in the same font gets its glyphs made once, as Qt makes them:
// each glyph of the laid-out line alone, white on black, gives the coverage
// Qt blends the pen's colour with, and the glyphs are blended again in their
// order, with Qt's own arithmetic for an opaque pen over an opaque pixel
// (overlapping glyphs are blended one after the other, as Qt does). Before
// a text is kept, its glyphs blended white on black must give exactly what
// the painter draws for the whole line; a text that does not (or whose
// glyphs Qt draws as outlines, from 64 pixels on) keeps being drawn by the
// painter.
//
// The coverage depends on the font and the text's (UTF-8) bytes alone; colour,
// place and the pixels beneath come in at each drawing. So the texts are
// kept by font (every font matched gets its own number, shared by its
// copies) and bytes, and all of them together stay within a budget of
// bytes: past it, they are all dropped and made again as they come.
#include <QFontMetricsF>
#include <QGlyphRun>
#include <QImage>
#include <QPainter>
#include <QRawFont>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "qt_backend.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace draxo::ws::qt {
namespace {

// A run of coverage on one row, relative to the top-left corner of the
// text's cell.
struct coverage_run {
    std::int32_t dx = 0, dy = 0;
    std::int32_t count = 0;
    std::uint32_t offset = 0;  // of its first value in `coverage`
};

struct coverage_runs {
    std::vector<coverage_run> runs;  // blended in this order
    std::vector<std::uint8_t> coverage;
};

struct text_entry {
    int width = -1;  // the line's width, -1 until measured
    int drawn = 0;   // times drawn by Qt
    enum { not_made, made, refused } glyphs = not_made;
    // The coverage of each pixel by its first glyph, one run a row, then of
    // pixels two glyphs cover by the second, and so on: blended in this
    // order, each pixel gets its glyphs one after the other as Qt blends
    // them, and the rows of a line are blended in long runs.
    coverage_runs layers;
};

struct text_key {
    std::uint64_t font;
    std::string text;
};
struct text_key_view {
    std::uint64_t font;
    std::string_view text;
};

struct key_hash {
    using is_transparent = void;
    std::size_t operator()(const text_key_view& k) const {
        return std::hash<std::string_view>{}(k.text) ^ (k.font * 0x9E3779B97F4A7C15ull);
    }
    std::size_t operator()(const text_key& k) const { return (*this)(text_key_view{k.font, k.text}); }
};
struct key_equal {
    using is_transparent = void;
    static text_key_view view(const text_key& k) { return {k.font, k.text}; }
    static text_key_view view(const text_key_view& k) { return k; }
    template <typename A, typename B>
    bool operator()(const A& a, const B& b) const {
        return view(a).font == view(b).font && view(a).text == view(b).text;
    }
};

// The budget of all kept texts, keys and glyphs together (emptied when a
// new text finds it spent), of one text's glyphs, and the longest text kept.
constexpr std::size_t cache_budget = 4u << 20;
constexpr std::size_t entry_budget = 256u << 10;
constexpr std::size_t longest_kept_text = 1024;
// Qt draws glyphs of this pixel size and larger as outlines, not from its
// glyph cache.
constexpr int largest_cached_glyph = 63;

struct text_cache {
    std::unordered_map<text_key, text_entry, key_hash, key_equal> entries;
    std::size_t bytes = 0;
};

text_cache& cache() {
    static auto* texts = new text_cache;
    return *texts;
}

// What an entry takes: its key, its record, the map's own node, its glyphs.
std::size_t bytes_of(std::size_t text_length, const text_entry& e) {
    return sizeof(text_key) + sizeof(text_entry) + 32 + text_length + e.layers.runs.size() * sizeof(coverage_run) +
           e.layers.coverage.size();
}

// The entry of a text in a font, made when it is missing.
text_entry& entry_for(const font_record& f, std::string_view text) {
    text_cache& c = cache();
    auto found = c.entries.find(text_key_view{f.id, text});
    if (found != c.entries.end()) return found->second;
    if (c.bytes > cache_budget) {
        c.entries.clear();
        c.bytes = 0;
    }
    auto made = c.entries.emplace(text_key{f.id, std::string(text)}, text_entry{}).first;
    c.bytes += bytes_of(text.size(), made->second);
    return made->second;
}

// Qt's blend of an opaque pen over an opaque pixel with some coverage a:
// each channel of the pen and of the pixel scaled by its share, a / 255 and
// (255 - a) / 255, with Qt's rounding, and the two added. It holds for a = 0
// (the pixel stays) and a = 255 (the pen's colour) too.
inline std::uint32_t byte_mul(std::uint32_t x, std::uint32_t a) {
    std::uint32_t t = (x & 0xFF00FFu) * a;
    t = ((t + ((t >> 8) & 0xFF00FFu) + 0x800080u) >> 8) & 0xFF00FFu;
    x = ((x >> 8) & 0xFF00FFu) * a;
    x = (x + ((x >> 8) & 0xFF00FFu) + 0x800080u) & 0xFF00FF00u;
    return x | t;
}
inline std::uint32_t blend(std::uint32_t pen, std::uint32_t coverage, std::uint32_t pixel) {
    return byte_mul(pen, coverage) + byte_mul(pixel, 255 - coverage);
}

#if defined(__SSE2__)
// The same for four pixels, each channel in a 16-bit lane: no product
// leaves its lane, so the rounding is the same to the bit.
inline __m128i scale(__m128i channels, __m128i shares) {
    const __m128i t = _mm_mullo_epi16(channels, shares);
    return _mm_srli_epi16(_mm_add_epi16(_mm_add_epi16(t, _mm_srli_epi16(t, 8)), _mm_set1_epi16(0x80)), 8);
}
inline void blend_four(std::uint32_t* pixels, const std::uint8_t* coverage, std::uint32_t pen_pixel, __m128i pen) {
    const __m128i zero = _mm_setzero_si128(), full = _mm_set1_epi16(255);
    std::uint32_t four_coverages;
    std::memcpy(&four_coverages, coverage, 4);
    if (four_coverages == 0) return;      // blending with no coverage keeps the pixels
    if (four_coverages == 0xFFFFFFFFu) {  // and with full coverage gives the pen
        _mm_storeu_si128(reinterpret_cast<__m128i*>(pixels), _mm_set1_epi32(static_cast<int>(pen_pixel)));
        return;
    }
    // Each pixel's coverage in the four lanes of its channels.
    __m128i a = _mm_cvtsi32_si128(static_cast<int>(four_coverages));
    a = _mm_unpacklo_epi8(a, a);
    a = _mm_unpacklo_epi16(a, a);
    const __m128i a_low = _mm_unpacklo_epi8(a, zero), a_high = _mm_unpackhi_epi8(a, zero);
    const __m128i destination = _mm_loadu_si128(reinterpret_cast<const __m128i*>(pixels));
    const __m128i pen_part = _mm_packus_epi16(scale(pen, a_low), scale(pen, a_high));
    const __m128i kept_part =
        _mm_packus_epi16(scale(_mm_unpacklo_epi8(destination, zero), _mm_sub_epi16(full, a_low)),
                         scale(_mm_unpackhi_epi8(destination, zero), _mm_sub_epi16(full, a_high)));
    // Added as whole pixels, as the one-pixel form adds them.
    _mm_storeu_si128(reinterpret_cast<__m128i*>(pixels), _mm_add_epi32(pen_part, kept_part));
}
#endif

// Blends the runs with the pen at (x, y), within the image.
void blend_runs(QImage& image, int x, int y, const coverage_runs& e, std::uint32_t pen) {
    const int width = image.width(), height = image.height();
    std::uint32_t* const bits = reinterpret_cast<std::uint32_t*>(image.bits());
    const long stride = image.bytesPerLine() / 4;
#if defined(__SSE2__)
    const __m128i pen_channels = _mm_unpacklo_epi8(_mm_set1_epi32(static_cast<int>(pen)), _mm_setzero_si128());
#endif
    for (const coverage_run& r : e.runs) {
        const long row = static_cast<long>(y) + r.dy;
        if (row < 0 || row >= height) continue;
        long column = static_cast<long>(x) + r.dx;
        const std::uint8_t* values = e.coverage.data() + r.offset;
        long count = r.count;
        if (column < 0) {
            values -= column;
            count += column;
            column = 0;
        }
        count = std::min<long>(count, width - column);
        if (count <= 0) continue;
        std::uint32_t* line = bits + row * stride + column;
        long i = 0;
#if defined(__SSE2__)
        for (; i + 4 <= count; i += 4) blend_four(line + i, values + i, pen, pen_channels);
#endif
        for (; i < count; ++i) line[i] = blend(pen, values[i], line[i]);
    }
}

// The coverage of `image` (white on black) as runs, each row trimmed to its
// covered pixels, placed relative to (origin_x, origin_y). False when
// anything touches the image's border, where it might have been cut off.
bool take_coverage(const QImage& image, int origin_x, int origin_y, coverage_runs& e) {
    const int width = image.width(), height = image.height();
    for (int row = 0; row < height; ++row) {
        const auto* line = reinterpret_cast<const std::uint32_t*>(image.constScanLine(row));
        int first = 0, last = width - 1;
        while (first < width && (line[first] & 0xFF) == 0) ++first;
        if (first == width) continue;
        while ((line[last] & 0xFF) == 0) --last;
        if (row == 0 || row == height - 1 || first == 0 || last == width - 1) return false;
        coverage_run r;
        r.dx = first - origin_x;
        r.dy = row - origin_y;
        r.count = last - first + 1;
        r.offset = static_cast<std::uint32_t>(e.coverage.size());
        for (int column = first; column <= last; ++column)
            e.coverage.push_back(static_cast<std::uint8_t>(line[column] & 0xFF));
        e.runs.push_back(r);
    }
    return true;
}

// The glyphs' runs, blended one after the other, as layers (text_entry).
coverage_runs layered(const coverage_runs& glyphs) {
    coverage_runs out;
    if (glyphs.runs.empty()) return out;
    int left = glyphs.runs[0].dx, right = left, top = glyphs.runs[0].dy, bottom = top;
    for (const coverage_run& r : glyphs.runs) {
        left = std::min(left, r.dx);
        right = std::max(right, r.dx + r.count - 1);
        top = std::min(top, r.dy);
        bottom = std::max(bottom, r.dy);
    }
    const int width = right - left + 1, height = bottom - top + 1;
    std::vector<std::uint8_t> depth(static_cast<std::size_t>(width * height), 0);
    std::vector<std::vector<std::uint8_t>> layers;
    for (const coverage_run& r : glyphs.runs)
        for (int i = 0; i < r.count; ++i) {
            const std::uint8_t a = glyphs.coverage[r.offset + static_cast<std::uint32_t>(i)];
            if (a == 0) continue;  // blending it would change nothing
            const std::size_t at = static_cast<std::size_t>((r.dy - top) * width + r.dx + i - left);
            const std::size_t layer = depth[at]++;
            if (layer == layers.size()) layers.emplace_back(static_cast<std::size_t>(width * height), 0);
            layers[layer][at] = a;
        }
    for (const std::vector<std::uint8_t>& layer : layers)
        for (int row = 0; row < height; ++row) {
            const std::uint8_t* values = layer.data() + row * width;
            int first = 0, last = width - 1;
            while (first < width && values[first] == 0) ++first;
            if (first == width) continue;
            while (values[last] == 0) --last;
            out.runs.push_back(coverage_run{left + first, top + row, last - first + 1,
                                            static_cast<std::uint32_t>(out.coverage.size())});
            out.coverage.insert(out.coverage.end(), values + first, values + last + 1);
        }
    return out;
}

// Makes the layers of one line's glyphs, checked against the backend's own
// drawing of the line.
bool make_glyphs(const font_record& f, const QString& line, text_entry& e) {
    if (f.font.pixelSize() > largest_cached_glyph || f.font.pixelSize() <= 0) return false;
    // The whole line as the backend draws it, white on black, with room
    // around its ink.
    const QRectF ink = QFontMetricsF(f.font).boundingRect(line);
    const int margin = 4 + f.font.pixelSize() / 4;
    const int left = static_cast<int>(std::floor(std::min<qreal>(ink.left(), 0))) - margin;
    const int top = static_cast<int>(std::floor(ink.top())) - margin;  // from the baseline
    const int right = static_cast<int>(std::ceil(std::max<qreal>(ink.right(), line_width(f.font, line))));
    const int width = right + margin - left;
    const int height = static_cast<int>(std::ceil(ink.bottom())) + margin - top;
    // The cell's top-left corner in the images.
    const int origin_x = -left, origin_y = -top - f.ascent;
    QImage whole(width, height, QImage::Format_RGB32);
    whole.fill(0xFF000000u);
    {
        QPainter painter(&whole);
        painter.setFont(f.font);
        painter.setPen(Qt::white);
        draw_line(painter, f, origin_x, origin_y, line);
    }
    coverage_runs probe;
    if (!take_coverage(whole, 0, 0, probe)) return false;  // ink beyond the room made for it

    // Each glyph of the line alone, at its place in the line.
    const QPointF baseline(origin_x, origin_y + f.ascent);
    coverage_runs glyphs;
    for (const placed_glyphs& run : line_glyphs(f.font, line))
        for (qsizetype i = 0; i < run.indexes.size(); ++i) {
            const QPointF at = baseline + run.positions[i];
            const QRectF box = run.font.boundingRect(run.indexes[i]).translated(at);
            const int glyph_left = static_cast<int>(std::floor(box.left())) - margin;
            const int glyph_top = static_cast<int>(std::floor(box.top())) - margin;
            QImage glyph(static_cast<int>(std::ceil(box.right())) + margin - glyph_left,
                         static_cast<int>(std::ceil(box.bottom())) + margin - glyph_top, QImage::Format_RGB32);
            glyph.fill(0xFF000000u);
            QGlyphRun one;
            one.setRawFont(run.font);
            one.setGlyphIndexes({run.indexes[i]});
            one.setPositions({at - QPointF(glyph_left, glyph_top)});
            {
                QPainter painter(&glyph);
                painter.setPen(Qt::white);
                painter.drawGlyphRun(QPointF(0, 0), one);
            }
            if (!take_coverage(glyph, origin_x - glyph_left, origin_y - glyph_top, glyphs)) return false;
        }
    e.layers = layered(glyphs);

    // The layers blended white on black must be the line as it was drawn.
    QImage again(width, height, QImage::Format_RGB32);
    again.fill(0xFF000000u);
    blend_runs(again, origin_x, origin_y, e.layers, 0xFFFFFFFFu);
    return again == whole &&
           e.layers.runs.size() * sizeof(coverage_run) + e.layers.coverage.size() <= entry_budget;
}

}  // namespace

std::size_t cached_text_bytes() { return cache().bytes; }
// The budget, and what the text that spent it may have added.
std::size_t cached_text_budget() {
    return cache_budget + entry_budget + longest_kept_text + sizeof(text_key) + sizeof(text_entry) + 32;
}

int cached_width(const font_record& f, const char* text, int length) {
    if (static_cast<std::size_t>(length) > longest_kept_text)
        return line_width(f.font, QString::fromUtf8(text, length));
    text_entry& e = entry_for(f, std::string_view(text, static_cast<std::size_t>(length)));
    if (e.width < 0) e.width = line_width(f.font, QString::fromUtf8(text, length));
    return e.width;
}

bool draw_cached_line(QImage& image, const font_record& f, int x, int y, const char* text, int length,
                      std::uint32_t pen) {
    const std::string_view bytes(text, static_cast<std::size_t>(length));
    if (bytes.size() > longest_kept_text) return false;
    text_entry& e = entry_for(f, bytes);
    if (e.glyphs == text_entry::not_made) {
        // A text drawn once may never come again: only the second drawing
        // makes its glyphs.
        if (e.drawn++ == 0) return false;
        text_cache& c = cache();
        c.bytes -= bytes_of(bytes.size(), e);
        e.glyphs = make_glyphs(f, QString::fromUtf8(text, length), e) ? text_entry::made : text_entry::refused;
        if (e.glyphs == text_entry::refused) e.layers = {};
        c.bytes += bytes_of(bytes.size(), e);
    }
    if (e.glyphs != text_entry::made) return false;
    blend_runs(image, x, y, e.layers, pen);
    return true;
}

}  // namespace draxo::ws::qt
