// The designer's random generator.
#include "random_draw.h"

#include <cstring>

namespace cards {

namespace {
std::uint32_t state = 1;
}

void seed_random(std::uint32_t seed) { state = seed; }

std::uint32_t starting_seed(const char* draxo_seed, std::uint32_t now) {
    if (!draxo_seed || !*draxo_seed || std::strlen(draxo_seed) > 10) return now;
    std::uint64_t value = 0;
    for (const char* c = draxo_seed; *c; ++c) {
        if (*c < '0' || *c > '9') return now;
        value = value * 10 + static_cast<std::uint64_t>(*c - '0');
    }
    return value <= UINT32_MAX ? static_cast<std::uint32_t>(value) : now;
}

int random_draw() {
    state = state * 214013u + 2531011u;  // modulo 2^32
    return static_cast<int>((state >> 16) & 0x7FFFu);
}

}  // namespace cards
