// The rasteriser: spans, rectangles, one-pixel lines, polygons, ellipses and wide pens, exact and clipped.
#include "ws_raster.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <memory>

#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
#include <immintrin.h>
#elif defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace draxo::ws::raster {

namespace {

// Fills `count` pixels, at least 8, with the widest aligned stores the
// processor has: 32 bytes where it has AVX2 (asked once, at run time), 16
// with SSE2. The first and last stores are unaligned and may overlap the
// aligned ones between them. Rows of a large rectangle filled so take as
// long as the memory takes to store them.
#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
#define DRAXO_RASTER_AVX2 1
__attribute__((target("avx2"))) void fill_many_pixels_avx2(std::uint32_t* first, std::size_t count,
                                                           std::uint32_t value) {
    const __m256i eight = _mm256_set1_epi32(static_cast<int>(value));
    std::uint32_t* const end = first + count;
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(first), eight);
    std::uint32_t* p = first + ((32 - reinterpret_cast<std::uintptr_t>(first) % 32) % 32) / sizeof *first;
    for (; end - p >= 32; p += 32) {
        _mm256_store_si256(reinterpret_cast<__m256i*>(p), eight);
        _mm256_store_si256(reinterpret_cast<__m256i*>(p + 8), eight);
        _mm256_store_si256(reinterpret_cast<__m256i*>(p + 16), eight);
        _mm256_store_si256(reinterpret_cast<__m256i*>(p + 24), eight);
    }
    for (; end - p >= 8; p += 8) _mm256_store_si256(reinterpret_cast<__m256i*>(p), eight);
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(end - 8), eight);
}
#endif

void fill_many_pixels(std::uint32_t* first, std::size_t count, std::uint32_t value) {
#if defined(DRAXO_RASTER_AVX2)
    static const bool avx2 = __builtin_cpu_supports("avx2");
    if (avx2) return fill_many_pixels_avx2(first, count, value);
#endif
#if defined(__SSE2__)
    const __m128i four = _mm_set1_epi32(static_cast<int>(value));
    std::uint32_t* const end = first + count;
    _mm_storeu_si128(reinterpret_cast<__m128i*>(first), four);
    std::uint32_t* p = first + ((16 - reinterpret_cast<std::uintptr_t>(first) % 16) % 16) / sizeof *first;
    for (; end - p >= 16; p += 16) {
        _mm_store_si128(reinterpret_cast<__m128i*>(p), four);
        _mm_store_si128(reinterpret_cast<__m128i*>(p + 4), four);
        _mm_store_si128(reinterpret_cast<__m128i*>(p + 8), four);
        _mm_store_si128(reinterpret_cast<__m128i*>(p + 12), four);
    }
    for (; end - p >= 4; p += 4) _mm_store_si128(reinterpret_cast<__m128i*>(p), four);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(end - 4), four);
#else
    for (std::size_t i = 0; i < count; ++i) first[i] = value;
#endif
}

// A few pixels are stored one by one, where they are.
inline void fill_pixels(std::uint32_t* first, std::size_t count, std::uint32_t value) {
    if (count >= 8) return fill_many_pixels(first, count, value);
    for (std::size_t i = 0; i < count; ++i) first[i] = value;
}

}  // namespace

void fill_span(const pixels& target, int row, int x0, int x1, std::uint32_t value) {
    if (row < 0 || row >= target.height) return;
    x0 = std::max(x0, 0);
    x1 = std::min(x1, target.width);
    if (x0 >= x1) return;
    fill_pixels(target.bits + static_cast<long>(row) * target.stride + x0, static_cast<std::size_t>(x1 - x0),
                value);
}

void fill_rect(const pixels& target, int left, int top, int right, int bottom, std::uint32_t value) {
    top = std::max(top, 0);
    bottom = std::min(bottom, target.height);
    left = std::max(left, 0);
    right = std::min(right, target.width);
    if (top >= bottom || left >= right) return;
    const std::size_t count = static_cast<std::size_t>(right - left);
    std::uint32_t* first = target.bits + static_cast<long>(top) * target.stride + left;
    for (int row = top; row < bottom; ++row, first += target.stride) fill_pixels(first, count, value);
}

void set_pixel(const pixels& target, int x, int y, std::uint32_t value) {
    if (x < 0 || y < 0 || x >= target.width || y >= target.height) return;
    target.bits[static_cast<long>(y) * target.stride + x] = value;
}

