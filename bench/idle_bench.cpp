// How much processor time a client uses while it waits for events with the
// animation running: the wait should sleep between the 100 ms ticks.
//   xvfb-run -a -s "-screen 0 1024x768x24" build/bench/idle_bench
#include <benchmark/benchmark.h>

#include <chrono>

#include "bench_support.h"
#include "draxo.h"

namespace {

// Waits for ten periodic events (one second) per iteration. With `redraw`,
// the client changes the frame at every tick, so every wait also copies
// the frame to the window.
void wait_for_ticks(benchmark::State& state, bool redraw) {
    open_package_for_benchmarks();
    DRAXO_set_animation(DRAXO_ANIMATE_RUN);
    double processor = 0, wall = 0;
    for (auto _ : state) {
        double start_processor = processor_seconds();
        auto start_wall = std::chrono::steady_clock::now();
        for (int tick = 0; tick < 10;) {
            int x, y;
            char key;
            if (DRAXO_next_event(&x, &y, &key) == DRAXO_PERIODIC) ++tick;
            if (redraw) DRAXO_clear_window();
        }
        processor += processor_seconds() - start_processor;
        wall += std::chrono::duration<double>(std::chrono::steady_clock::now() - start_wall).count();
    }
    state.counters["core_percent"] = 100.0 * processor / wall;
}

void BM_WaitingWithAnimationRunning(benchmark::State& state) { wait_for_ticks(state, false); }
void BM_WaitingAndRedrawingEveryTick(benchmark::State& state) { wait_for_ticks(state, true); }

BENCHMARK(BM_WaitingWithAnimationRunning)->Iterations(5)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_WaitingAndRedrawingEveryTick)->Iterations(5)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
