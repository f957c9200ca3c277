// Splitting the designer's command line by the desktop's rules.
#include "command_line.h"

#include <cstddef>

namespace cards {

std::vector<std::string> split_command_line(const char* text) {
    std::vector<std::string> arguments;
    if (!text) return arguments;
    const char* p = text;
    auto blank = [](char c) { return c == ' ' || c == '\t'; };
    for (;;) {
        while (blank(*p)) ++p;
        if (!*p) return arguments;
        std::string argument;
        bool quoted = false;
        while (*p && (quoted || !blank(*p))) {
            if (*p == '\\') {
                std::size_t backslashes = 0;
                while (p[backslashes] == '\\') ++backslashes;
                bool before_quote = p[backslashes] == '"';
                argument.append(before_quote ? backslashes / 2 : backslashes, '\\');
                p += backslashes;
                if (before_quote && backslashes % 2 == 1) {
                    argument += '"';  // an escaped quote; an even run leaves the quote to group
                    ++p;
                }
            } else if (*p == '"') {
                if (quoted && p[1] == '"') {
                    argument += '"';  // a doubled quote within quotes
                    p += 2;
                } else {
                    quoted = !quoted;
                    ++p;
                }
            } else {
                argument += *p++;
            }
        }
        arguments.push_back(argument);
    }
}

designer_start read_designer_arguments(const std::vector<std::string>& arguments) {
    designer_start start;
    for (const std::string& argument : arguments) {
        if (argument == "--help" || argument == "-h") {
            start.what = designer_start::show_usage;
            return start;
        }
    }
    if (arguments.size() > 1) {
        start.what = designer_start::refuse;
        start.problem = "one card file at most";
    } else if (!arguments.empty() && arguments[0].size() > 1 && arguments[0][0] == '-') {
        start.what = designer_start::refuse;
        start.problem = "unknown option " + arguments[0];
    } else if (!arguments.empty()) {
        start.card_file = arguments[0];
    }
    return start;
}

}  // namespace cards