void copy_rect(const pixels& target, int x, int y, int width, int height, const pixels& source, int sx, int sy) {
    // Clip against the source, then the target, moving both origins together.
    if (sx < 0) {
        width += sx;
        x -= sx;
        sx = 0;
    }
    if (sy < 0) {
        height += sy;
        y -= sy;
        sy = 0;
    }
    if (x < 0) {
        width += x;
        sx -= x;
        x = 0;
    }
    if (y < 0) {
        height += y;
        sy -= y;
        y = 0;
    }
    width = std::min({width, source.width - sx, target.width - x});
    height = std::min({height, source.height - sy, target.height - y});
    if (width <= 0 || height <= 0) return;
    for (int row = 0; row < height; ++row)
        std::memmove(target.bits + static_cast<long>(y + row) * target.stride + x,
                     source.bits + static_cast<long>(sy + row) * source.stride + sx,
                     sizeof(std::uint32_t) * static_cast<std::size_t>(width));
}

void scroll(const pixels& target, int dx, int dy) {
    if (dy <= 0) {
        for (int row = 0; row < target.height; ++row)
            copy_rect(target, dx, row + dy, target.width, 1, target, 0, row);
    } else {
        for (int row = target.height - 1; row >= 0; --row)
            copy_rect(target, dx, row + dy, target.width, 1, target, 0, row);
    }
}

// --- Shapes -------------------------------------------------------------------
//
// The shapes work on 64-bit coordinates (and 128-bit products where two
// coordinates meet), so that no int a client passes overflows, and only ever
// visit the rows and columns inside the buffer.

namespace {

using i64 = std::int64_t;
__extension__ typedef __int128 i128;

// Ellipse boxes are clamped to this reach, far beyond any buffer.
constexpr i64 box_limit = i64{1} << 30;
// Wide segments are cut where they leave this square, and pens kept this
// narrow, so that the part cut off could never reach the buffer.
constexpr double stroke_limit = double(i64{1} << 26);
constexpr i64 pen_limit = i64{1} << 24;
// Segments, pens and buffers within this reach are worked out in 64 bits.
constexpr i64 small_reach = 4096;

// Floor and ceiling of a / b, for b > 0.
i64 floor_div(i128 a, i64 b) {
    i128 q = a / b;
    if (a % b != 0 && a < 0) --q;
    return static_cast<i64>(q);
}
i64 floor_div(i64 a, i64 b) {
    i64 q = a / b;
    if (a % b != 0 && a < 0) --q;
    return q;
}
i64 ceil_div(i128 a, i64 b) { return -floor_div(-a, b); }

// Columns lo..hi (inclusive) of one row, whatever their magnitude.
void paint(const pixels& target, i64 row, i64 lo, i64 hi, std::uint32_t value) {
    if (row < 0 || row >= target.height || lo > hi || hi < 0 || lo >= target.width) return;
    lo = std::max<i64>(lo, 0);
    hi = std::min<i64>(hi, target.width - 1);
    fill_span(target, static_cast<int>(row), static_cast<int>(lo), static_cast<int>(hi) + 1, value);
}

// The visible rows from..to-1 of a shape spanning rows first..end-1.
struct row_range {
    i64 from, to;
};
row_range visible_rows(const pixels& target, i64 first, i64 end) {
    return row_range{std::max<i64>(first, 0), std::min<i64>(end, target.height)};
}

// One-pixel lines ------------------------------------------------------------

// Walks the major axis k = 0..major-1 of a line and reports, for each visible
// k, the offset q along the minor axis: k * minor / major rounded to nearest,
// halves rounded down (toward the start). Stepping is Bresenham's: one
// division to start at the first visible k, then additions.
template <typename Visit>
void walk_line(i64 major, i64 minor, i64 k_first, i64 k_last, Visit visit) {
    const i64 twice_major = 2 * major;
    i128 start = i128{2} * k_first * minor + major - 1;
    i64 q = static_cast<i64>(start / twice_major);
    i64 error = static_cast<i64>(start % twice_major);
    for (i64 k = k_first; k <= k_last; ++k) {
        error += 2 * minor;
        bool step = error >= twice_major;
        if (step) error -= twice_major;
        visit(k, q, step);
        q += step;
    }
}

// The range of k = 0..count-1 for which start + sign * k lies in 0..size-1.
bool visible_steps(i64 start, int sign, i64 count, i64 size, i64& k_first, i64& k_last) {
    if (sign > 0) {
        k_first = std::max<i64>(0, -start);
        k_last = std::min<i64>(count - 1, size - 1 - start);
    } else {
        k_first = std::max<i64>(0, start - (size - 1));
        k_last = std::min<i64>(count - 1, start);
    }
    return k_first <= k_last;
}

// Ellipses ---------------------------------------------------------------------

struct span {
    i64 lo = 0, hi = -1;
    bool empty() const { return lo > hi; }
};

// The rows of the ellipse inscribed in a box. A pixel belongs to it when its
// centre lies inside the ellipse through the box's outer edges, (dx / a)^2 +
// (dy / b)^2 <= 1 with a and b half the box's width and height; in addition
// the middle row (two rows for an even height) spans the whole width and
// every row has at least its middle pixel (two for an even width), so that
// the ellipse touches all four sides even when it is very flat or narrow.
// Computed in doubled coordinates, exactly.
class ellipse_rows {
public:
    ellipse_rows(i64 left, i64 top, i64 right, i64 bottom)
        : left_(clamp(left)), top_(clamp(top)), width_(clamp(right) - left_), height_(clamp(bottom) - top_) {}

