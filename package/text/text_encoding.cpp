// The package's text encodings: the UTF-8 rule and the conversions the file
// library, the layer and its backends, the console and the surface need.
#include "text_encoding.h"

#include <cstdint>

namespace draxo::text {

namespace {

constexpr char32_t replacement = 0xFFFD;

bool continuation(unsigned char byte) { return (byte & 0xC0u) == 0x80u; }

// Decodes the character at `at`; returns its length in bytes, 0 when the
// bytes there are no valid UTF-8 character.
std::size_t decode(std::string_view s, std::size_t at, char32_t& out) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(s[at + i]); };
    const unsigned char first = byte(0);
    if (first < 0x80) {
        out = first;
        return 1;
    }
    std::size_t length;
    char32_t least;
    if (first >= 0xC2 && first <= 0xDF) {
        length = 2;
        least = 0x80;
        out = first & 0x1Fu;
    } else if (first >= 0xE0 && first <= 0xEF) {
        length = 3;
        least = 0x800;
        out = first & 0x0Fu;
    } else if (first >= 0xF0 && first <= 0xF4) {
        length = 4;
        least = 0x10000;
        out = first & 0x07u;
    } else {
        return 0;  // a continuation byte, or a lead byte no valid character has
    }
    if (s.size() - at < length) return 0;
    for (std::size_t i = 1; i < length; ++i) {
        if (!continuation(byte(i))) return 0;
        out = (out << 6) | (byte(i) & 0x3Fu);
    }
    if (out < least || out > 0x10FFFF || (out >= 0xD800 && out <= 0xDFFF)) return 0;
    return length;
}

void append_utf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (c >> 6)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (c >> 12)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (c >> 18)));
        out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
}

// Calls `take` with each character of the UTF-8 text in turn; a byte that
// starts no valid character is taken as `malformed`.
template <typename Take>
void each_character(std::string_view utf8, char32_t malformed, Take take) {
    for (std::size_t at = 0; at < utf8.size();) {
        char32_t c;
        std::size_t length = decode(utf8, at, c);
        if (length == 0) {
            c = malformed;
            length = 1;
        }
        at += length;
        take(c);
    }
}

}  // namespace

std::size_t next_character(std::string_view utf8, std::size_t at, char32_t& c) {
    const std::size_t length = decode(utf8, at, c);
    if (length > 0) return at + length;
    c = replacement;
    return at + 1;
}

bool is_utf8_text(std::string_view bytes) {
    bool multi_byte = false;
    for (std::size_t at = 0; at < bytes.size();) {
        char32_t c;
        const std::size_t length = decode(bytes, at, c);
        if (length == 0) return false;
        multi_byte |= length > 1;
        at += length;
    }
    return multi_byte;
}

std::string text_as_utf8(std::string_view bytes) {
    if (is_utf8_text(bytes)) return std::string(bytes);
    return utf8_of_latin1(bytes);
}

std::u16string utf16_of_utf8(std::string_view utf8) {
    std::u16string out;
    out.reserve(utf8.size());
    each_character(utf8, replacement, [&out](char32_t c) {
        if (c < 0x10000) {
            out.push_back(static_cast<char16_t>(c));
        } else {
            c -= 0x10000;
            out.push_back(static_cast<char16_t>(0xD800 + (c >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + (c & 0x3FF)));
        }
    });
    return out;
}

std::string utf8_of_utf16(std::u16string_view utf16) {
    std::string out;
    out.reserve(utf16.size());
    for (std::size_t i = 0; i < utf16.size(); ++i) {
        char32_t c = utf16[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < utf16.size() && utf16[i + 1] >= 0xDC00 &&
            utf16[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (utf16[i + 1] - 0xDC00);
            ++i;
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            c = replacement;
        }
        append_utf8(out, c);
    }
    return out;
}

std::string latin1_of_utf8(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    each_character(utf8, '?', [&out](char32_t c) { out.push_back(c <= 0xFF ? static_cast<char>(c) : '?'); });
    return out;
}

std::string utf8_of_latin1(std::string_view latin1) {
    std::string out;
    out.reserve(latin1.size());
    for (char b : latin1) append_utf8(out, static_cast<unsigned char>(b));
    return out;
}

std::size_t utf8_character_count(std::string_view utf8) {
    std::size_t count = 0;
    for (char b : utf8) count += !continuation(static_cast<unsigned char>(b));
    return count;
}

std::size_t utf8_prefix_length(std::string_view utf8, std::size_t max_bytes) {
    if (utf8.size() <= max_bytes) return utf8.size();
    std::size_t length = max_bytes;
    // Back up over the continuation bytes of a character the limit cuts.
    while (length > 0 && continuation(static_cast<unsigned char>(utf8[length]))) --length;
    return length;
}

std::size_t length_without_split_character(std::string_view cut) {
    // The last character's lead byte: at most three continuation bytes back.
    std::size_t lead = cut.size();
    while (lead > 0 && cut.size() - lead < 3 && continuation(static_cast<unsigned char>(cut[lead - 1]))) --lead;
    if (lead == 0) return cut.size();
    --lead;
    const auto first = static_cast<unsigned char>(cut[lead]);
    const std::size_t needed = first >= 0xF0 && first <= 0xF4   ? 4
                               : first >= 0xE0 && first <= 0xEF ? 3
                               : first >= 0xC2 && first <= 0xDF ? 2
                                                                : 0;
    if (needed == 0 || cut.size() - lead >= needed) return cut.size();
    return is_utf8_text(cut.substr(0, lead)) ? lead : cut.size();
}

}  // namespace draxo::text
