// The package's key codes and their names in scripts.
#include "key_names.h"

#include <cstring>

#include "draxo.h"

namespace draxo {
namespace {

struct named_key {
    int code;
    const char* name;
};

// Letters, digits and F1..F12 are named by rule, below.
constexpr named_key named_keys[] = {
    {DRAXO_KEY_BACKSPACE, "BACKSPACE"},
    {DRAXO_KEY_TAB, "TAB"},
    {DRAXO_KEY_ENTER, "ENTER"},
    {DRAXO_KEY_SHIFT, "SHIFT"},
    {DRAXO_KEY_CTRL, "CTRL"},
    {DRAXO_KEY_ESCAPE, "ESCAPE"},
    {DRAXO_KEY_SPACE, "SPACE"},
    {DRAXO_KEY_PAGE_UP, "PAGE_UP"},
    {DRAXO_KEY_PAGE_DOWN, "PAGE_DOWN"},
    {DRAXO_KEY_END, "END"},
    {DRAXO_KEY_HOME, "HOME"},
    {DRAXO_KEY_LEFT, "LEFT"},
    {DRAXO_KEY_UP, "UP"},
    {DRAXO_KEY_RIGHT, "RIGHT"},
    {DRAXO_KEY_DOWN, "DOWN"},
    {DRAXO_KEY_INSERT, "INSERT"},
    {DRAXO_KEY_DELETE, "DELETE"},
};

bool letter_or_digit(int code) { return (code >= 'A' && code <= 'Z') || (code >= '0' && code <= '9'); }
bool function_key(int code) { return code >= DRAXO_KEY_F1 && code <= DRAXO_KEY_F12; }

}  // namespace

bool known_key_code(int code) { return !key_name(code).empty(); }

std::string key_name(int code) {
    if (letter_or_digit(code)) return std::string(1, static_cast<char>(code));
    if (function_key(code)) return "F" + std::to_string(code - DRAXO_KEY_F1 + 1);
    for (const named_key& key : named_keys)
        if (key.code == code) return key.name;
    return "";
}

int key_code_of(const char* name, std::size_t length) {
    if (length == 1 && letter_or_digit(name[0])) return name[0];
    for (int code = DRAXO_KEY_F1; code <= DRAXO_KEY_F12; ++code)
        if (key_name(code) == std::string(name, length)) return code;
    for (const named_key& key : named_keys)
        if (std::strlen(key.name) == length && std::memcmp(key.name, name, length) == 0) return key.code;
    return 0;
}

}  // namespace draxo
