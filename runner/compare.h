// Comparing the picture a program showed with a reference picture.
#pragma once

#include <cstddef>
#include <filesystem>

#include "png/png_codec.h"

namespace draxo_run {

struct comparison {
    std::size_t differing = 0;       // pixels that differ, those outside either picture included
    draxo::png::picture difference;  // the difference image
};

// Compares two pictures pixel by pixel over the larger of their widths and
// heights: a pixel differs when its colours differ or when it lies outside
// one of them. The difference image shows the picture faded, to a quarter
// of its strength, with every differing pixel in pure red.
comparison compare_pictures(const draxo::png::picture& picture, const draxo::png::picture& reference);

// Where the difference image goes: beside the picture, its name with
// "-diff" before the extension (out.png gives out-diff.png).
std::filesystem::path difference_path(const std::filesystem::path& picture);

}  // namespace draxo_run
