// The designer's random generator: one 32-bit state for the whole run, so
// that a pass's pictures follow from the state at its start.
#pragma once

#include <cstdint>

namespace cards {

// Sets the generator's state (1 until seeded).
void seed_random(std::uint32_t seed);
// The seed a run starts from: the DRAXO_SEED given (an unattended run sets
// it, so that its pictures are the same run after run), when it is a whole
// number that fits 32 bits; otherwise `now`, the time.
std::uint32_t starting_seed(const char* draxo_seed, std::uint32_t now);
// The next value, 0 to 32767.
int random_draw();

}  // namespace cards
