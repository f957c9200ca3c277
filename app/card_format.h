// The card file: one card, as text, in the designer's own versioned format.
//
//   DRAXO card 1            the format and its version
//   background 16           the card's colour, 0 to 23
//   objects 2               how many object lines follow, 0 to 24
//   shape 3 19 60 -60       kind, style, colour, anchor x and y, in number order
//   message 6 8 -120 -120
//
// A shape's style is its picture (0 heart, 1 starburst, 2 jet, 3 car), a
// message's style its message number (0 to 9); anchors are any 32-bit
// integers. Every line ends with a newline ("\r\n" is read too); fields are
// separated by single spaces; numbers are written without a plus sign or
// leading zeros. Nothing else may stand in the file, and it holds at most
// `card_file_limit` bytes.
//
// Reading is strict: whatever does not follow the format exactly is refused,
// with the number of the line at fault and what is wrong with it. Nothing
// here touches a file or the package.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "designer.h"

namespace cards {

constexpr int card_format_version = 1;
constexpr std::size_t card_file_limit = 4096;  // bytes; a full card takes less than 1000

struct card_object {
    int kind = OBJECT_SHAPE;  // OBJECT_SHAPE or OBJECT_MESSAGE
    int style = 0;
    int color = 0;
    int x = 0;
    int y = 0;
    bool operator==(const card_object&) const = default;
};

// A card as the file holds it: objects[0] is object number 1.
struct card {
    int background_color = 5;  // yellow
    int object_count = 0;
    card_object objects[max_objects] = {};
    bool operator==(const card&) const = default;
};

// What reading gave: the card, or the line at fault and what is wrong with it.
struct card_reading {
    bool ok = false;
    card value;
    int line = 0;       // 1 for the first line
    std::string error;  // a sentence without the file's name or the line's number
};

// Reads a card from the bytes of a file. Never reads past `bytes`; refuses
// every input that `format_card` would not have written (but for "\r\n").
card_reading parse_card(std::string_view bytes);
// The text of a card's file. The card's values must be ones the format holds.
std::string format_card(const card& c);

// The card the designer shows, and the designer showing a card: its
// background and objects, the status of a fresh start, no selection.
card card_of(const designer_state& state);
void show_card(const card& c, designer_state& state);

}  // namespace cards
