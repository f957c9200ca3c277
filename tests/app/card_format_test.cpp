// The card file's format: what the writer writes reads back the same, and
// every way a file can be wrong is refused, naming the line at fault.
#include "card_format.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>

namespace cards {
namespace {

using namespace std::string_literals;

const std::string readme_example =
    "DRAXO card 1\n"
    "background 16\n"
    "objects 2\n"
    "shape 3 19 60 -60\n"
    "message 6 8 -120 -120\n";

card full_card() {
    card c;
    c.background_color = 23;
    c.object_count = max_objects;
    for (int n = 0; n < max_objects; ++n) {
        bool shape = n % 3 != 0;
        c.objects[n] = card_object{shape ? OBJECT_SHAPE : OBJECT_MESSAGE, shape ? n % 4 : n % 10, n % 24,
                                   n * 1000 - 12000, 5 - n};
    }
    c.objects[0].x = INT_MIN;  // the ends of the anchors' range
    c.objects[1].y = INT_MAX;
    return c;
}

TEST(CardFormat, WhatIsWrittenReadsBackTheSameCardAndTheSameText) {
    for (card c : {card{}, full_card()}) {
        std::string text = format_card(c);
        card_reading read = parse_card(text);
        ASSERT_TRUE(read.ok) << read.line << ": " << read.error;
        EXPECT_EQ(read.value, c);
        EXPECT_EQ(format_card(read.value), text);
    }
    EXPECT_EQ(format_card(card{}), "DRAXO card 1\nbackground 5\nobjects 0\n");
    EXPECT_LT(format_card(full_card()).size(), card_file_limit);
}

TEST(CardFormat, TheExampleReadsAsItsObjectsInNumberOrderAndCrLfLineEndsReadTheSame) {
    card_reading read = parse_card(readme_example);
    ASSERT_TRUE(read.ok) << read.error;
    EXPECT_EQ(read.value.background_color, 16);
    ASSERT_EQ(read.value.object_count, 2);
    EXPECT_EQ(read.value.objects[0], (card_object{OBJECT_SHAPE, 3, 19, 60, -60}));
    EXPECT_EQ(read.value.objects[1], (card_object{OBJECT_MESSAGE, 6, 8, -120, -120}));

    std::string crlf;
    for (char c : readme_example) crlf += c == '\n' ? "\r\n" : std::string(1, c);
    card_reading again = parse_card(crlf);
    ASSERT_TRUE(again.ok) << again.error;
    EXPECT_EQ(again.value, read.value);
}

struct bad_file {
    std::string text;
    int line;
    std::string error;
};

// The header, background and objects lines of a card with `count` objects.
std::string lines_before(int count) {
    return "DRAXO card 1\nbackground 5\nobjects " + std::to_string(count) + "\n";
}

TEST(CardFormat, EveryMalformedTruncatedOrHostileFileIsRefusedAtItsLine) {
    const std::string one = lines_before(1);
    const bad_file bad[] = {
        {"", 1, "the file is empty"},
        {"DRAXO card 1", 1, "the file ends inside this line (it has no line end)"},
        {"DRAXO card 1\r", 1, "the file ends inside this line (it has no line end)"},
        {"DRAXO card 2\nbackground 5\nobjects 0\n", 1,
         "the file is of version 2, and this designer reads version 1 only"},
        {"DRAXO kard 1\n", 1, "this is not a card file: it does not begin with \"DRAXO card 1\""},
        {"DRAXO card 01\n", 1, "this is not a card file: it does not begin with \"DRAXO card 1\""},
        {"\xEF\xBB\xBF"
         "DRAXO card 1\n",
         1, "this is not a card file: it does not begin with \"DRAXO card 1\""},
        {"\x89PNG\r\n\x1A\n", 1, "this is not a card file: it does not begin with \"DRAXO card 1\""},
        {"DRAXO card 1\n", 2, "the file ends before the background line"},
        {"DRAXO card 1\nbackground 24\n", 2, "the background colour must be a whole number from 0 to 23"},
        {"DRAXO card 1\nbackground -1\n", 2, "the background colour must be a whole number from 0 to 23"},
        {"DRAXO card 1\nbackground  5\n", 2, "expected \"background\" and the card's colour"},
        {"DRAXO card 1\nbackground 5 \n", 2, "expected \"background\" and the card's colour"},
        {"DRAXO card 1\ncolour 5\n", 2, "expected \"background\" and the card's colour"},
        {"DRAXO card 1\nbackground 5\n", 3, "the file ends before the objects line"},
        {"DRAXO card 1\nbackground 5\nobjects 25\n", 3,
         "the number of objects must be a whole number from 0 to 24"},
        {"DRAXO card 1\nbackground 5\nobjects -1\n", 3,
         "the number of objects must be a whole number from 0 to 24"},
        {"DRAXO card 1\nbackground 5\nobjects\n", 3, "expected \"objects\" and how many follow"},
        {lines_before(2) + "shape 0 0 0 0\n", 5, "the file ends after 1 of its 2 objects"},
        {lines_before(24), 4, "the file ends after 0 of its 24 objects"},
        {one + "circle 0 0 0 0\n", 4,
         "expected an object: \"shape\" or \"message\", then its style, colour, x and y"},
        {one + "\n", 4, "expected an object: \"shape\" or \"message\", then its style, colour, x and y"},
        {one + " shape 0 0 0 0\n", 4,
         "expected an object: \"shape\" or \"message\", then its style, colour, x and y"},
        {one + "shape 0 0 0\n", 4, "an object has five fields: kind, style, colour, x and y"},
        {one + "shape 0 0 0 0 0\n", 4, "an object has five fields: kind, style, colour, x and y"},
        {one + "shape 0 0 0 0 \n", 4, "an object has five fields: kind, style, colour, x and y"},
        {one + "shape 4 0 0 0\n", 4, "a shape's style must be a whole number from 0 to 3"},
        {one + "message 10 0 0 0\n", 4, "a message's style must be a whole number from 0 to 9"},
        {one + "message -1 0 0 0\n", 4, "a message's style must be a whole number from 0 to 9"},
        {one + "shape 0 24 0 0\n", 4, "an object's colour must be a whole number from 0 to 23"},
        {one + "shape 0 0 2147483648 0\n", 4,
         "the anchor's x must be a whole number from -2147483648 to 2147483647"},
        {one + "shape 0 0 0 -2147483649\n", 4,
         "the anchor's y must be a whole number from -2147483648 to 2147483647"},
        {one + "shape 0 0 99999999999999999999 0\n", 4,
         "the anchor's x must be a whole number from -2147483648 to 2147483647"},
        {one + "shape 0 0 +1 0\n", 4, "the anchor's x must be a whole number from -2147483648 to 2147483647"},
        {one + "shape 0 0 01 0\n", 4, "the anchor's x must be a whole number from -2147483648 to 2147483647"},
        {one + "shape 0 0 -0 0\n", 4, "the anchor's x must be a whole number from -2147483648 to 2147483647"},
        {one + "shape 0 0 - 0\n", 4, "the anchor's x must be a whole number from -2147483648 to 2147483647"},
        {one + "shape 0 0 0x10 0\n", 4, "the anchor's x must be a whole number from -2147483648 to 2147483647"},
        {one + "shape 0 0 0 1\t\n", 4, "the anchor's y must be a whole number from -2147483648 to 2147483647"},
        {one + "shape 0 0 0 1\r2\n", 4, "the anchor's y must be a whole number from -2147483648 to 2147483647"},
        {one + "shape 0 0 0 1\0\n"s, 4, "the anchor's y must be a whole number from -2147483648 to 2147483647"},
        {one + "shape 0 0 0 0\n\n", 5, "there is more after the last object"},
        {lines_before(0) + "shape 0 0 0 0\n", 4, "there is more after the last object"},
        {lines_before(0) + "x", 4, "there is more after the last object"},
        {one + "shape 0 0 0 0" + std::string(100, ' ') + "\n", 4, "the line is longer than 100 characters"},
        {"DRAXO card 1\n" + std::string(5000, 'x'), 2, "the file is longer than 4096 bytes"},
        {std::string(4097, 'x'), 1, "the file is longer than 4096 bytes"},
    };
    for (const bad_file& b : bad) {
        card_reading read = parse_card(b.text);
        EXPECT_FALSE(read.ok) << b.text;
        EXPECT_EQ(read.line, b.line) << b.text;
        EXPECT_EQ(read.error, b.error) << b.text;
    }
}

TEST(CardFormat, TheLimitsThemselvesAreRead) {
    std::string text = lines_before(1) + "message 9 23 -2147483648 2147483647\n";
    card_reading read = parse_card(text);
    ASSERT_TRUE(read.ok) << read.error;
    EXPECT_EQ(read.value.objects[0], (card_object{OBJECT_MESSAGE, 9, 23, INT_MIN, INT_MAX}));
    // A file of exactly the limit is read to its end: refused for what it
    // holds, not for its size.
    std::string padded = lines_before(0);
    padded += std::string(card_file_limit - padded.size(), '\n');
    EXPECT_EQ(parse_card(padded).error, "there is more after the last object");
    // A line of exactly 100 characters is read (and refused for its fields);
    // one of 101 is refused for its length, a CR before its newline not counted.
    const std::string object = "shape 0 0 0 0";
    const std::string at_limit = object + std::string(100 - object.size(), ' ');
    for (const char* end : {"\n", "\r\n"}) {
        EXPECT_EQ(parse_card(lines_before(1) + at_limit + end).error,
                  "an object has five fields: kind, style, colour, x and y");
        EXPECT_EQ(parse_card(lines_before(1) + at_limit + " " + end).error,
                  "the line is longer than 100 characters");
    }
}

TEST(CardFormat, TheDesignerShowsAReadCardFreshlyAndGivesBackTheSameCard) {
    designer_state state;
    state.status = STATUS_ADD_MESSAGE;
    state.selected_object = 7;
    state.object_count = 9;
    state.object_kind[9] = OBJECT_SHAPE;
    card c = parse_card(readme_example).value;
    show_card(c, state);
    EXPECT_EQ(state.background_color, 16);
    EXPECT_EQ(state.status, STATUS_ADD_SHAPE);
    EXPECT_EQ(state.selected_object, 0);
    EXPECT_EQ(state.object_count, 2);
    EXPECT_EQ(state.object_kind[1], OBJECT_SHAPE);
    EXPECT_EQ(state.object_x[2], -120);
    EXPECT_EQ(state.object_kind[9], 0);  // entries above the count are cleared
    EXPECT_EQ(card_of(state), c);
}

}  // namespace
}  // namespace cards
