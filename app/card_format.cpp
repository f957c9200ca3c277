// The card file's reader and writer. The reader takes the bytes one line at
// a time, each line split at single spaces into exactly the fields its kind
// has; it never looks past a line's end or the input's end, and numbers are
// taken digit by digit with their range checked before they can overflow.
#include "card_format.h"

#include <cstdint>
#include <cstdio>
#include <vector>

#include "pictures.h"

namespace cards {
namespace {

constexpr std::size_t line_limit = 100;  // characters, without the line end
constexpr int color_count = 24;

// A refusal in the middle of reading: the sentence for card_reading::error.
struct refusal {
    std::string error;
};

class line_reader {
public:
    explicit line_reader(std::string_view bytes) : bytes_(bytes) {}
    int number() const { return number_; }
    bool at_end() const { return at_ == bytes_.size(); }
    // Counts a line that is not read: one missing, or one that should not be there.
    void move_on() { ++number_; }

    // The next line without its end; the reader's number moves on to it.
    std::string_view next() {
        ++number_;
        std::size_t end = bytes_.find('\n', at_);
        if (end == std::string_view::npos) throw refusal{"the file ends inside this line (it has no line end)"};
        std::string_view line = bytes_.substr(at_, end - at_);
        at_ = end + 1;
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (line.size() > line_limit)
            throw refusal{"the line is longer than " + std::to_string(line_limit) + " characters"};
        return line;
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

// A number from low to high; what it is names it in the refusal.
int number_in(std::string_view text, int low, int high, const char* what) {
    int value = 0;
    if (!whole_number(text, value) || value < low || value > high)
        throw refusal{std::string(what) + " must be a whole number from " + std::to_string(low) + " to " +
                      std::to_string(high)};
    return value;
}

// The next line, or the refusal `missing` for the line that is not there.
std::string_view required_line(line_reader& lines, const char* missing) {
    if (lines.at_end()) {
        lines.move_on();
        throw refusal{missing};
    }
    return lines.next();
}

// A line of a keyword and one number: "background 5", "objects 2".
int keyword_line(std::string_view line, std::string_view keyword, int low, int high, const char* expected,
                 const char* what) {
    std::vector<std::string_view> fields = fields_of(line);
    if (fields.size() != 2 || fields[0] != keyword) throw refusal{expected};
    return number_in(fields[1], low, high, what);
}

void read_header(std::string_view line) {
    std::vector<std::string_view> fields = fields_of(line);
    int version = 0;
    if (fields.size() != 3 || fields[0] != "DRAXO" || fields[1] != "card" || !whole_number(fields[2], version))
        throw refusal{"this is not a card file: it does not begin with \"DRAXO card 1\""};
    if (version != card_format_version)
        throw refusal{"the file is of version " + std::to_string(version) + ", and this designer reads version " +
                      std::to_string(card_format_version) + " only"};
}

card_object read_object(std::string_view line) {
    std::vector<std::string_view> fields = fields_of(line);
    card_object object;
    if (fields[0] == "shape")
        object.kind = OBJECT_SHAPE;
    else if (fields[0] == "message")
        object.kind = OBJECT_MESSAGE;
    else
        throw refusal{"expected an object: \"shape\" or \"message\", then its style, colour, x and y"};
    if (fields.size() != 5) throw refusal{"an object has five fields: kind, style, colour, x and y"};
    if (object.kind == OBJECT_SHAPE)
        object.style = number_in(fields[1], 0, 3, "a shape's style");
    else
        object.style = number_in(fields[1], 0, message_count - 1, "a message's style");
    object.color = number_in(fields[2], 0, color_count - 1, "an object's colour");
    object.x = number_in(fields[3], INT32_MIN, INT32_MAX, "the anchor's x");
    object.y = number_in(fields[4], INT32_MIN, INT32_MAX, "the anchor's y");
    return object;
}

card read_card(line_reader& lines) {
    card c;
    read_header(required_line(lines, "the file is empty"));
    c.background_color =
        keyword_line(required_line(lines, "the file ends before the background line"), "background", 0,
                     color_count - 1, "expected \"background\" and the card's colour", "the background colour");
    c.object_count =
        keyword_line(required_line(lines, "the file ends before the objects line"), "objects", 0, max_objects,
                     "expected \"objects\" and how many follow", "the number of objects");
    for (int n = 0; n < c.object_count; ++n) {
        std::string missing =
            "the file ends after " + std::to_string(n) + " of its " + std::to_string(c.object_count) + " objects";
        c.objects[n] = read_object(required_line(lines, missing.c_str()));
    }
    if (!lines.at_end()) {
        lines.move_on();
        throw refusal{"there is more after the last object"};
    }
    return c;
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
    line_reader lines(bytes);
    try {
        result.value = read_card(lines);
        result.ok = true;
    } catch (const refusal& r) {
        result.line = lines.number();
        result.error = r.error;
    }
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