    bool empty() const { return width_ <= 0 || height_ <= 0; }
    i64 top() const { return top_; }
    i64 end() const { return top_ + height_; }

    span at(i64 row) const {
        if (empty() || row < top_ || row >= top_ + height_) return {};
        const i64 w = width_, h = height_;
        i64 y2 = 2 * (row - top_) - (h - 1);  // doubled offset from the middle row
        i64 reach;                            // doubled offset of the outermost pixel
        if (y2 >= -1 && y2 <= 1) {
            reach = w - 1;
        } else {
            // Largest x with x^2 h^2 <= w^2 (h^2 - y2^2) and x of the parity of w - 1.
            i64 rest = h * h - y2 * y2;
            i64 x = static_cast<i64>(static_cast<double>(w) * std::sqrt(static_cast<double>(rest)) /
                                     static_cast<double>(h));
            // Boxes up to 2^15 pixels keep the products within 64 bits.
            if (w <= 32768 && h <= 32768)
                x = adjusted<i64>(x, w, h, rest);
            else
                x = adjusted<i128>(x, w, h, rest);
            if ((x - (w - 1)) % 2 != 0) --x;
            reach = x < 0 ? (w - 1) % 2 : x;
        }
        i64 centre2 = 2 * left_ + w - 1;
        return span{(centre2 - reach) / 2, (centre2 + reach) / 2};
    }

private:
    static i64 clamp(i64 v) { return std::clamp(v, -box_limit, box_limit); }
    // The estimate x moved to the largest x with x^2 h^2 <= w^2 rest.
    template <typename wide>
    static i64 adjusted(i64 x, i64 w, i64 h, i64 rest) {
        const wide limit = wide{w} * w * rest, hh = wide{h} * h;
        while (x > 0 && wide{x} * x * hh > limit) --x;
        while (wide{x + 1} * (x + 1) * hh <= limit) ++x;
        return x;
    }
    i64 left_, top_, width_, height_;
};

// Wide segments ----------------------------------------------------------------

// A segment with a round pen, in doubled coordinates: pixel (x, y) is
// covered when (2x + o, 2y + o) lies within `width` of the doubled segment,
// where o is 1 for an even width (the pen's centre half a pixel up and left
// of the path's pixel) and 0 for an odd one.
class capsule {
public:
    capsule(i64 ax, i64 ay, i64 bx, i64 by, i64 width)
        : ax_(2 * ax),
          ay_(2 * ay),
          dx_(2 * (bx - ax)),
          dy_(2 * (by - ay)),
          length2_(dx_ * dx_ + dy_ * dy_),
          radius_(width),
          radius2_(width * width),
          offset_(width % 2 == 0 ? 1 : 0) {}

    i64 offset() const { return offset_; }
    i64 top2() const { return std::min(ay_, ay_ + dy_) - radius_; }
    i64 bottom2() const { return std::max(ay_, ay_ + dy_) + radius_; }

    bool covers(i64 x, i64 y2) const {
        i64 vx = 2 * x + offset_ - ax_, vy = y2 - ay_;
        i64 along = vx * dx_ + vy * dy_;
        if (along <= 0) return vx * vx + vy * vy <= radius2_;
        if (along >= length2_) {
            i64 wx = vx - dx_, wy = vy - dy_;
            return wx * wx + wy * wy <= radius2_;
        }
        i128 across = i128{dx_} * vy - i128{dy_} * vx;
        return across * across <= i128{radius2_} * length2_;
    }

    // covers() for a segment, pen and pixels within `small_reach` (below):
    // every product then fits 64 bits.
    bool covers_small(i64 x, i64 y2) const {
        const i64 vx = 2 * x + offset_ - ax_, vy = y2 - ay_;
        const i64 along = vx * dx_ + vy * dy_;
        if (along <= 0) return vx * vx + vy * vy <= radius2_;
        if (along >= length2_) {
            const i64 wx = vx - dx_, wy = vy - dy_;
            return wx * wx + wy * wy <= radius2_;
        }
        const i64 across = dx_ * vy - dy_ * vx;
        return across * across <= radius2_ * length2_;
    }

