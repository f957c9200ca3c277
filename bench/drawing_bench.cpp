// Drawing speed: each primitive on its own, and one busy frame of the card
// designer's size (clear, work area, card, 24 jets, six buttons, then the
// title, the status line and six labels). Logging is off, as in the designer.
//   build/bench/drawing_bench --benchmark_min_time=2
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <vector>

#include "busy_frame.h"
#include "draxo.h"

namespace {

const std::vector<busy_frame::call> frame_shapes = busy_frame::shapes();
const std::vector<busy_frame::call> frame_texts = busy_frame::texts();

void BM_frame(benchmark::State& state) {
    for (auto _ : state) {
        busy_frame::draw(frame_shapes);
        busy_frame::draw(frame_texts);
    }
}
BENCHMARK(BM_frame)->Unit(benchmark::kMillisecond);

void BM_frame_shapes(benchmark::State& state) {
    for (auto _ : state) busy_frame::draw(frame_shapes);
}
BENCHMARK(BM_frame_shapes)->Unit(benchmark::kMillisecond);

void BM_frame_texts(benchmark::State& state) {
    DRAXO_clear_window();
    for (auto _ : state) busy_frame::draw(frame_texts);
}
BENCHMARK(BM_frame_texts)->Unit(benchmark::kMillisecond);

// The primitives, each at a size the designer uses.
void BM_clear(benchmark::State& state) {
    for (auto _ : state) DRAXO_clear_window();
}
BENCHMARK(BM_clear)->Unit(benchmark::kMicrosecond);

void BM_pixel(benchmark::State& state) {
    for (auto _ : state) DRAXO_pixel(BLACK, 10, 10);
}
BENCHMARK(BM_pixel);

void BM_rectangle_filled_card(benchmark::State& state) {
    for (auto _ : state) DRAXO_rectangle(YELLOW, -140, -150, 220, 200, 0);
}
BENCHMARK(BM_rectangle_filled_card)->Unit(benchmark::kMicrosecond);

void BM_rectangle_outlined_button(benchmark::State& state) {
    for (auto _ : state) DRAXO_rectangle(BLACK, -296, 248, -200, 213, 1);
}
BENCHMARK(BM_rectangle_outlined_button);

void BM_rectangle_wide_pen(benchmark::State& state) {
    for (auto _ : state) DRAXO_rectangle(BLUE, -100, 100, 100, -100, 5);
}
BENCHMARK(BM_rectangle_wide_pen)->Unit(benchmark::kMicrosecond);

void BM_triangle_fuselage(benchmark::State& state) {
    for (auto _ : state) DRAXO_triangle(GRAY_50, 0, 0, 85, 0, 100, 35, 0);
}
BENCHMARK(BM_triangle_fuselage);

void BM_triangle_outlined(benchmark::State& state) {
    for (auto _ : state) DRAXO_triangle(GRAY_50, 0, 0, 85, 0, 100, 35, 1);
}
BENCHMARK(BM_triangle_outlined);

void BM_oval_cockpit(benchmark::State& state) {
    for (auto _ : state) DRAXO_oval(BLUE, 40, 20, 55, 10, 0);
}
BENCHMARK(BM_oval_cockpit);

void BM_oval_outlined(benchmark::State& state) {
    for (auto _ : state) DRAXO_oval(BLUE, -100, 50, 100, -50, 1);
}
BENCHMARK(BM_oval_outlined);

void BM_circle_heart_lobe(benchmark::State& state) {
    for (auto _ : state) DRAXO_circle(RED, 0, 0, 20);
}
BENCHMARK(BM_circle_heart_lobe);

void BM_line_starburst(benchmark::State& state) {
    for (auto _ : state) DRAXO_line(BLACK, 24, 31, -24, -31, 1);
}
BENCHMARK(BM_line_starburst);

void BM_line_wide(benchmark::State& state) {
    for (auto _ : state) DRAXO_line(BLACK, 24, 31, -24, -31, 5);
}
BENCHMARK(BM_line_wide);

void BM_text_label(benchmark::State& state) {
    for (auto _ : state) DRAXO_text(BLACK, -294, 233, 12, "Background Color");
}
BENCHMARK(BM_text_label);

}  // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    DRAXO_start(nullptr, nullptr, nullptr, 1);
    DRAXO_show_console(0);
    DRAXO_set_logging(0);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    DRAXO_stop();
    return 0;
}
