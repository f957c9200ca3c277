// What putting the drawing window's frame on the screen costs: an immediate
// presentation that finds nothing changed (the comparison of the whole
// frame with what the screen was last given), one that finds a pixel
// changed in the frame's last corner (the comparison, the copy and the
// painting), and a program's change of the frame handed to the screen at
// most once a display frame, as a program drawing without waiting does.
// Under Qt's offscreen platform unless a display is chosen.
//   build/bench/present_bench
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdlib>

#include "bench_support.h"
#include "package_facts.h"
#include "window_system/window_system.h"

namespace {

namespace ws = draxo::ws;

ws::window drawing_window() {
    open_package_for_benchmarks();
    ws::window w = draxo::package.drawing_window;
    ws::present_now(w);
    return w;
}

void BM_PresentNothingChanged(benchmark::State& state) {
    ws::window w = drawing_window();
    for (auto _ : state) ws::present_now(w);
}
BENCHMARK(BM_PresentNothingChanged)->Unit(benchmark::kMicrosecond);

void BM_PresentOneCornerPixel(benchmark::State& state) {
    ws::window w = drawing_window();
    const ws::pixels px = ws::image_pixels(ws::window_surface(w));
    std::uint32_t& corner = px.bits[(px.height - 1) * px.stride + px.width - 1];
    for (auto _ : state) {
        corner ^= 0x00FFFFFFu;
        ws::present_now(w);
    }
}
BENCHMARK(BM_PresentOneCornerPixel)->Unit(benchmark::kMicrosecond);

void BM_SurfaceChangedWhileDrawing(benchmark::State& state) {
    ws::window w = drawing_window();
    const ws::pixels px = ws::image_pixels(ws::window_surface(w));
    std::uint32_t& pixel = px.bits[(px.height / 2) * px.stride + px.width / 2];
    for (auto _ : state) {
        pixel ^= 0x00FFFFFFu;
        ws::surface_changed(w);
        // A look at the queue, which runs the frame that is due.
        ws::message m;
        if (ws::peek_message(m) && m.id == ws::WM_PAINT) ws::begin_paint(m.hwnd);
    }
}
BENCHMARK(BM_SurfaceChangedWhileDrawing)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