    // A floating-point estimate of the doubled x covered on the doubled row
    // y2, a little generous; false when the row misses the capsule.
    bool estimate(i64 y2, double& lo, double& hi) const {
        bool found = false;
        auto take = [&](double a, double b) {
            if (a > b) return;
            lo = found ? std::min(lo, a) : a;
            hi = found ? std::max(hi, b) : b;
            found = true;
        };
        auto disc = [&](i64 cx, i64 cy) {
            i64 d = y2 - cy;
            if (d < -radius_ || d > radius_) return;
            double half = std::sqrt(static_cast<double>(radius2_ - d * d));
            take(static_cast<double>(cx) - half - 1, static_cast<double>(cx) + half + 1);
        };
        disc(ax_, ay_);
        disc(ax_ + dx_, ay_ + dy_);
        if (length2_ > 0) {
            // The band between the ends: 0 <= along <= length2 and |across| <= r * length,
            // both linear in x.
            const double dx = static_cast<double>(dx_), dy = static_cast<double>(dy_);
            const double vy = static_cast<double>(y2 - ay_), ax = static_cast<double>(ax_);
            const double length2 = static_cast<double>(length2_);
            const double reach = static_cast<double>(radius_) * std::sqrt(length2);
            const double slack = 1e-9 * length2 + 1;
            double band_lo = -HUGE_VAL, band_hi = HUGE_VAL;
            auto within = [&](double a, double b, double from, double to) {  // from <= a x + b <= to
                if (a == 0) {
                    if (b < from || b > to) band_lo = HUGE_VAL;
                    return;
                }
                double p = (from - b) / a, q = (to - b) / a;
                band_lo = std::max(band_lo, std::min(p, q));
                band_hi = std::min(band_hi, std::max(p, q));
            };
            within(dx, dy * vy - dx * ax, -slack, length2 + slack);
            within(-dy, dx * vy + dy * ax, -reach - slack, reach + slack);
            take(band_lo - 1, band_hi + 1);
        }
        return found;
    }

private:
    i64 ax_, ay_, dx_, dy_, length2_, radius_, radius2_, offset_;
};

// Cuts the segment to the square |x|, |y| <= limit, keeping its direction;
// false when none of it is inside.
bool clip_segment(double& ax, double& ay, double& bx, double& by, double limit) {
    double t0 = 0, t1 = 1;
    const double dx = bx - ax, dy = by - ay;
    auto edge = [&](double p, double q) {  // keeps the t with p t <= q
        if (p == 0) return q >= 0;
        double r = q / p;
        if (p < 0) {
            if (r > t1) return false;
            t0 = std::max(t0, r);
        } else {
            if (r < t0) return false;
            t1 = std::min(t1, r);
        }
        return true;
    };
    if (!edge(-dx, ax + limit) || !edge(dx, limit - ax) || !edge(-dy, ay + limit) || !edge(dy, limit - ay))
        return false;
    const double x0 = ax, y0 = ay;
    ax = x0 + t0 * dx;
    ay = y0 + t0 * dy;
    bx = x0 + t1 * dx;
    by = y0 + t1 * dy;
    return true;
}

}  // namespace

void line(const pixels& target, int x0, int y0, int x1, int y1, std::uint32_t value) {
    const i64 dx = i64{x1} - x0, dy = i64{y1} - y0;
    const i64 adx = dx < 0 ? -dx : dx, ady = dy < 0 ? -dy : dy;
    const int sx = dx < 0 ? -1 : 1, sy = dy < 0 ? -1 : 1;
    if (adx == 0 && ady == 0) return;
    i64 k_first, k_last;
    if (adx >= ady) {
        // One pixel per column; consecutive pixels on one row make a run.
        if (!visible_steps(x0, sx, adx, target.width, k_first, k_last)) return;
        i64 run_from = x0 + sx * k_first;
        walk_line(adx, ady, k_first, k_last, [&](i64 k, i64 q, bool step) {
            if (!step && k != k_last) return;
            i64 x = x0 + sx * k;
            paint(target, y0 + sy * q, std::min(run_from, x), std::max(run_from, x), value);
            run_from = x + sx;
        });
    } else {
        // One pixel per row.
        if (!visible_steps(y0, sy, ady, target.height, k_first, k_last)) return;
        walk_line(ady, adx, k_first, k_last, [&](i64 k, i64 q, bool) {
            i64 x = x0 + sx * q;
            paint(target, y0 + sy * k, x, x, value);
        });
    }
}

