// What keeping a card costs: the card's area of a busy frame encoded as a
// PNG and saved (written, flushed to the disk, renamed), and a full card
// file written the same way and read back. Files go to a scratch directory.
//   build/bench/saving_bench
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "bench_support.h"
#include "card_files.h"
#include "card_format.h"
#include "designer.h"
#include "draxo.h"
#include "files/safe_write.h"
#include "surface/display.h"
#include "window_system/window_system.h"

namespace {

// A card of 24 cars and messages drawn into the frame, as the designer draws it.
cards::designer_state busy_card() {
    cards::designer_state state;
    state.object_count = cards::max_objects;
    for (int n = 1; n <= cards::max_objects; ++n) {
        state.object_kind[n] = n % 2 ? cards::OBJECT_SHAPE : cards::OBJECT_MESSAGE;
        state.object_style[n] = n % 2 ? 3 : n % 10;
        state.object_color[n] = n % 24;
        state.object_x[n] = -130 + ((n - 1) % 4) * 80;
        state.object_y[n] = 170 - ((n - 1) / 4) * 55;
    }
    return state;
}

struct scratch {
    scratch() {
        char pattern[] = "/tmp/draxo-bench-XXXXXX";
        if (!::mkdtemp(pattern)) std::abort();
        directory = pattern;
    }
    ~scratch() { std::filesystem::remove_all(directory); }
    std::string file(const char* name) const { return (directory / name).string(); }
    std::filesystem::path directory;
};

void BM_EncodeCardPicture(benchmark::State& bench) {
    open_package_for_benchmarks();
    cards::draw_work_area(busy_card());
    draxo::origin o{draxo::display.origin_x, draxo::display.origin_y};
    draxo::ws::rect area{o.x - 140, o.y - 200, o.x + 221, o.y + 151};
    std::vector<unsigned char> png;
    for (auto _ : bench) draxo::ws::encode_png(draxo::display.frame_buffer, area, png);
    bench.SetLabel(std::to_string(png.size()) + " bytes");
}
BENCHMARK(BM_EncodeCardPicture)->Unit(benchmark::kMillisecond);

void BM_SavePicture(benchmark::State& bench) {
    open_package_for_benchmarks();
    cards::draw_work_area(busy_card());
    scratch where;
    std::string path = where.file("card.png");
    for (auto _ : bench) DRAXO_save_picture(path.c_str(), -140, -150, 220, 200);
}
BENCHMARK(BM_SavePicture)->Unit(benchmark::kMillisecond);

void BM_SaveCardFile(benchmark::State& bench) {
    std::string text = cards::format_card(cards::card_of(busy_card()));
    scratch where;
    std::string path = where.file("card.draxo");
    for (auto _ : bench) draxo::files::replace_file(path, cards::format_card(cards::card_of(busy_card())));
    bench.SetLabel(std::to_string(text.size()) + " bytes");
}
BENCHMARK(BM_SaveCardFile)->Unit(benchmark::kMillisecond);

void BM_ReadCardFile(benchmark::State& bench) {
    scratch where;
    std::string path = where.file("card.draxo"), bytes;
    draxo::files::replace_file(path, cards::format_card(cards::card_of(busy_card())));
    bool missing = false;
    for (auto _ : bench) benchmark::DoNotOptimize(cards::read_card_file(path, missing, bytes));
}
BENCHMARK(BM_ReadCardFile)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
