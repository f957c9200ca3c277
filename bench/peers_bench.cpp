// The package's drawing side by side with the libraries a program would use
// instead, in one process: the busy designer frame (whole, its shapes, its
// eight texts) and four primitives, drawn by the package through its public
// API into its frame buffer, by QPainter on a 601 x 540 QImage (RGB32,
// antialiasing off for shapes, text smoothed as the package's), by cairo on
// an image surface of the same size (CAIRO_ANTIALIAS_NONE for shapes; its toy
// text API, smoothed), and, as the floor, by plain stores of the spans of
// pixels the package's drawing leaves (the rasteriser's span fill alone).
// Each library fills a filled shape its own way, without an outline pass.
// Repetitions of all of them are interleaved in random order; the table at
// the end gives the medians and the package's time as a share of each
// peer's.
//   build/bench/peers_bench
// Without cairo installed when the benchmarks were built, its columns stay
// empty.
#include <benchmark/benchmark.h>

#include <QImage>
#include <QPainter>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#ifdef DRAXO_BENCH_CAIRO
#include <cairo.h>
#endif

#include "busy_frame.h"
#include "draxo.h"
#include "surface/display.h"
#include "surface/palette.h"
#include "window_system/qt/qt_backend.h"
#include "window_system/ws_raster.h"

