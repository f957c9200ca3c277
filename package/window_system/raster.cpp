// The rasteriser: spans, rectangles, one-pixel lines, polygons, ellipses and wide pens, exact and clipped.
#include "raster.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>

namespace draxo::raster {

namespace {

// Fills `count` pixels. Short runs pixel by pixel; longer ones fill a few
// pixels and then double them with memcpy, whose wide moves are several
// times faster than a store per pixel.
void fill_pixels(std::uint32_t* first, std::size_t count, std::uint32_t value) {
    constexpr std::size_t seed = 16;
    if (count <= seed) {
        for (std::size_t i = 0; i < count; ++i) first[i] = value;
        return;
    }
    for (std::size_t i = 0; i < seed; ++i) first[i] = value;
    for (std::size_t done = seed; done < count;) {
        std::size_t chunk = std::min(done, count - done);
        std::memcpy(first + done, first, chunk * sizeof *first);
        done += chunk;
    }
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
    // The first row is filled, the others copied from it.
    const std::size_t bytes = sizeof(std::uint32_t) * static_cast<std::size_t>(right - left);
    std::uint32_t* first = target.bits + static_cast<long>(top) * target.stride + left;
    fill_pixels(first, static_cast<std::size_t>(right - left), value);
    for (int row = top + 1; row < bottom; ++row)
        std::memcpy(target.bits + static_cast<long>(row) * target.stride + left, first, bytes);
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

// Floor and ceiling of a / b, for b > 0.
i64 floor_div(i128 a, i64 b) {
    i128 q = a / b;
    if (a % b != 0 && a < 0) --q;
    return static_cast<i64>(q);
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
            i128 limit = i128{w} * w * rest;
            i128 hh = i128{h} * h;
            i64 x = static_cast<i64>(static_cast<double>(w) * std::sqrt(static_cast<double>(rest)) /
                                     static_cast<double>(h));
            while (x > 0 && i128{x} * x * hh > limit) --x;
            while (i128{x + 1} * (x + 1) * hh <= limit) ++x;
            if ((x - (w - 1)) % 2 != 0) --x;
            reach = x < 0 ? (w - 1) % 2 : x;
        }
        i64 centre2 = 2 * left_ + w - 1;
        return span{(centre2 - reach) / 2, (centre2 + reach) / 2};
    }

private:
    static i64 clamp(i64 v) { return std::clamp(v, -box_limit, box_limit); }
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
    for (i64 row = rows.from; row < rows.to; ++row) {
        const i64 y2 = 2 * row + o;
        double lo, hi;
        if (!shape.estimate(y2, lo, hi)) continue;
        // Doubled x to columns, kept within the buffer, then trimmed exactly.
        lo = std::clamp((lo - static_cast<double>(o)) / 2, -2.0, column_limit);
        hi = std::clamp((hi - static_cast<double>(o)) / 2, -2.0, column_limit);
        i64 first = std::max<i64>(static_cast<i64>(std::floor(lo)), 0);
        i64 last = std::min<i64>(static_cast<i64>(std::ceil(hi)), target.width - 1);
        while (first <= last && !shape.covers(first, y2)) ++first;
        while (last >= first && !shape.covers(last, y2)) --last;
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

}  // namespace draxo::raster