void fill_polygon(const pixels& target, const point* points, int count, std::uint32_t value) {
    if (count < 3) return;
    // Each edge that is not horizontal crosses the rows from its upper end
    // to (not including) its lower end. Where it crosses row y at x, the
    // pixels from ceil(x) on lie to its right: that ceiling is kept as a
    // quotient and remainder and advanced row by row with additions only.
    struct edge {
        i64 from, to;   // rows crossed
        i64 quotient;   // floor of the crossing, numerator over `divisor`
        i64 remainder;  // 0 <= remainder < divisor
        i64 divisor;    // the edge's height
        i64 step_quotient, step_remainder;
    };
    constexpr int local_edges = 8;
    edge local[local_edges];
    std::unique_ptr<edge[]> allocated;
    edge* edges = local;
    if (count > local_edges) {
        allocated = std::make_unique<edge[]>(static_cast<std::size_t>(count));
        edges = allocated.get();
    }
    int edge_count = 0;
    i64 top = 0, bottom = 0;
    for (int i = 0; i < count; ++i) {
        point p = points[i], q = points[(i + 1) % count];
        if (p.y == q.y) continue;
        if (p.y > q.y) std::swap(p, q);
        row_range rows = visible_rows(target, p.y, q.y);
        if (rows.from >= rows.to) continue;
        const i64 height = i64{q.y} - p.y, run = i64{q.x} - p.x;
        // The crossing times the height, at row y: p.x height + (y - p.y) run.
        i128 numerator = i128{p.x} * height + i128{rows.from - p.y} * run;
        edge& e = edges[edge_count++];
        e.from = rows.from;
        e.to = rows.to;
        e.divisor = height;
        e.quotient = floor_div(numerator, e.divisor);
        e.remainder = static_cast<i64>(numerator - i128{e.quotient} * e.divisor);
        e.step_quotient = floor_div(run, e.divisor);
        e.step_remainder = run - e.step_quotient * e.divisor;
        top = edge_count == 1 ? e.from : std::min(top, e.from);
        bottom = edge_count == 1 ? e.to : std::max(bottom, e.to);
    }
    constexpr int local_crossings = 8;
    i64 local_x[local_crossings];
    std::unique_ptr<i64[]> allocated_x;
    i64* crossings = local_x;
    if (edge_count > local_crossings) {
        allocated_x = std::make_unique<i64[]>(static_cast<std::size_t>(edge_count));
        crossings = allocated_x.get();
    }
    for (i64 row = top; row < bottom; ++row) {
        int n = 0;
        for (int i = 0; i < edge_count; ++i) {
            edge& e = edges[i];
            if (row < e.from || row >= e.to) continue;
            i64 x = e.quotient + (e.remainder > 0 ? 1 : 0);
            int j = n++;
            for (; j > 0 && crossings[j - 1] > x; --j) crossings[j] = crossings[j - 1];
            crossings[j] = x;
            e.quotient += e.step_quotient;
            e.remainder += e.step_remainder;
            if (e.remainder >= e.divisor) {
                e.remainder -= e.divisor;
                ++e.quotient;
            }
        }
        for (int j = 0; j + 1 < n; j += 2) paint(target, row, crossings[j], crossings[j + 1] - 1, value);
    }
}

void polygon_outline(const pixels& target, const point* points, int count, std::uint32_t value) {
    for (int i = 0; i < count; ++i) {
        point p = points[i], q = points[(i + 1) % count];
        line(target, p.x, p.y, q.x, q.y, value);
        set_pixel(target, p.x, p.y, value);
    }
}

// Filled triangles in one colour ------------------------------------------------
//
// A triangle filled and outlined in one colour is every pixel of its fill and
// of its outline. Drawn as two passes, the outline walks each edge a second
// time and paints pixel by pixel; here both are worked out in one pass down
// the rows, and each edge's pixels on a row are stored as one run. Every
// bound is a floor of a numerator that changes by a fixed step from row to
// row, so after one division per bound the rows cost additions only.

namespace {

// floor(numerator / divisor) on successive rows, the numerator changing by
// `step` from one row to the next; divisor > 0.
class row_quotient {
public:
    row_quotient() = default;
    row_quotient(i64 numerator, i64 step, i64 divisor) : divisor_(divisor) {
        quotient_ = floor_div(numerator, divisor);
        remainder_ = numerator - quotient_ * divisor;
        step_quotient_ = floor_div(step, divisor);
        step_remainder_ = step - step_quotient_ * divisor;
    }
    i64 value() const { return quotient_; }
    void next_row() {
        remainder_ += step_remainder_;
        const bool carry = remainder_ >= divisor_;
        remainder_ -= carry ? divisor_ : 0;
        quotient_ += step_quotient_ + carry;
    }

private:
    i64 quotient_ = 0, remainder_ = 0, divisor_ = 1, step_quotient_ = 0, step_remainder_ = 0;
};

// The pixels line() paints from `from` towards `to`, as one run of columns on
// each row the line crosses, the rows taken one after the other downwards.
// Pixel k along the major axis lies q(k) = floor((2 k minor + major - 1) /
// (2 major)) steps along the minor axis. A line steeper than a diagonal has
// one pixel on row offset t, at q(t). A flatter one has the pixels k with
// q(k) = t, from L(t), the least k with 2 k minor + major - 1 >= 2 t major,
// up to L(t + 1) - 1: each row's run ends where the next one's begins.
class line_runs {
public:
    line_runs(point from, point to) : x0_(from.x), y0_(from.y) {
        const i64 dx = i64{to.x} - from.x, dy = i64{to.y} - from.y;
        adx_ = dx < 0 ? -dx : dx;
        ady_ = dy < 0 ? -dy : dy;
        sx_ = dx < 0 ? -1 : 1;
        sy_ = dy < 0 ? -1 : 1;
        if (adx_ == 0 && ady_ == 0) return;  // paints nothing
        i64 last_offset = 0;
        if (adx_ < ady_) {
            kind_ = steep;
            last_offset = ady_ - 1;
        } else if (ady_ > 0) {
            kind_ = flat;
            last_offset = (2 * (adx_ - 1) * ady_ + adx_ - 1) / (2 * adx_);
        }
        first = sy_ > 0 ? from.y : from.y - last_offset;
        last = sy_ > 0 ? from.y + last_offset : from.y;
    }