namespace {

using busy_frame::call;

// --- The works -------------------------------------------------------------------

// The primitives of the table, as calls of the busy frame's kinds plus a wide line.
struct work {
    const char* name;
    std::vector<call> calls;
};

// A wide line is no call of the busy frame: it is kept beside it.
struct wide_line {
    int color = BLACK, x1 = -30, y1 = -40, x2 = 30, y2 = 40, width = 5;  // 100 pixels long
};

std::vector<call> whole_frame() {
    std::vector<call> calls = busy_frame::shapes();
    for (const call& c : busy_frame::texts()) calls.push_back(c);
    return calls;
}

// Device coordinates of a logical point.
int column_of(int x) { return draxo::display.origin_x + x; }
int row_of(int y) { return draxo::display.origin_y - y; }

QColor qcolor_of(int color) { return QColor::fromRgb(draxo::ws::pixel_of(draxo::palette_rgb[color])); }

// The package's fonts by size, as its texts get them.
const draxo::ws::font_record& package_font(int size) {
    static std::map<int, draxo::ws::font> fonts;
    draxo::ws::font& f = fonts[size];
    if (!f) f = draxo::ws::create_font(-size, 400, "DRAXO-font");
    return *f;
}

// --- QPainter ----------------------------------------------------------------------

void painter_draw(QPainter& p, const call& c) {
    const int left = column_of(c.x1), top = row_of(c.y1);
    switch (c.kind) {
    case busy_frame::CLEAR:
        p.fillRect(QRect(0, 0, draxo::frame_width, draxo::frame_height), Qt::white);
        p.setPen(Qt::black);
        p.setBrush(Qt::NoBrush);
        p.drawRect(QRect(0, 0, draxo::frame_width - 1, draxo::frame_height - 1));
        break;
    case busy_frame::RECTANGLE: {
        QRect box(QPoint(left, top), QPoint(column_of(c.x2), row_of(c.y2)));
        if (c.width == 0) {
            p.fillRect(box, qcolor_of(c.color));
        } else {
            p.setPen(QPen(qcolor_of(c.color), c.width));
            p.setBrush(Qt::NoBrush);
            p.drawRect(box.adjusted(0, 0, -1, -1));
        }
        break;
    }
    case busy_frame::TRIANGLE: {
        const QPoint corners[3] = {{left, top}, {column_of(c.x2), row_of(c.y2)}, {column_of(c.x3), row_of(c.y3)}};
        p.setPen(Qt::NoPen);
        p.setBrush(qcolor_of(c.color));
        p.drawPolygon(corners, 3);
        break;
    }
    case busy_frame::OVAL: {
        QRect box(QPoint(left, top), QPoint(column_of(c.x2), row_of(c.y2)));
        p.setPen(Qt::NoPen);
        p.setBrush(qcolor_of(c.color));
        p.drawEllipse(box);
        break;
    }
    case busy_frame::TEXT: {
        const draxo::ws::font_record& f = package_font(c.size);
        p.setFont(f.font);
        p.setPen(qcolor_of(c.color));
        p.drawText(QPointF(left, top - (f.ascent + f.descent) + f.ascent), QString::fromLatin1(c.text));
        break;
    }
    }
}

void painter_line(QPainter& p, const wide_line& l) {
    p.setPen(QPen(qcolor_of(l.color), l.width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawLine(column_of(l.x1), row_of(l.y1), column_of(l.x2), row_of(l.y2));
}

// The images painted on: one for the frames, one for the primitives, whose
// painter stays open between drawings (an image takes one painter at a time).
QImage& painter_image(bool primitives) {
    static QImage frames(draxo::frame_width, draxo::frame_height, QImage::Format_RGB32);
    static QImage one_by_one(draxo::frame_width, draxo::frame_height, QImage::Format_RGB32);
    return primitives ? one_by_one : frames;
}

// A painter as a program keeps one for a frame: begun, set up, ended.
void begin_painter(QPainter& p, bool primitives = false) {
    if (!p.begin(&painter_image(primitives))) {
        std::fprintf(stderr, "peers_bench: no painter on the image\n");
        std::exit(1);
    }
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setRenderHint(QPainter::TextAntialiasing, true);
}

// --- cairo -------------------------------------------------------------------------

#ifdef DRAXO_BENCH_CAIRO
void cairo_color(cairo_t* cr, int color) {
    std::uint32_t rgb = draxo::palette_rgb[color];
    cairo_set_source_rgb(cr, (rgb & 0xFF) / 255.0, ((rgb >> 8) & 0xFF) / 255.0, ((rgb >> 16) & 0xFF) / 255.0);
}

std::string utf8_of_latin1(const char* text) {
    std::string out;
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(text); *p; ++p) {
        if (*p < 0x80) {
            out.push_back(static_cast<char>(*p));
        } else {
            out.push_back(static_cast<char>(0xC0 | (*p >> 6)));
            out.push_back(static_cast<char>(0x80 | (*p & 0x3F)));
        }
    }
    return out;
}

void cairo_draw(cairo_t* cr, const call& c) {
    const double left = column_of(c.x1), top = row_of(c.y1);
    switch (c.kind) {
    case busy_frame::CLEAR:
        cairo_set_source_rgb(cr, 1, 1, 1);
        cairo_paint(cr);
        cairo_set_source_rgb(cr, 0, 0, 0);
        cairo_set_line_width(cr, 1);
        cairo_rectangle(cr, 0.5, 0.5, draxo::frame_width - 1, draxo::frame_height - 1);
        cairo_stroke(cr);
        break;
    case busy_frame::RECTANGLE: {
        const double right = column_of(c.x2) + 1, bottom = row_of(c.y2) + 1;
        cairo_color(cr, c.color);
        if (c.width == 0) {
            cairo_rectangle(cr, left, top, right - left, bottom - top);
            cairo_fill(cr);
        } else {
            cairo_set_line_width(cr, c.width);
            cairo_rectangle(cr, left + 0.5, top + 0.5, right - left - 1, bottom - top - 1);
            cairo_stroke(cr);
        }
        break;
    }
    case busy_frame::TRIANGLE:
        cairo_color(cr, c.color);
        cairo_move_to(cr, left + 0.5, top + 0.5);
        cairo_line_to(cr, column_of(c.x2) + 0.5, row_of(c.y2) + 0.5);
        cairo_line_to(cr, column_of(c.x3) + 0.5, row_of(c.y3) + 0.5);
        cairo_close_path(cr);
        cairo_fill(cr);
        break;
    case busy_frame::OVAL: {
        const double right = column_of(c.x2) + 1, bottom = row_of(c.y2) + 1;
        cairo_color(cr, c.color);
        cairo_save(cr);
        cairo_translate(cr, (left + right) / 2, (top + bottom) / 2);
        cairo_scale(cr, (right - left) / 2, (bottom - top) / 2);
        cairo_new_path(cr);
        cairo_arc(cr, 0, 0, 1, 0, 2 * M_PI);
        cairo_restore(cr);
        cairo_fill(cr);
        break;
    }
    case busy_frame::TEXT: {
        const draxo::ws::font_record& f = package_font(c.size);
        cairo_color(cr, c.color);
        cairo_select_font_face(cr, "Liberation Sans", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
        cairo_set_font_size(cr, c.size);
        cairo_move_to(cr, left, top - (f.ascent + f.descent) + f.ascent);
        cairo_show_text(cr, utf8_of_latin1(c.text).c_str());
        break;
    }
    }
}

void cairo_line(cairo_t* cr, const wide_line& l) {
    cairo_color(cr, l.color);
    cairo_set_line_width(cr, l.width);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    cairo_move_to(cr, column_of(l.x1) + 0.5, row_of(l.y1) + 0.5);
    cairo_line_to(cr, column_of(l.x2) + 0.5, row_of(l.y2) + 0.5);
    cairo_stroke(cr);
}

cairo_surface_t* cairo_image() {
    static cairo_surface_t* surface =
        cairo_image_surface_create(CAIRO_FORMAT_RGB24, draxo::frame_width, draxo::frame_height);
    return surface;
}

// A context as a program makes one for a frame: aliased shapes, smoothed text.
cairo_t* begin_cairo() {
    cairo_t* cr = cairo_create(cairo_image());
    cairo_set_antialias(cr, CAIRO_ANTIALIAS_NONE);
    cairo_font_options_t* options = cairo_font_options_create();
    cairo_font_options_set_antialias(options, CAIRO_ANTIALIAS_GRAY);
    cairo_set_font_options(cr, options);
    cairo_font_options_destroy(options);
    return cr;
}
#endif

// --- The floor ---------------------------------------------------------------------

// A run of equal pixels the package leaves on one row.
struct span {
    int row, from, to;
    std::uint32_t value;
};

// The spans the package paints for `draw`: found by drawing on a frame of a
// value no colour has and looking for what changed.
std::vector<span> spans_of(const std::function<void()>& draw) {
    draxo::ws::pixels px = draxo::ws::image_pixels(draxo::display.frame_buffer);
    constexpr std::uint32_t untouched = 0x00123456;
    for (int row = 0; row < px.height; ++row) std::fill_n(px.bits + row * px.stride, px.width, untouched);
    draw();
    std::vector<span> spans;
    for (int row = 0; row < px.height; ++row) {
        const std::uint32_t* line = px.bits + row * px.stride;
        for (int column = 0; column < px.width;) {
            if (line[column] == untouched) {
                ++column;
                continue;
            }
            int end = column + 1;
            while (end < px.width && line[end] == line[column]) ++end;
            spans.push_back(span{row, column, end, line[column]});
            column = end;
        }
    }
    return spans;
}

// Each call of a list on its own frame: a pixel painted by two calls is
// stored twice, as a renderer without overdraw elimination would.
std::vector<span> spans_of_calls(const std::vector<call>& calls) {
    std::vector<span> all;
    for (const call& c : calls) {
        std::vector<span> one = spans_of([&] { busy_frame::draw(c); });
        all.insert(all.end(), one.begin(), one.end());
    }
    return all;
}

// The rasteriser's own span fill, with none of the shape arithmetic.
void store_spans(const draxo::ws::pixels& frame, const std::vector<span>& spans) {
    for (const span& s : spans) draxo::ws::raster::fill_span(frame, s.row, s.from, s.to, s.value);
}

// --- Benchmarks ----------------------------------------------------------------------

enum peer { PACKAGE, QPAINTER, CAIRO, FLOOR, peer_count };
const char* const peer_names[peer_count] = {"package", "QPainter", "cairo", "floor"};
const char* const peer_titles[peer_count] = {"package", "Qt 6 QPainter on a QImage", "cairo, antialias none",
                                             "floor (plain stores of the same spans)"};

struct row_spec {
    const char* name;
    std::function<void()> package, qpainter, cairo;
    std::vector<span> floor;  // empty: no floor for this row
};

std::vector<std::string> row_names;

void register_row(const row_spec& r) {
    row_names.push_back(r.name);
    auto add = [&](peer p, std::function<void()> draw) {
        std::string name = std::string(r.name) + "/" + peer_names[p];
        benchmark::RegisterBenchmark(name.c_str(), [draw](benchmark::State& state) {
            for (auto _ : state) draw();
            benchmark::ClobberMemory();
        })->Unit(benchmark::kMicrosecond);
    };
    add(PACKAGE, r.package);
    add(QPAINTER, r.qpainter);
#ifdef DRAXO_BENCH_CAIRO
    add(CAIRO, r.cairo);
#endif
    if (!r.floor.empty()) {
        auto frame = std::make_shared<std::vector<std::uint32_t>>(draxo::frame_width * draxo::frame_height);
        draxo::ws::pixels pixels{frame->data(), draxo::frame_width, draxo::frame_height, draxo::frame_width};
        std::vector<span> spans = r.floor;
        add(FLOOR, [frame, pixels, spans] {
            store_spans(pixels, spans);
            benchmark::DoNotOptimize(frame->data());
        });
    }
}

// Every peer draws a list of calls the way a program using it would: the
// painter or context made once for the frame.
row_spec calls_row(const char* name, const std::vector<call>& calls, bool with_floor) {
    row_spec r;
    r.name = name;
    r.package = [calls] { busy_frame::draw(calls); };
    r.qpainter = [calls] {
        QPainter p;
        begin_painter(p);
        for (const call& c : calls) painter_draw(p, c);
        p.end();
    };
#ifdef DRAXO_BENCH_CAIRO
    r.cairo = [calls] {
        cairo_t* cr = begin_cairo();
        for (const call& c : calls) cairo_draw(cr, c);
        cairo_destroy(cr);
    };
#endif
    if (with_floor) r.floor = spans_of_calls(calls);
    return r;
}

// The painter and context of the primitives: made once, outside the timing.
QPainter primitive_painter_itself;
QPainter& primitive_painter() {
    if (!primitive_painter_itself.isActive()) begin_painter(primitive_painter_itself, true);
    return primitive_painter_itself;
}
#ifdef DRAXO_BENCH_CAIRO
cairo_t* primitive_cairo_itself = nullptr;
cairo_t* primitive_cairo() {
    if (!primitive_cairo_itself) primitive_cairo_itself = begin_cairo();
    return primitive_cairo_itself;
}
#endif

row_spec primitive_row(const char* name, std::function<void()> package, const call& c) {
    row_spec r;
    r.name = name;
    r.package = package;
    r.qpainter = [c] { painter_draw(primitive_painter(), c); };
#ifdef DRAXO_BENCH_CAIRO
    r.cairo = [c] { cairo_draw(primitive_cairo(), c); };
#endif
    r.floor = spans_of(package);
    return r;
}

row_spec line_row(const char* name, const wide_line& l) {
    row_spec r;
    r.name = name;
    r.package = [l] { DRAXO_line(l.color, l.x1, l.y1, l.x2, l.y2, l.width); };
    r.qpainter = [l] { painter_line(primitive_painter(), l); };
#ifdef DRAXO_BENCH_CAIRO
    r.cairo = [l] { cairo_line(primitive_cairo(), l); };
#endif
    r.floor = spans_of(r.package);
    return r;
}

// --- The table -------------------------------------------------------------------------

// Keeps the medians and prints the table after the usual report.
class table_reporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs)
            if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median")
                medians_[run.run_name.function_name] = run.GetAdjustedRealTime();
    }
    void Finalize() override {
        ConsoleReporter::Finalize();
        std::FILE* out = stdout;
        std::fprintf(out,
                     "\nMedians in microseconds; in brackets the package's time as a share of the peer's.\n\n");
        std::fprintf(out, "| work |");
        for (int p = 0; p < peer_count; ++p) std::fprintf(out, " %s |", peer_titles[p]);
        std::fprintf(out, "\n|---|");
        for (int p = 0; p < peer_count; ++p) std::fprintf(out, "---|");
        std::fprintf(out, "\n");
        for (const std::string& row : row_names) {
            std::fprintf(out, "| %s |", row.c_str());
            const double* package = find(row, PACKAGE);
            for (int p = 0; p < peer_count; ++p) {
                const double* time = find(row, static_cast<peer>(p));
                if (!time)
                    std::fprintf(out, " – |");
                else if (p == PACKAGE || !package)
                    std::fprintf(out, " %s |", figure(*time).c_str());
                else
                    std::fprintf(out, " %s (%.2f) |", figure(*time).c_str(), *package / *time);
            }
            std::fprintf(out, "\n");
        }
    }

private:
    const double* find(const std::string& row, peer p) const {
        auto found = medians_.find(row + "/" + peer_names[p]);
        return found == medians_.end() ? nullptr : &found->second;
    }
    static std::string figure(double micros) {
        char text[32];
        std::snprintf(text, sizeof text, micros >= 10 ? "%.0f" : "%.2f", micros);
        return text;
    }
    std::map<std::string, double> medians_;
};

}  // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    DRAXO_start(nullptr, nullptr, nullptr, 1);
    DRAXO_show_console(0);
    DRAXO_set_logging(0);

    // Flags given on the command line come after these and win.
    std::vector<char*> args{argv[0]};
    static char repetitions[] = "--benchmark_repetitions=15";
    static char interleave[] = "--benchmark_enable_random_interleaving=true";
    static char min_time[] = "--benchmark_min_time=0.1";
    static char aggregates[] = "--benchmark_report_aggregates_only=true";
    for (char* flag : {repetitions, interleave, min_time, aggregates}) args.push_back(flag);
    for (int i = 1; i < argc; ++i) args.push_back(argv[i]);
    int count = static_cast<int>(args.size());
    benchmark::Initialize(&count, args.data());

    const std::vector<call> shapes = busy_frame::shapes(), texts = busy_frame::texts();
    register_row(calls_row("whole frame", whole_frame(), false));
    register_row(calls_row("shapes only", shapes, true));
    register_row(calls_row("the 8 texts", texts, false));
    register_row(primitive_row(
        "filled rectangle (the card, 361 × 351)", [] { DRAXO_rectangle(YELLOW, -140, -150, 220, 200, 0); },
        busy_frame::rectangle(YELLOW, -140, -150, 220, 200, 0)));
    register_row(primitive_row(
        "filled triangle (jet fuselage)", [] { DRAXO_triangle(GRAY_50, 0, 0, 85, 0, 100, 35, 0); },
        busy_frame::triangle(GRAY_50, 0, 0, 85, 0, 100, 35)));
    register_row(primitive_row(
        "filled circle r = 20", [] { DRAXO_circle(RED, 0, 0, 20); }, busy_frame::oval(RED, -20, 20, 20, -20)));
    register_row(line_row("line width 5, 100 px", wide_line{}));

    DRAXO_clear_window();
    table_reporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    if (primitive_painter_itself.isActive()) primitive_painter_itself.end();
#ifdef DRAXO_BENCH_CAIRO
    if (primitive_cairo_itself) cairo_destroy(primitive_cairo_itself);
#endif
    DRAXO_stop();
    return 0;
}
