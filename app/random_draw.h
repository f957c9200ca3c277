// The designer's random generator: one 32-bit state for the whole run, so
// that a pass's pictures follow from the state at its start.
#pragma once

#include <cstdint>

namespace cards {

// Sets the generator's state (1 until seeded).
void seed_random(std::uint32_t seed);
// The next value, 0 to 32767.
int random_draw();

}  // namespace cards
