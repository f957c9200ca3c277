// The card file's reader and writer. The reader takes the bytes one line at
// a time, each line split at single spaces into exactly the fields its kind
// has; it never looks past a line's end or the input's end, and numbers are
// taken digit by digit with their range checked before they can overflow.
// Nothing here throws: each step of reading returns false once it has
// refused, with the sentence in its `why_not`, and its caller returns at
// once, so that the line reader's number is still the line at fault.
#include "card_format.h"

#include <cstdint>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "pictures.h"

namespace cards {
namespace {

constexpr std::size_t line_limit = 100;  // characters, without the line end
constexpr int color_count = 24;

// Refuses the line at hand: `why` becomes the sentence for card_reading::error.
bool refuse(std::string& why_not, std::string why) {
    why_not = std::move(why);
    return false;
}

class line_reader {
public:
    explicit line_reader(std::string_view bytes) : bytes_(bytes) {}
    int number() const { return number_; }
    bool at_end() const { return at_ == bytes_.size(); }
    // Counts a line that is not read: one missing, or one that should not be there.
    void move_on() { ++number_; }

    // The next line without its end; the reader's number moves on to it.
    bool next(std::string_view& line, std::string& why_not) {
        ++number_;
        std::size_t end = bytes_.find('\n', at_);
        if (end == std::string_view::npos)
            return refuse(why_not, "the file ends inside this line (it has no line end)");
        line = bytes_.substr(at_, end - at_);
        at_ = end + 1;
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (line.size() > line_limit)
            return refuse(why_not, "the line is longer than " + std::to_string(line_limit) + " characters");
        return true;
    }

private:
    std::string_view bytes_;
    std::size_t at_ = 0;
    int number_ = 0;
};

// The line's fields, at single spaces; empty fields stand for doubled,
// leading or trailing spaces.
std::vector<std::string_view> fields_of(std::string_view line) {
    std::vector<std::string_view> fields;
    std::size_t start = 0;
    for (;;) {
        std::size_t space = line.find(' ', start);
        fields.push_back(line.substr(start, space == std::string_view::npos ? line.npos : space - start));
        if (space == std::string_view::npos) return fields;
        start = space + 1;
    }
}

// A whole number as the writer writes it: an optional minus sign, then
// digits without leading zeros ("0" itself, never "-0"), within 32 bits.
bool whole_number(std::string_view text, int& value) {
    bool negative = !text.empty() && text.front() == '-';
    if (negative) text.remove_prefix(1);
    if (text.empty() || text.size() > 10 || (text.front() == '0' && (text.size() > 1 || negative))) return false;
    std::int64_t magnitude = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        magnitude = magnitude * 10 + (c - '0');
    }
    std::int64_t signed_value = negative ? -magnitude : magnitude;
    if (signed_value < INT32_MIN || signed_value > INT32_MAX) return false;
    value = static_cast<int>(signed_value);
    return true;
}

// A number from low to high; what it is names it in the refusal. `value`
// is set only to a number in range.
bool number_in(std::string_view text, int low, int high, const char* what, int& value, std::string& why_not) {
    int number = 0;
    if (!whole_number(text, number) || number < low || number > high)
        return refuse(why_not, std::string(what) + " must be a whole number from " + std::to_string(low) + " to " +
                                   std::to_string(high));
    value = number;
    return true;
}

// The next line, or the refusal `missing` for the line that is not there.
bool required_line(line_reader& lines, std::string missing, std::string_view& line, std::string& why_not) {
    if (lines.at_end()) {
        lines.move_on();
        return refuse(why_not, std::move(missing));
    }
    return lines.next(line, why_not);
}

// A line of a keyword and one number: "background 5", "objects 2".
bool keyword_line(std::string_view line, std::string_view keyword, int low, int high, const char* expected,
                  const char* what, int& value, std::string& why_not) {
    std::vector<std::string_view> fields = fields_of(line);
    if (fields.size() != 2 || fields[0] != keyword) return refuse(why_not, expected);
    return number_in(fields[1], low, high, what, value, why_not);
}

bool read_header(std::string_view line, std::string& why_not) {
    std::vector<std::string_view> fields = fields_of(line);
    int version = 0;
    if (fields.size() != 3 || fields[0] != "DRAXO" || fields[1] != "card" || !whole_number(fields[2], version))
        return refuse(why_not, "this is not a card file: it does not begin with \"DRAXO card 1\"");
    if (version != card_format_version)
        return refuse(why_not, "the file is of version " + std::to_string(version) +
                                   ", and this designer reads version " + std::to_string(card_format_version) +
                                   " only");
    return true;
}

bool read_object(std::string_view line, card_object& object, std::string& why_not) {
    std::vector<std::string_view> fields = fields_of(line);
    if (fields[0] == "shape")
        object.kind = OBJECT_SHAPE;
    else if (fields[0] == "message")
        object.kind = OBJECT_MESSAGE;
    else
        return refuse(why_not, "expected an object: \"shape\" or \"message\", then its style, colour, x and y");
    if (fields.size() != 5) return refuse(why_not, "an object has five fields: kind, style, colour, x and y");
    bool shape = object.kind == OBJECT_SHAPE;
    return number_in(fields[1], 0, shape ? 3 : message_count - 1, shape ? "a shape's style" : "a message's style",
                     object.style, why_not) &&
           number_in(fields[2], 0, color_count - 1, "an object's colour", object.color, why_not) &&
           number_in(fields[3], INT32_MIN, INT32_MAX, "the anchor's x", object.x, why_not) &&
           number_in(fields[4], INT32_MIN, INT32_MAX, "the anchor's y", object.y, why_not);
}

// The whole card, or false at the first line at fault.
bool read_card(line_reader& lines, card& c, std::string& why_not) {
    std::string_view line;
    if (!required_line(lines, "the file is empty", line, why_not) || !read_header(line, why_not)) return false;
    if (!required_line(lines, "the file ends before the background line", line, why_not) ||
        !keyword_line(line, "background", 0, color_count - 1, "expected \"background\" and the card's colour",
                      "the background colour", c.background_color, why_not))
        return false;
    if (!required_line(lines, "the file ends before the objects line", line, why_not) ||
        !keyword_line(line, "objects", 0, max_objects, "expected \"objects\" and how many follow",
                      "the number of objects", c.object_count, why_not))
        return false;
    for (int n = 0; n < c.object_count; ++n) {
        std::string missing =
            "the file ends after " + std::to_string(n) + " of its " + std::to_string(c.object_count) + " objects";
        if (!required_line(lines, std::move(missing), line, why_not) || !read_object(line, c.objects[n], why_not))
            return false;
    }
    if (!lines.at_end()) {
        lines.move_on();
        return refuse(why_not, "there is more after the last object");
    }
    return true;
}

// The number of the line on which byte `offset` stands.
int line_of(std::string_view bytes, std::size_t offset) {
    int line = 1;
    for (std::size_t i = 0; i < offset && i < bytes.size(); ++i) line += bytes[i] == '\n';
    return line;
}

}  // namespace

