// The designer's command line, split into arguments by the desktop's usual
// rules, so that a card file's name may hold spaces and quotes.
#pragma once

#include <string>
#include <vector>

namespace cards {

// Arguments are separated by spaces and tabs. Double quotes group text,
// spaces included, into one argument and are not part of it; within quotes
// a pair of double quotes stands for one. Backslashes are themselves, except
// before a double quote: each pair of them stands for one backslash, and an
// odd one left over makes the quote a literal character. A null text has no
// arguments.
std::vector<std::string> split_command_line(const char* text);

}  // namespace cards
