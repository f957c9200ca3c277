// The package's text encodings. A client gives text as bytes: UTF-8 when the
// bytes are valid UTF-8 and hold at least one multi-byte sequence, Latin-1
// (one character a byte) otherwise. Plain ASCII reads the same either way.
// A Latin-1 text with accented letters is practically never valid UTF-8 (an
// accented capital would have to be followed by one of the symbols in
// 0x80-0xBF), so the texts that programs wrote before UTF-8 was taken still
// read as they always did.
//
// Inside the package, text travels as UTF-8: the console keeps it, the
// window-system layer's backends draw, measure and return it, and the file
// library turns names into UTF-16 for Windows' wide functions. Pure
// functions, no package state: a library of its own (draxo_text) that all of
// them link.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace draxo::text {

// Valid UTF-8 (no overlong forms, no surrogates, nothing past U+10FFFF)
// holding at least one character of two or more bytes.
bool is_utf8_text(std::string_view bytes);

// The client's text as UTF-8, by the rule above: UTF-8 text unchanged, any
// other text read as Latin-1.
std::string text_as_utf8(std::string_view bytes);

// UTF-8 (as text_as_utf8 gives it) to UTF-16 and back. A malformed byte
// reads as U+FFFD; an unpaired surrogate writes U+FFFD.
std::u16string utf16_of_utf8(std::string_view utf8);
std::string utf8_of_utf16(std::u16string_view utf16);

// UTF-8 as Latin-1, one byte a character; a character outside Latin-1
// becomes '?'. And Latin-1 as UTF-8.
std::string latin1_of_utf8(std::string_view utf8);
std::string utf8_of_latin1(std::string_view latin1);

// The character that starts at byte `at` of the UTF-8 text (at < its size)
// into `c`; returns where the next one starts. A byte that starts no valid
// character reads as U+FFFD, one byte long.
std::size_t next_character(std::string_view utf8, std::size_t at, char32_t& c);

// The number of characters (code points) in UTF-8.
std::size_t utf8_character_count(std::string_view utf8);

// The longest start of the UTF-8 text that takes at most `max_bytes` bytes
// and ends between two characters.
std::size_t utf8_prefix_length(std::string_view utf8, std::size_t max_bytes);

// The length of a client's text that a limit has cut, without the start of
// a UTF-8 character the cut split: the bytes after the last whole character
// are left out when they begin a character of more bytes than are there and
// everything before them is UTF-8 text by the rule above. Otherwise, as for
// a Latin-1 text, the whole length. So a cut never turns UTF-8 into Latin-1.
std::size_t length_without_split_character(std::string_view cut);

}  // namespace draxo::text