    i64 first = 1, last = 0;  // the rows crossed; none when first > last

    // Calls visit(row, lo, hi) with the run of each row the line crosses
    // from `from` to `to` - 1; each call goes on from where the last ended.
    template <typename Visit>
    void runs(i64 from, i64 to, Visit visit) {
        from = std::max(from, first);
        to = std::min(to, last + 1);
        if (from >= to) return;
        if (!started_) start(from);
        // The stepping in locals, which the visits cannot reach: they stay
        // in registers.
        const i64 x0 = x0_, sx = sx_;
        row_quotient step = step_;
        if (kind_ == steep) {
            for (i64 row = from; row < to; ++row) {
                const i64 column = x0 + sx * step.value();
                step.next_row();
                visit(row, column, column);
            }
        } else if (kind_ == level) {
            const i64 end = x0 + sx * (adx_ - 1);
            visit(from, std::min(x0, end), std::max(x0, end));
        } else {
            const i64 last_k = adx_ - 1;
            const bool down = sy_ > 0;
            i64 carried = carried_;
            for (i64 row = from; row < to; ++row) {
                const i64 next = step.value();
                step.next_row();
                const i64 k_first = std::max<i64>(down ? carried : next, 0);
                const i64 k_last = std::min<i64>((down ? next : carried) - 1, last_k);
                carried = next;
                const i64 a = x0 + sx * k_first, b = x0 + sx * k_last;
                visit(row, std::min(a, b), std::max(a, b));
            }
            carried_ = carried;
        }
        step_ = step;
    }

private:
    // L(t) of a flat line: floor((2 t adx - adx + 2 ady) / (2 ady)).
    i64 flat_numerator(i64 t) const { return 2 * adx_ * t - adx_ + 2 * ady_; }

    void start(i64 row) {
        started_ = true;
        const i64 t = (row - y0_) * sy_;
        if (kind_ == steep) {
            step_ = row_quotient(2 * adx_ * t + ady_ - 1, 2 * adx_ * sy_, 2 * ady_);
        } else if (kind_ == flat) {
            // Going down the rows, t grows with a line that goes down and
            // shrinks with one that goes up; the stepping gives L for the
            // row's t + 1 or t, and the other bound is carried from the row
            // before.
            const i64 stepped = sy_ > 0 ? t + 1 : t, carried = sy_ > 0 ? t : t + 1;
            step_ = row_quotient(flat_numerator(stepped), 2 * adx_ * sy_, 2 * ady_);
            carried_ = floor_div(flat_numerator(carried), 2 * ady_);
        }
    }

    enum { steep, level, flat } kind_ = level;
    i64 x0_, y0_, adx_ = 0, ady_ = 0, sx_ = 1, sy_ = 1;
    bool started_ = false;
    row_quotient step_;
    i64 carried_ = 0;
};

// Columns lo..hi of one row (its first pixel at `line`), kept within it.
inline void store_run(const pixels& target, std::uint32_t* line, i64 lo, i64 hi, std::uint32_t value) {
    lo = std::max<i64>(lo, 0);
    hi = std::min<i64>(hi, target.width - 1);
    if (lo <= hi) fill_pixels(line + lo, static_cast<std::size_t>(hi - lo + 1), value);
}

// ceil of where the edge from `upper` down to `lower` crosses each row, as
// fill_polygon takes it, from `first_row` on.
row_quotient crossing(point upper, point lower, i64 first_row) {
    const i64 height = i64{lower.y} - upper.y, run = i64{lower.x} - upper.x;
    if (height <= 0) return row_quotient();
    return row_quotient(i64{upper.x} * height + (first_row - upper.y) * run + height - 1, run, height);
}

}  // namespace

