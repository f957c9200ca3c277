// The 24 named colours of the package and the colour check.
#pragma once

#include <cstdint>

namespace draxo {

constexpr int palette_size = 24;
constexpr int replacement_color = 2;  // RED

// Each colour as 0x00BBGGRR, red in the low byte.
extern const std::uint32_t palette_rgb[palette_size];
// The names printed in log lines and messages.
extern const char* const palette_names[palette_size];

// Returns `color` when it names a palette entry; otherwise says so on the
// console and returns RED.
int check_color(int color);

}  // namespace draxo
