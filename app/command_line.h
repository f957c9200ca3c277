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

// What the designer's arguments ask for: the card file to open (empty: the
// default one), the usage (--help, -h), or nothing, for arguments it cannot
// take (more than one, an option it does not know), with the reason. A card
// file whose name starts with '-' is named with a folder: ./-card.draxo.
struct designer_start {
    enum { open_card, show_usage, refuse } what = open_card;
    std::string card_file;
    std::string problem;
};
designer_start read_designer_arguments(const std::vector<std::string>& arguments);

constexpr const char* designer_usage =
    "usage: draxo-card-designer [CARD_FILE]\n"
    "Composes a greeting card in a window and keeps it in CARD_FILE\n"
    "(card.draxo in the current folder when none is named).\n";

}  // namespace cards
