// Grading a class: thirty unattended runs of a client over a script of 1,000
// events, each through draxo-run with no display at all, keeping the picture
// and the console. One after the other, as a shell loop runs them, and two
// at a time.
//   build/bench/unattended_bench
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

namespace {

namespace fs = std::filesystem;

constexpr int runs = 30;
constexpr int script_events = 1000;

// A folder of the benchmark's own, removed at its end.
struct scratch_folder {
    fs::path path = fs::temp_directory_path() / ("draxo-unattended-bench-" + std::to_string(::getpid()));
    scratch_folder() { fs::create_directories(path); }
    ~scratch_folder() {
        std::error_code ignored;
        fs::remove_all(path, ignored);
    }
};

fs::path scratch() {
    static scratch_folder folder;
    return folder.path;
}

// 250 rounds of a click on one of the designer's six buttons (the ball's
// program takes it as a click anywhere), a click on the card, and a run of
// two periodic events: 1,000 events.
fs::path script() {
    fs::path path = scratch() / "class.scr";
    std::ofstream out(path);
    const int button_rows[] = {226, 191, 156, 121, 86, 51};
    int events = 0;
    for (int round = 0; events < script_events; ++round) {
        out << "DRAXO_MOUSE(-250, " << button_rows[round % 6] << ");\n";
        out << "DRAXO_MOUSE(" << (round * 37) % 300 - 100 << ", " << (round * 53) % 280 - 160 << ");\n";
        out << "DRAXO_PERIODIC(2);\n";
        events += 4;
    }
    return path;
}

// One student's run: its picture and console kept in files of its own.
bool run_once(const char* program, const fs::path& script_file, int student) {
    std::string name = (scratch() / ("student-" + std::to_string(student))).string();
    std::string command = std::string("env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM ") +
                          DRAXO_RUN_PROGRAM + " --script " + script_file.string() + " --picture " + name +
                          ".png --console " + name + ".txt -- " + program + " " + name + ".draxo > /dev/null 2>&1";
    fs::remove(name + ".draxo");
    return std::system(command.c_str()) == 0;
}

void thirty_runs(benchmark::State& state, const char* program, int at_a_time) {
    fs::path script_file = script();
    std::atomic<int> failed = 0;
    for (auto _ : state) {
        std::vector<std::thread> workers;
        for (int worker = 0; worker < at_a_time; ++worker)
            workers.emplace_back([&, worker] {
                for (int student = worker; student < runs; student += at_a_time)
                    if (!run_once(program, script_file, student)) ++failed;
            });
        for (std::thread& w : workers) w.join();
    }
    if (failed) state.SkipWithError("a run did not end with status 0");
    state.counters["runs"] = runs;
    state.counters["events_per_second"] = benchmark::Counter(
        static_cast<double>(runs) * script_events * state.iterations(), benchmark::Counter::kIsRate);
}

void BM_ThirtyRunsOfTheBouncingBall(benchmark::State& state) { thirty_runs(state, DRAXO_BOUNCING_BALL, 1); }
void BM_ThirtyRunsOfTheDesigner(benchmark::State& state) { thirty_runs(state, DRAXO_DESIGNER, 1); }
void BM_ThirtyRunsOfTheDesignerTwoAtATime(benchmark::State& state) { thirty_runs(state, DRAXO_DESIGNER, 2); }

BENCHMARK(BM_ThirtyRunsOfTheBouncingBall)->Iterations(1)->Repetitions(3)->Unit(benchmark::kSecond)->UseRealTime();
BENCHMARK(BM_ThirtyRunsOfTheDesigner)->Iterations(1)->Repetitions(3)->Unit(benchmark::kSecond)->UseRealTime();
BENCHMARK(BM_ThirtyRunsOfTheDesignerTwoAtATime)
    ->Iterations(1)
    ->Repetitions(3)
    ->Unit(benchmark::kSecond)
    ->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
