// The busy designer frame (busy_frame.h) drawn through the package's public
// API by a client program, so that the same program's time per frame can be
// compared natively and in the browser's runtime (bench/busy_frame_web.mjs
// builds it for wasm32-wasip1, asyncified and not). It draws the frame's
// shapes and its texts, each in samples of thirty frames after a warm-up, and
// prints the median time per frame of each in microseconds:
//   busy frame: shapes <us> texts <us> whole <us>
// then ends. Texts are drawn by each platform's own text drawing (Qt on
// Linux, the package's rasteriser in the browser), shapes by the same code.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

#include "busy_frame.h"

namespace {

constexpr int kSamples = 21;
constexpr int kFramesPerSample = 30;

// The median time of one drawing of `calls`, in microseconds.
double median_us(const std::vector<busy_frame::call>& calls) {
    for (int i = 0; i < kFramesPerSample; ++i) busy_frame::draw(calls);  // warm-up
    std::vector<double> samples;
    for (int s = 0; s < kSamples; ++s) {
        const auto start = std::chrono::steady_clock::now();
        for (int i = 0; i < kFramesPerSample; ++i) busy_frame::draw(calls);
        const std::chrono::duration<double, std::micro> spent = std::chrono::steady_clock::now() - start;
        samples.push_back(spent.count() / kFramesPerSample);
    }
    std::sort(samples.begin(), samples.end());
    return samples[samples.size() / 2];
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous_instance, LPSTR command_line, int show_command) {
    DRAXO_start(instance, previous_instance, command_line, show_command);
    DRAXO_set_logging(0);
    const std::vector<busy_frame::call> shapes = busy_frame::shapes(), texts = busy_frame::texts();
    std::vector<busy_frame::call> whole = shapes;
    whole.insert(whole.end(), texts.begin(), texts.end());
    const double shapes_us = median_us(shapes), texts_us = median_us(texts), whole_us = median_us(whole);
    std::printf("busy frame: shapes %.1f texts %.1f whole %.1f\n", shapes_us, texts_us, whole_us);
    std::fflush(stdout);
    return 0;
}