void fill_outlined_triangle(const pixels& target, const point* corners, std::uint32_t value) {
    // Beyond this reach the products of the row arithmetic could leave 64
    // bits: the two passes, which work in 128 bits, draw such triangles.
    constexpr i64 reach = i64{1} << 24;
    for (int i = 0; i < 3; ++i)
        if (corners[i].x < -reach || corners[i].x > reach || corners[i].y < -reach || corners[i].y > reach) {
            fill_polygon(target, corners, 3, value);
            polygon_outline(target, corners, 3, value);
            return;
        }
    // The corners from the top down: a, b, c.
    point a = corners[0], b = corners[1], c = corners[2];
    if (a.y > b.y) std::swap(a, b);
    if (b.y > c.y) std::swap(b, c);
    if (a.y > b.y) std::swap(a, b);
    const row_range rows = visible_rows(target, a.y, i64{c.y} + 1);
    if (rows.from >= rows.to) return;

    // The inside: on the rows from a down to (not including) c, from the
    // crossing of one side to the column before the crossing of the other,
    // the long side a-c against a-b above b and b-c from b on.
    row_quotient long_side = crossing(a, c, rows.from), upper_side = crossing(a, b, rows.from),
                 lower_side = crossing(b, c, std::max<i64>(rows.from, b.y));
    // The outline: each edge without its end point, and each corner.
    line_runs outline[3] = {line_runs(corners[0], corners[1]), line_runs(corners[1], corners[2]),
                            line_runs(corners[2], corners[0])};

    // A few dozen rows at a time, piece by piece: the pieces of a row that
    // meet are joined into one run, stored at the end; a piece apart from
    // it is stored at once.
    constexpr int rows_at_a_time = 64;
    i64 joined_lo[rows_at_a_time], joined_hi[rows_at_a_time];
    for (i64 from = rows.from; from < rows.to; from += rows_at_a_time) {
        const i64 to = std::min<i64>(from + rows_at_a_time, rows.to);
        std::uint32_t* const first_line = target.bits + from * target.stride;
        auto line_of = [&](i64 row) { return first_line + (row - from) * target.stride; };
        for (i64 row = from; row < to; ++row) {
            joined_lo[row - from] = 0;
            joined_hi[row - from] = -1;
        }
        auto add = [&](i64 row, i64 lo, i64 hi) {
            i64& joined_first = joined_lo[row - from];
            i64& joined_last = joined_hi[row - from];
            if (joined_first > joined_last) {
                joined_first = lo;
                joined_last = hi;
            } else if (lo <= joined_last + 1 && hi + 1 >= joined_first) {
                joined_first = std::min(joined_first, lo);
                joined_last = std::max(joined_last, hi);
            } else {
                store_run(target, line_of(row), lo, hi, value);
            }
        };
        const i64 inside_to = std::min<i64>(to, c.y), middle = std::clamp<i64>(b.y, from, inside_to);
        auto inside = [&](i64 first, i64 end, row_quotient& other_side) {
            row_quotient one = long_side, other = other_side;  // locals, kept in registers
            for (i64 row = first; row < end; ++row) {
                const i64 x1 = one.value(), x2 = other.value();
                one.next_row();
                other.next_row();
                joined_lo[row - from] = std::min(x1, x2);
                joined_hi[row - from] = std::max(x1, x2) - 1;
            }
            long_side = one;
            other_side = other;
        };
        inside(from, middle, upper_side);
        inside(middle, inside_to, lower_side);
        for (line_runs& edge : outline) edge.runs(from, to, add);
        for (int i = 0; i < 3; ++i)
            if (corners[i].y >= from && corners[i].y < to) add(corners[i].y, corners[i].x, corners[i].x);
        for (i64 row = from; row < to; ++row)
            store_run(target, line_of(row), joined_lo[row - from], joined_hi[row - from], value);
    }
}

void fill_ellipse(const pixels& target, int left, int top, int right, int bottom, std::uint32_t value) {
    ellipse_rows ellipse(left, top, right, bottom);
    if (ellipse.empty()) return;
    row_range rows = visible_rows(target, ellipse.top(), ellipse.end());
    for (i64 row = rows.from; row < rows.to; ++row) {
        span s = ellipse.at(row);
        paint(target, row, s.lo, s.hi, value);
    }
}

void ellipse_outline(const pixels& target, int left, int top, int right, int bottom, std::uint32_t value) {
    ellipse_rows ellipse(left, top, right, bottom);
    if (ellipse.empty()) return;
    row_range rows = visible_rows(target, ellipse.top(), ellipse.end());
    if (rows.from >= rows.to) return;
    span above = ellipse.at(rows.from - 1), here = ellipse.at(rows.from);
    for (i64 row = rows.from; row < rows.to; ++row) {
        span below = ellipse.at(row + 1);
        // The pixels whose four neighbours are all inside are left alone.
        i64 inner_lo = std::max({here.lo + 1, above.lo, below.lo});
        i64 inner_hi = std::min({here.hi - 1, above.hi, below.hi});
        if (above.empty() || below.empty() || inner_lo > inner_hi) {
            paint(target, row, here.lo, here.hi, value);
        } else {
            paint(target, row, here.lo, inner_lo - 1, value);
            paint(target, row, inner_hi + 1, here.hi, value);
        }
        above = here;
        here = below;
    }
}

