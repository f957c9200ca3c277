// The card designer's costs: one pass of its main loop (drawing only) with
// 24 objects of one picture on the card, the idle designer's share of a
// core, and continuous playback of a script through the running designer,
// in events a second.
//   xvfb-run -a -s "-screen 0 1024x768x24" build/bench/designer_bench
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>

#include "bench_support.h"
#include "designer.h"
#include "draxo.h"
#include "events/event_control.h"
#include "events/run_menu.h"
#include "events/script.h"
#include "surface/display.h"
#include "window_system/window_system.h"

namespace {

cards::designer_state full_card(int picture) {
    cards::designer_state state;
    state.status = cards::STATUS_SELECT;
    state.object_count = cards::max_objects;
    for (int n = 1; n <= cards::max_objects; ++n) {
        state.object_kind[n] = cards::OBJECT_SHAPE;
        state.object_style[n] = picture;
        state.object_color[n] = n % 24;
        state.object_x[n] = -130 + ((n - 1) % 6) * 55;
        state.object_y[n] = 160 - ((n - 1) / 6) * 80;
    }
    return state;
}

void BM_MainLoopPassDrawing(benchmark::State& bench) {
    open_package_for_benchmarks();
    cards::designer_state state = full_card(static_cast<int>(bench.range(0)));
    for (auto _ : bench) cards::draw_work_area(state);
    static const char* names[] = {"hearts", "starbursts", "jets", "cars"};
    bench.SetLabel(std::string("24 ") + names[bench.range(0)]);
}
BENCHMARK(BM_MainLoopPassDrawing)->DenseRange(0, 3)->Unit(benchmark::kMicrosecond);

// The designer left alone with the animation running, as it starts: ten
// periodic events a second, each redrawing the work area, which the next wait
// copies to the window. Its share of one core over five seconds.
void BM_IdleDesigner(benchmark::State& bench) {
    open_package_for_benchmarks();
    DRAXO_set_animation(DRAXO_ANIMATE_RUN);
    cards::designer_state state;
    double processor = 0, wall = 0;
    for (auto _ : bench) {
        const double start_processor = processor_seconds();
        const auto start_wall = std::chrono::steady_clock::now();
        for (int tick = 0; tick < 10;) {
            cards::draw_work_area(state);
            int x, y;
            char key;
            if (DRAXO_next_event(&x, &y, &key) == DRAXO_PERIODIC) ++tick;
        }
        processor += processor_seconds() - start_processor;
        wall += std::chrono::duration<double>(std::chrono::steady_clock::now() - start_wall).count();
    }
    bench.counters["core_percent"] = 100.0 * processor / wall;
}
BENCHMARK(BM_IdleDesigner)->Iterations(5)->Unit(benchmark::kMillisecond)->UseRealTime();

// A script of card clicks, button presses and runs of periodic events.
int write_script(const char* name) {
    std::FILE* file = std::fopen(name, "w");
    int events = 0;
    for (int i = 0; i < 400; ++i) {
        std::fprintf(file, "DRAXO_MOUSE(%d, %d);\n", -120 + (i * 37) % 330, -140 + (i * 53) % 330);
        std::fprintf(file, "DRAXO_PERIODIC(4);\n");
        std::fprintf(file, "DRAXO_MOUSE(-250, %d);\n", i % 3 == 0 ? 163 : 198);
        events += 6;
    }
    std::fclose(file);
    return events;
}

void BM_PlaybackThroughTheDesigner(benchmark::State& bench) {
    open_package_for_benchmarks();
    char directory[] = "/tmp/draxo-bench-XXXXXX";
    if (!::mkdtemp(directory)) return;
    std::filesystem::path previous = std::filesystem::current_path();
    std::filesystem::current_path(directory);
    int script_events = write_script("DRAXO.SCR");
    long delivered = 0;
    double seconds = 0;
    for (auto _ : bench) {
        cards::designer_state state;
        // From the file's start, as Ctrl+P in a fresh designer.
        draxo::close_script_file();
        draxo::event_control.periodic_run = 0;
        draxo::event_control.playing = false;  // the last iteration stopped short of the file's end
        draxo::ws::post_message(draxo::package.drawing_window, draxo::ws::WM_COMMAND, draxo::CMD_PLAYBACK_SCRIPT,
                                0);
        auto start = std::chrono::steady_clock::now();
        for (int played = 0; played < script_events; ++played) {
            cards::draw_work_area(state);
            int x, y;
            char key;
            if (DRAXO_next_event(&x, &y, &key) == DRAXO_MOUSE) cards::handle_click(x, y, state);
        }
        seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        delivered += script_events;
    }
    bench.counters["events_per_second"] = static_cast<double>(delivered) / seconds;
    std::filesystem::current_path(previous);
    std::filesystem::remove_all(directory);
}
BENCHMARK(BM_PlaybackThroughTheDesigner)->Iterations(3)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
