// The designer's random generator.
#include "random_draw.h"

namespace cards {

namespace {
std::uint32_t state = 1;
}

void seed_random(std::uint32_t seed) { state = seed; }

int random_draw() {
    state = state * 214013u + 2531011u;  // modulo 2^32
    return static_cast<int>((state >> 16) & 0x7FFFu);
}

}  // namespace cards