void stroke_segment(const pixels& target, point a, point b, int width, std::uint32_t value) {
    const i64 pen = std::clamp<i64>(width, 1, pen_limit);
    i64 ax = a.x, ay = a.y, bx = b.x, by = b.y;
    auto outside = [](i64 v) { return v < -stroke_limit || v > stroke_limit; };
    if (outside(ax) || outside(ay) || outside(bx) || outside(by)) {
        double fax = static_cast<double>(ax), fay = static_cast<double>(ay);
        double fbx = static_cast<double>(bx), fby = static_cast<double>(by);
        if (!clip_segment(fax, fay, fbx, fby, stroke_limit)) return;
        ax = std::llround(fax);
        ay = std::llround(fay);
        bx = std::llround(fbx);
        by = std::llround(fby);
    }
    const capsule shape(ax, ay, bx, by, pen);
    const i64 o = shape.offset();
    row_range rows = visible_rows(target, ceil_div(shape.top2() - o, 2), floor_div(shape.bottom2() - o, 2) + 1);
    const double column_limit = static_cast<double>(target.width) + 2;
    const bool small = std::max({std::abs(ax), std::abs(ay), std::abs(bx), std::abs(by), pen}) <= small_reach &&
                       target.width <= small_reach && target.height <= small_reach;
    auto covers = [&](i64 x, i64 y2) { return small ? shape.covers_small(x, y2) : shape.covers(x, y2); };
    // The columns of a row, found from an estimate and trimmed exactly.
    auto estimated = [&](i64 y2, i64& first, i64& last) {
        double lo, hi;
        if (!shape.estimate(y2, lo, hi)) return false;
        lo = std::clamp((lo - static_cast<double>(o)) / 2, -2.0, column_limit);
        hi = std::clamp((hi - static_cast<double>(o)) / 2, -2.0, column_limit);
        first = std::max<i64>(static_cast<i64>(std::floor(lo)), 0);
        last = std::min<i64>(static_cast<i64>(std::ceil(hi)), target.width - 1);
        while (first <= last && !covers(first, y2)) ++first;
        while (last >= first && !covers(last, y2)) --last;
        return first <= last;
    };
    // The covered pixels of a row (within the buffer) are one run, and the
    // runs of neighbouring rows overlap: each row's run is found by moving
    // the ends of the run above, a step at a time, with the estimate only
    // where a row has no run above or does not meet it.
    i64 first = 0, last = -1;
    for (i64 row = rows.from; row < rows.to; ++row) {
        const i64 y2 = 2 * row + o;
        bool found = false;
        if (first <= last) {
            i64 from = first;
            if (covers(from, y2)) {
                while (from > 0 && covers(from - 1, y2)) --from;
                found = true;
            } else {
                while (++from <= last)
                    if (covers(from, y2)) {
                        found = true;
                        break;
                    }
            }
            if (found) {
                i64 to = std::max(last, from);
                if (covers(to, y2)) {
                    while (to < target.width - 1 && covers(to + 1, y2)) ++to;
                } else {
                    while (!covers(to, y2)) --to;  // ends at `from` at the latest
                }
                first = from;
                last = to;
            }
        }
        if (!found && !estimated(y2, first, last)) {
            first = 0;
            last = -1;
            continue;
        }
        paint(target, row, first, last, value);
    }
}

void stroke_ellipse(const pixels& target, int left, int top, int right, int bottom, int width,
                    std::uint32_t value) {
    const i64 pen = std::clamp<i64>(width, 1, pen_limit);
    if (pen == 1) {
        ellipse_outline(target, left, top, right, bottom, value);
        return;
    }
    if (right <= left || bottom <= top) return;
    const i64 up = pen / 2, down = (pen - 1) / 2;  // reach up and left, down and right
    ellipse_rows outer(i64{left} - up, i64{top} - up, i64{right} + down, i64{bottom} + down);
    ellipse_rows hole(i64{left} + down + 1, i64{top} + down + 1, i64{right} - 1 - up, i64{bottom} - 1 - up);
    row_range rows = visible_rows(target, outer.top(), outer.end());
    for (i64 row = rows.from; row < rows.to; ++row) {
        span s = outer.at(row), h = hole.at(row);
        if (h.empty()) {
            paint(target, row, s.lo, s.hi, value);
        } else {
            paint(target, row, s.lo, h.lo - 1, value);
            paint(target, row, h.hi + 1, s.hi, value);
        }
    }
}

}  // namespace draxo::ws::raster
