// The key codes of game input (draxo.h's DRAXO_KEY_..., letters and digits)
// and their names in the script file: LEFT, F1, A, 7. Pure functions.
#pragma once

#include <cstddef>
#include <string>

namespace draxo {

// Whether a code is one of the package's keys; the platforms' other keys
// (Alt, Caps Lock, punctuation) bring no key events.
bool known_key_code(int code);
// The code's name (known codes only; "" for others).
std::string key_name(int code);
// The code of a name of `length` characters, exactly as key_name writes
// it; 0 for a name of no key.
int key_code_of(const char* name, std::size_t length);

}  // namespace draxo
