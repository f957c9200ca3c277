// Reading the lines of the script file.
#include "script_line.h"

#include <climits>
#include <cstdio>

#include "draxo.h"

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

script_line parse_script_line(const char* line, std::size_t length) {
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
    switch (event.kind) {
    case DRAXO_MOUSE:
        length = std::snprintf(buffer, script_line_size, "DRAXO_MOUSE(%d, %d);\n", event.x, event.y);
        break;
    case DRAXO_KBD:
        length = std::snprintf(buffer, script_line_size, "DRAXO_KBD(%d);\n",
                               static_cast<int>(static_cast<signed char>(event.key)));
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
