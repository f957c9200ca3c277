// Reading the lines of the script file.
#include "script_line.h"

#include <climits>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "draxo.h"
#include "key_names.h"

namespace draxo {
namespace {

bool is_digit(char c) { return c >= '0' && c <= '9'; }

// atoi's reading of a token (an optional sign, then digits up to the first
// other character), saturated instead of overflowing.
int convert_token(const char* token) {
    const char* p = token;
    bool negative = false;
    if (*p == '-' || *p == '+') negative = *p++ == '-';
    long long value = 0;
    for (; is_digit(*p); ++p) {
        value = value * 10 + (*p - '0');
        if (value > static_cast<long long>(INT_MAX) + 1) break;
    }
    if (negative) value = -value;
    if (value > INT_MAX) return INT_MAX;
    if (value < INT_MIN) return INT_MIN;
    return static_cast<int>(value);
}

}  // namespace

int scan_script_number(const char* line, std::size_t length, std::size_t& position, bool signed_numbers) {
    auto starts_number = [signed_numbers](char c) { return is_digit(c) || (signed_numbers && c == '-'); };
    while (position < length && !starts_number(line[position])) ++position;
    char token[script_token_size + 1];
    std::size_t kept = 0;
    while (position < length && starts_number(line[position])) {
        if (kept < script_token_size) token[kept++] = line[position];
        ++position;
    }
    token[kept] = '\0';
    return convert_token(token);
}

namespace {

// The arguments of a game-input line: the text between its parentheses, cut
// at the commas, each without the spaces around it. False when the line is
// not "NAME(arguments)" with at most a ';' and spaces after it.
bool split_arguments(const char* line, std::size_t length, std::size_t open, std::vector<std::string>& out) {
    std::size_t close = open + 1;
    while (close < length && line[close] != ')') ++close;
    if (close >= length) return false;
    for (std::size_t rest = close + 1; rest < length; ++rest) {
        char c = line[rest];
        if (c != ';' && c != ' ' && c != '\t' && c != '\r' && c != '\n') return false;
    }
    std::string argument;
    auto finish = [&out, &argument] {
        std::size_t first = argument.find_first_not_of(" \t");
        std::size_t last = argument.find_last_not_of(" \t");
        out.push_back(first == std::string::npos ? std::string() : argument.substr(first, last - first + 1));
        argument.clear();
    };
    for (std::size_t i = open + 1; i < close; ++i) {
        if (line[i] == ',')
            finish();
        else
            argument += line[i];
    }
    finish();
    return true;
}

// A whole number in [low, high], written with an optional '-' and digits.
bool number_in(const std::string& text, int low, int high, int& out) {
    std::size_t digits = text.size() > 0 && text[0] == '-' ? 1 : 0;
    if (digits == text.size() || text.size() > digits + 6) return false;
    for (std::size_t i = digits; i < text.size(); ++i)
        if (!is_digit(text[i])) return false;
    out = convert_token(text.c_str());
    return out >= low && out <= high;
}

struct input_line_name {
    const char* name;
    int kind;
};

constexpr input_line_name input_line_names[] = {
    {"DRAXO_KEY_PRESS(", DRAXO_KEY_PRESS},   {"DRAXO_KEY_RELEASE(", DRAXO_KEY_RELEASE},
    {"DRAXO_MOUSE_PRESS(", DRAXO_MOUSE},     {"DRAXO_MOUSE_RELEASE(", DRAXO_MOUSE_RELEASE},
    {"DRAXO_MOUSE_MOVE(", DRAXO_MOUSE_MOVE},
};

bool starts_with(const char* line, std::size_t length, const char* prefix) {
    std::size_t n = std::strlen(prefix);
    return length >= n && std::memcmp(line, prefix, n) == 0;
}

// A game-input line: its kind, or 0 when an argument is missing, extra or
// out of its range.
script_line parse_input_line(const input_line_name& name, const char* line, std::size_t length) {
    script_line parsed;
    std::vector<std::string> arguments;
    if (!split_arguments(line, length, std::strlen(name.name) - 1, arguments)) return parsed;
    bool good = false;
    if (name.kind == DRAXO_KEY_PRESS || name.kind == DRAXO_KEY_RELEASE) {
        good = arguments.size() == 2 && number_in(arguments[1], 0, 7, parsed.modifiers);
        parsed.key_code = good ? key_code_of(arguments[0].data(), arguments[0].size()) : 0;
        good = good && parsed.key_code != 0;
    } else {
        int third = 0;
        bool moving = name.kind == DRAXO_MOUSE_MOVE;
        good = arguments.size() == 3 && number_in(arguments[0], -script_x_limit, script_x_limit, parsed.x) &&
               number_in(arguments[1], -script_y_limit, script_y_limit, parsed.y) &&
               number_in(arguments[2], moving ? 0 : 1, moving ? 7 : 3, third);
        (moving ? parsed.buttons : parsed.button) = third;
    }
    if (good) parsed.kind = name.kind;
    return parsed;
}

// A typed character's line may name its key after the code: "DRAXO_KBD(97, A);".
// A second argument that names no key is passed over, as it always was.
int typed_key_of(const char* line, std::size_t length) {
    std::vector<std::string> arguments;
    const char* open = static_cast<const char*>(std::memchr(line, '(', length));
    if (!open || !split_arguments(line, length, static_cast<std::size_t>(open - line), arguments)) return 0;
    return arguments.size() == 2 ? key_code_of(arguments[1].data(), arguments[1].size()) : 0;
}

}  // namespace

script_line parse_script_line(const char* line, std::size_t length) {
    // Every line of game input's families is one of their names, or of no
    // known kind: a misspelt key line must not read as a typed character.
    if (starts_with(line, length, "DRAXO_KEY_") || starts_with(line, length, "DRAXO_MOUSE_")) {
        for (const input_line_name& name : input_line_names)
            if (starts_with(line, length, name.name)) return parse_input_line(name, line, length);
        return script_line{};
    }
    script_line parsed;
    // The kind is the seventh character, the one after "DRAXO_"; the scan
    // for numbers starts at the kind letter itself.
    std::size_t position = 6;
    char kind = length > position ? line[position] : '\0';
    switch (kind) {
    case 'M':
        parsed.kind = DRAXO_MOUSE;
        parsed.x = scan_script_number(line, length, position, true);
        parsed.y = scan_script_number(line, length, position, true);
        break;
    case 'K':
        parsed.kind = DRAXO_KBD;
        parsed.key =
            static_cast<char>(static_cast<signed char>(scan_script_number(line, length, position, true) & 0xFF));
        parsed.key_code = typed_key_of(line, length);
        break;
    case 'P':
        parsed.kind = DRAXO_PERIODIC;
        parsed.count = scan_script_number(line, length, position, false);
        break;
    default: break;
    }
    return parsed;
}

std::size_t format_script_line(const script_line& event, char* buffer) {
    int length = 0;
    const std::string key = key_name(event.key_code);
    switch (event.kind) {
    case DRAXO_MOUSE:
        if (event.button > 1)
            length = std::snprintf(buffer, script_line_size, "DRAXO_MOUSE_PRESS(%d, %d, %d);\n", event.x, event.y,
                                   event.button);
        else
            length = std::snprintf(buffer, script_line_size, "DRAXO_MOUSE(%d, %d);\n", event.x, event.y);
        break;
    case DRAXO_KBD:
        if (!key.empty())
            length = std::snprintf(buffer, script_line_size, "DRAXO_KBD(%d, %s);\n",
                                   static_cast<int>(static_cast<signed char>(event.key)), key.c_str());
        else
            length = std::snprintf(buffer, script_line_size, "DRAXO_KBD(%d);\n",
                                   static_cast<int>(static_cast<signed char>(event.key)));
        break;
    case DRAXO_KEY_PRESS:
    case DRAXO_KEY_RELEASE:
        if (key.empty()) break;
        length = std::snprintf(buffer, script_line_size, "DRAXO_KEY_%s(%s, %d);\n",
                               event.kind == DRAXO_KEY_PRESS ? "PRESS" : "RELEASE", key.c_str(), event.modifiers);
        break;
    case DRAXO_MOUSE_RELEASE:
        length = std::snprintf(buffer, script_line_size, "DRAXO_MOUSE_RELEASE(%d, %d, %d);\n", event.x, event.y,
                               event.button);
        break;
    case DRAXO_MOUSE_MOVE:
        length = std::snprintf(buffer, script_line_size, "DRAXO_MOUSE_MOVE(%d, %d, %d);\n", event.x, event.y,
                               event.buttons);
        break;
    case DRAXO_PERIODIC:
        length = std::snprintf(buffer, script_line_size, "DRAXO_PERIODIC(%d);\n", event.count);
        break;
    default: break;
    }
    if (length <= 0) buffer[0] = '\0';
    return length > 0 ? static_cast<std::size_t>(length) : 0;
}

}  // namespace draxo