card_reading parse_card(std::string_view bytes) {
    card_reading result;
    if (bytes.size() > card_file_limit) {
        result.line = line_of(bytes, card_file_limit);
        result.error = "the file is longer than " + std::to_string(card_file_limit) + " bytes";
        return result;
    }
    // A refused file gives no card: what was read up to the fault is dropped.
    line_reader lines(bytes);
    card c;
    if (!read_card(lines, c, result.error)) {
        result.line = lines.number();
        return result;
    }
    result.value = c;
    result.ok = true;
    return result;
}

std::string format_card(const card& c) {
    std::string text = "DRAXO card " + std::to_string(card_format_version) + "\n";
    text += "background " + std::to_string(c.background_color) + "\n";
    text += "objects " + std::to_string(c.object_count) + "\n";
    for (int n = 0; n < c.object_count; ++n) {
        const card_object& o = c.objects[n];
        char line[line_limit + 2];
        std::snprintf(line, sizeof line, "%s %d %d %d %d\n", o.kind == OBJECT_MESSAGE ? "message" : "shape",
                      o.style, o.color, o.x, o.y);
        text += line;
    }
    return text;
}

card card_of(const designer_state& state) {
    card c;
    c.background_color = state.background_color;
    c.object_count = state.object_count;
    for (int n = 1; n <= state.object_count; ++n)
        c.objects[n - 1] = card_object{state.object_kind[n], state.object_style[n], state.object_color[n],
                                       state.object_x[n], state.object_y[n]};
    return c;
}

void show_card(const card& c, designer_state& state) {
    designer_state fresh;
    state.background_color = c.background_color;
    state.status = fresh.status;
    state.object_count = c.object_count;
    for (int n = 0; n <= max_objects; ++n) {
        card_object o = n >= 1 && n <= c.object_count ? c.objects[n - 1] : card_object{0, 0, 0, 0, 0};
        state.object_kind[n] = o.kind;
        state.object_style[n] = o.style;
        state.object_color[n] = o.color;
        state.object_x[n] = o.x;
        state.object_y[n] = o.y;
    }
    state.selected_object = 0;
}

}  // namespace cards
