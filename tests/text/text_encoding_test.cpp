// The package's rule for a client's text, UTF-8 or Latin-1, and the
// conversions the layer makes.
#include "text/text_encoding.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace draxo::text;

TEST(TextEncoding, TextWithAMultiByteCharacterIsUtf8) {
    EXPECT_TRUE(
        is_utf8_text("Gr\xC3\xBC\xC3\x9F"
                     "e"));                                                 // Grüße
    EXPECT_TRUE(is_utf8_text("\xCE\xA9\xCE\xBC\xCE\xAD\xCE\xB3\xCE\xB1"));  // Ωμέγα
    EXPECT_TRUE(is_utf8_text("\xE4\xBD\xA0\xE5\xA5\xBD"));                  // 你好
    EXPECT_TRUE(is_utf8_text("\xF0\x9F\x98\x80"));                          // an emoji, four bytes
    EXPECT_TRUE(is_utf8_text("euro\xE2\x82\xAC"));
}

TEST(TextEncoding, PlainAsciiAndLatin1AreNotUtf8) {
    EXPECT_FALSE(is_utf8_text(""));
    EXPECT_FALSE(is_utf8_text("plain ASCII, 100%"));
    EXPECT_FALSE(
        is_utf8_text("Gr\xFC\xDF"
                     "e"));                   // Grüße in Latin-1
    EXPECT_FALSE(is_utf8_text("caf\xE9"));    // a lead byte at the end
    EXPECT_FALSE(is_utf8_text("\xE9t\xE9"));  // été: a lead byte before a letter
    EXPECT_FALSE(is_utf8_text("\xA9 1999"));  // a continuation byte alone
}

TEST(TextEncoding, MalformedSequencesAreNotUtf8) {
    EXPECT_FALSE(is_utf8_text("\xC0\xAF"));          // overlong "/"
    EXPECT_FALSE(is_utf8_text("\xE0\x80\xAF"));      // overlong, three bytes
    EXPECT_FALSE(is_utf8_text("\xED\xA0\x80"));      // a surrogate
    EXPECT_FALSE(is_utf8_text("\xF4\x90\x80\x80"));  // past U+10FFFF
    EXPECT_FALSE(is_utf8_text("\xE4\xBD"));          // cut short
    EXPECT_FALSE(is_utf8_text("\xC3\xBC\xFC"));      // one good character, one Latin-1 byte
}

TEST(TextEncoding, Latin1TextIsWidenedAndUtf8KeptAsItIs) {
    EXPECT_EQ(text_as_utf8("Gr\xFC\xDF"
                           "e"),
              "Gr\xC3\xBC\xC3\x9F"
              "e");
    EXPECT_EQ(text_as_utf8("Gr\xC3\xBC\xC3\x9F"
                           "e"),
              "Gr\xC3\xBC\xC3\x9F"
              "e");
    EXPECT_EQ(text_as_utf8("ASCII"), "ASCII");
    // The text is judged whole: a Latin-1 byte anywhere makes all of it Latin-1.
    EXPECT_EQ(text_as_utf8("\xC3\xA9\n\xFF"), "\xC3\x83\xC2\xA9\n\xC3\xBF");
    // Already UTF-8 stays so: the conversion may be made twice.
    EXPECT_EQ(text_as_utf8(text_as_utf8("\xE9t\xE9")), "\xC3\xA9t\xC3\xA9");
}

TEST(TextEncoding, Utf16RoundTripsEveryPlane) {
    const std::string text = "A\xC3\xBC\xE4\xBD\xA0\xF0\x9F\x98\x80";
    const std::u16string wide = utf16_of_utf8(text);
    EXPECT_EQ(wide, (std::u16string{u'A', 0xFC, 0x4F60, 0xD83D, 0xDE00}));
    EXPECT_EQ(utf8_of_utf16(wide), text);
    // Broken input never breaks the output.
    EXPECT_EQ(utf16_of_utf8("a\xFF"
                            "b"),
              (std::u16string{u'a', 0xFFFD, u'b'}));
    EXPECT_EQ(utf8_of_utf16(std::u16string{u'a', 0xD800}), "a\xEF\xBF\xBD");
}

TEST(TextEncoding, Latin1OfUtf8ReplacesWhatLatin1Lacks) {
    EXPECT_EQ(latin1_of_utf8("K\xC3\xBC"
                             "che"),
              "K\xFC"
              "che");
    EXPECT_EQ(latin1_of_utf8("\xE2\x82\xAC"
                             "5"),
              "?5");
    EXPECT_EQ(latin1_of_utf8("\xF0\x9F\x98\x80"), "?");
}

TEST(TextEncoding, APrefixNeverEndsInsideACharacter) {
    const std::string text = "ab\xE4\xBD\xA0\xE5\xA5\xBD";  // ab你好: 2 + 3 + 3 bytes
    EXPECT_EQ(utf8_prefix_length(text, 100), text.size());
    EXPECT_EQ(utf8_prefix_length(text, 8), 8u);
    EXPECT_EQ(utf8_prefix_length(text, 7), 5u);
    EXPECT_EQ(utf8_prefix_length(text, 6), 5u);
    EXPECT_EQ(utf8_prefix_length(text, 5), 5u);
    EXPECT_EQ(utf8_prefix_length(text, 4), 2u);
    EXPECT_EQ(utf8_prefix_length(text, 0), 0u);
    EXPECT_EQ(utf8_character_count(text), 4u);
}

// A limit that cut a UTF-8 text inside a character leaves that character out
// whole; a Latin-1 text keeps every byte, whatever it ends with.
TEST(TextEncoding, ATextCutByALimitLosesOnlyTheCharacterTheCutSplit) {
    const std::string text = "\xC3\xA9\xE4\xBD\xA0\xF0\x9F\x98\x80";  // é你😀: 2 + 3 + 4 bytes
    for (std::size_t cut = 2; cut <= text.size(); ++cut) {
        const std::size_t kept = length_without_split_character(std::string_view(text).substr(0, cut));
        EXPECT_EQ(kept, utf8_prefix_length(text, cut)) << "cut at " << cut;
    }
    EXPECT_EQ(length_without_split_character("\xC3\xA9\xC3\xA9\xC3"), 4u);  // éé and half an é
    EXPECT_EQ(length_without_split_character("caf\xE9"), 4u);               // Latin-1 café
    EXPECT_EQ(length_without_split_character("\xE9t\xE9\xC3"), 4u);         // Latin-1 before the lead byte
    EXPECT_EQ(length_without_split_character("\xC3\xA9\xBB"), 3u);          // a stray continuation byte
    EXPECT_EQ(length_without_split_character("plain"), 5u);
    EXPECT_EQ(length_without_split_character(""), 0u);
}

TEST(TextEncoding, CharactersAreReadOneAfterTheOtherAMalformedByteAsAReplacement) {
    // A1 (Latin-1 ¡ on its own) is no character; the 3-byte 你 is cut short by 'x'.
    const std::string text = "a\xCE\xA9\xF0\x9F\x98\x80\xA1\xE4\xBDx";
    std::vector<char32_t> read;
    for (std::size_t at = 0; at < text.size();) {
        char32_t c = 0;
        const std::size_t next = next_character(text, at, c);
        ASSERT_GT(next, at);
        read.push_back(c);
        at = next;
    }
    EXPECT_EQ(read, (std::vector<char32_t>{U'a', U'\u03A9', U'\U0001F600', 0xFFFD, 0xFFFD, 0xFFFD, U'x'}));
}
