// DRAXO_gets on the null backend: the dialog template it writes, what Okay,
// Escape and the close box do, and the drawing window served underneath.
#include "console/gets_dialog.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "events/event_control.h"
#include "support/null_support.h"
#include "support/test_support.h"
#include "surface/display.h"
#include "window_system/backend.h"

namespace draxo {
namespace {

std::vector<std::uint16_t> words_of(const char* prompt) {
    gets_template t;
    t.fill(0xAB);  // whatever the buffer held before must not show through
    build_gets_template(prompt, t);
    std::vector<std::uint16_t> words;
    for (std::size_t at = 0; at < t.size(); at += 2)
        words.push_back(static_cast<std::uint16_t>(t[at] | t[at + 1] << 8));
    return words;
}

void append(std::vector<std::uint16_t>& words, const std::string& text) {
    words.insert(words.end(), text.begin(), text.end());
}

TEST(GetsTemplate, IsThe292BytesOfTheDialogAndItsThreeItems) {
    // Dialog record: style, extended style, 3 items, x, y, cx, cy, no menu, no class, title.
    std::vector<std::uint16_t> expected = {0x0080, 0x90C8, 0, 0, 3, 50, 50, 185, 92, 0, 0};
    append(expected, "DRAXO_gets");
    // Each item at a 4-byte boundary (offsets 44, 72, 108): style, extended
    // style, x, y, cx, cy, id, class atom, text, no creation data.
    expected.insert(expected.end(), {0, 0x0044, 0x5081, 0, 0, 8, 30, 167, 37, 102, 0xFFFF, 0x0081, 0, 0});
    expected.insert(expected.end(), {0, 0x0001, 0x5001, 0, 0, 67, 74, 50, 14, 101, 0xFFFF, 0x0080});
    append(expected, "Okay");
    expected.insert(expected.end(), {0, 0, 0, 0x0000, 0x5002, 0, 0, 8, 3, 167, 24, 103, 0xFFFF, 0x0082});
    append(expected, "Name?" + std::string(74, ' '));
    expected.insert(expected.end(), {0, 0});
    ASSERT_EQ(expected.size() * 2, gets_template_size);
    EXPECT_EQ(words_of("Name?"), expected);
}

TEST(GetsTemplate, ThePromptIsExactly79CharactersInLatin1) {
    auto prompt_of = [](const char* prompt) {
        std::vector<std::uint16_t> words = words_of(prompt);
        return std::u16string(words.begin() + 65, words.end() - 2);  // item 3's text at byte 130
    };
    EXPECT_EQ(prompt_of(""), std::u16string(79, u' '));
    EXPECT_EQ(prompt_of(nullptr), std::u16string(79, u' '));
    std::string hundred;
    for (int i = 0; i < 100; ++i) hundred += static_cast<char>('A' + i % 26);
    EXPECT_EQ(prompt_of(hundred.c_str()), std::u16string(hundred.begin(), hundred.begin() + 79));
    // Bytes above 127 widen to their Latin-1 characters, not sign-extended.
    EXPECT_EQ(prompt_of("Caf\xE9\xFF").substr(0, 6), (std::u16string{u'C', u'a', u'f', 0x00E9, 0x00FF, u' '}));
}

TEST(Gets, BeforeThePackageIsOpenReturnsZeroAndLeavesTheBuffer) {
    char buffer[gets_result_size];
    std::memset(buffer, '#', sizeof buffer);
    EXPECT_EQ(DRAXO_gets("Name?", buffer), 0);
    EXPECT_EQ(std::string(buffer, sizeof buffer), std::string(sizeof buffer, '#'));
}

// Runs DRAXO_gets with the buffer at 255 '#', while `action` acts on its
// dialog ten virtual milliseconds after it opened.
struct gets_run {
    int result = -1;
    std::string text;
};
gets_run run_gets(std::function<void(ws::dialog)> action) {
    ws::null::schedule(10, [action] { action(ws::null::open_dialog()); });
    char buffer[gets_result_size];
    std::memset(buffer, '#', sizeof buffer - 1);
    buffer[gets_result_size - 1] = '\0';
    gets_run outcome;
    outcome.result = DRAXO_gets("Name?", buffer);
    outcome.text = buffer;
    return outcome;
}

TEST(Gets, OkayReturnsWhatTheFieldHoldsUpTo255Characters) {
    test::open_package();
    gets_run outcome = run_gets([](ws::dialog d) {
        EXPECT_EQ(ws::null::control_text(d, gets_edit_id), "");  // a fresh field
        EXPECT_EQ(ws::null::control_text(d, gets_prompt_id), "Name?" + std::string(74, ' '));
        ws::null::dialog_command(d, gets_okay_id);
    });
    EXPECT_EQ(outcome.result, 1);
    EXPECT_EQ(outcome.text, "");

    outcome = run_gets([](ws::dialog d) {
        ws::null::set_control_text(d, gets_edit_id, std::string(300, 'x'));
        ws::null::dialog_command(d, gets_okay_id);
    });
    EXPECT_EQ(outcome.text, std::string(255, 'x'));
    EXPECT_EQ(ws::null::open_dialog(), nullptr);
}

TEST(Gets, AfterTheStopReturnsZeroWithoutADialog) {
    test::open_package();
    DRAXO_stop();  // the drawing window stays on the screen
    bool asked = false;
    gets_run outcome = run_gets([&asked](ws::dialog d) {
        if (!d) return;
        asked = true;
        ws::null::dialog_command(d, gets_okay_id);
    });
    EXPECT_FALSE(asked) << "DRAXO_gets opened its dialog over the closed package's window";
    EXPECT_EQ(outcome.result, 0);
    EXPECT_EQ(outcome.text, std::string(255, '#'));
}

TEST(Gets, TheSizedFormNeverWritesBeyondItsSize) {
    test::open_package();
    char buffer[16];
    std::memset(buffer, '#', sizeof buffer);
    ws::null::schedule(10, [] {
        ws::dialog d = ws::null::open_dialog();
        ws::null::set_control_text(d, gets_edit_id, "much longer than eight");
        ws::null::dialog_command(d, gets_okay_id);
    });
    EXPECT_EQ(DRAXO_gets_n("Name?", buffer, 8), 1);
    EXPECT_STREQ(buffer, "much lo");
    EXPECT_EQ(std::string(buffer + 8, 8), std::string(8, '#'));
    EXPECT_EQ(DRAXO_gets_n("Name?", buffer, 0), 0);  // no room at all: no dialog
    EXPECT_EQ(ws::null::open_dialog(), nullptr);
}

TEST(Gets, ADialogWindowDestroyedFromOutsideEndsAsAQuitWould) {
    test::open_package();
    gets_run outcome = run_gets([](ws::dialog d) {
        ws::null::set_control_text(d, gets_edit_id, "unsent");
        ws::null::destroy_dialog_window(d);
    });
    EXPECT_EQ(outcome.result, 0);
    EXPECT_EQ(outcome.text, std::string(gets_result_size - 1, '#'));
    EXPECT_EQ(ws::null::open_dialog(), nullptr);
    EXPECT_FALSE(package.drawing_window->input_disabled);  // the drawing window takes input again
    int x, y;
    char key;
    EXPECT_EQ(DRAXO_next_event(&x, &y, &key), DRAXO_QUIT);
}

TEST(Gets, EscapeAndTheCloseBoxLeaveTheDialogOpen) {
    test::open_package();
    gets_run outcome = run_gets([](ws::dialog d) {
        ws::null::set_control_text(d, gets_edit_id, "kept");
        ws::null::dialog_command(d, ws::IDCANCEL);
        ws::null::dialog_command(d, ws::IDOK);  // Enter with no default button: not Okay either
        EXPECT_EQ(ws::null::open_dialog(), d);
        ws::null::dialog_command(d, gets_okay_id);
    });
    EXPECT_EQ(outcome.text, "kept");
}

TEST(Gets, TheDrawingWindowTicksAndRepaintsButTakesNoInputMeanwhile) {
    test::open_package();
    test::pump_messages();
    event_control.tick_arrived = 0;
    gets_run outcome = run_gets([](ws::dialog d) {
        display.frame_dirty = 1;
        ws::invalidate(package.drawing_window);
        test::inject_press(package.drawing_window, 30, 40);
        ws::null::schedule(250, [d] { ws::null::dialog_command(d, gets_okay_id); });
    });
    EXPECT_EQ(outcome.result, 1);
    EXPECT_EQ(event_control.tick_arrived, 1);  // the ticks were marked for the event wait
    EXPECT_EQ(display.frame_dirty, 0);         // the paint copied the frame buffer
    ws::message m;
    while (ws::peek_message(m)) EXPECT_NE(m.id, ws::WM_LBUTTONDOWN);  // the press was not taken
}

TEST(Gets, AQuitWhileTheDialogIsOpenClosesItAndIsKeptForTheEventWait) {
    test::open_package();
    gets_run outcome = run_gets([](ws::dialog d) {
        ws::null::set_control_text(d, gets_edit_id, "unsent");
        ws::post_quit_message(0);
    });
    EXPECT_EQ(outcome.result, 0);
    EXPECT_EQ(outcome.text, std::string(gets_result_size - 1, '#'));
    EXPECT_EQ(ws::null::open_dialog(), nullptr);
    int x, y;
    char key;
    EXPECT_EQ(DRAXO_next_event(&x, &y, &key), DRAXO_QUIT);
}

}  // namespace
}  // namespace draxo

namespace draxo {
namespace {

// Runs DRAXO_gets_n with a prompt while the user types `typed` and presses Okay.
std::string typed_into(const std::string& typed, int size, const char* prompt = "Name?",
                       std::string* prompt_shown = nullptr) {
    std::vector<char> buffer(static_cast<std::size_t>(size) + 8, '#');
    ws::null::schedule(10, [typed, prompt_shown] {
        ws::dialog d = ws::null::open_dialog();
        if (prompt_shown) *prompt_shown = ws::null::control_text(d, gets_prompt_id);
        ws::null::set_control_text(d, gets_edit_id, typed);
        ws::null::dialog_command(d, gets_okay_id);
    });
    EXPECT_EQ(DRAXO_gets_n(prompt, buffer.data(), size), 1);
    EXPECT_EQ(std::string(buffer.data() + size, 8), std::string(8, '#'));  // nothing beyond the size
    return buffer.data();
}

const std::string kueche =
                      "K\xC3\xBC"
                      "che",
                  omega = "\xCE\xA9\xCE\xBC\xCE\xAD\xCE\xB3\xCE\xB1", ni_hao = "\xE4\xBD\xA0\xE5\xA5\xBD";

TEST(GetsEncoding, Latin1UnlessUtf8IsAskedFor) {
    test::open_package();
    DRAXO_set_input_encoding(DRAXO_LATIN1);  // as at the start of a program
    EXPECT_EQ(typed_into(kueche, 256),
              "K\xFC"
              "che");
    EXPECT_EQ(typed_into(omega + " " + ni_hao, 256), "????? ??");

    EXPECT_EQ(DRAXO_set_input_encoding(DRAXO_UTF8), DRAXO_LATIN1);
    EXPECT_EQ(typed_into(kueche, 256),
              "K\xC3\xBC"
              "che");  // equal to the program's own "Küche"
    EXPECT_EQ(typed_into(omega, 256), omega);
    EXPECT_EQ(typed_into(ni_hao, 256), ni_hao);
    EXPECT_EQ(DRAXO_set_input_encoding(DRAXO_LATIN1), DRAXO_UTF8);
    EXPECT_EQ(typed_into(kueche, 256),
              "K\xFC"
              "che");
}

TEST(GetsEncoding, TheUtf8LimitCountsBytesAndNeverSplitsACharacter) {
    test::open_package();
    DRAXO_set_input_encoding(DRAXO_UTF8);
    const std::string text = "ab" + ni_hao;  // 2 + 3 + 3 bytes
    EXPECT_EQ(typed_into(text, 9), text);
    EXPECT_EQ(typed_into(text, 8), "ab\xE4\xBD\xA0");
    EXPECT_EQ(typed_into(text, 6), "ab\xE4\xBD\xA0");
    EXPECT_EQ(typed_into(text, 5), "ab");
    EXPECT_EQ(typed_into(text, 3), "ab");
    // DRAXO_gets: 255 bytes at most; 85 three-byte characters fill them exactly.
    std::string many;
    for (int i = 0; i < 100; ++i) many += ni_hao.substr(0, 3);
    EXPECT_EQ(typed_into(many, 256), many.substr(0, 255));
    EXPECT_EQ(typed_into("x" + many, 256), "x" + many.substr(0, 252));
}

TEST(GetsEncoding, AnUnknownEncodingIsReportedAndChangesNothing) {
    test::open_package();
    DRAXO_set_input_encoding(DRAXO_LATIN1);
    std::size_t mark = test::console_mark();
    EXPECT_EQ(DRAXO_set_input_encoding(7), DRAXO_LATIN1);
    EXPECT_EQ(test::console_since(mark),
              std::vector<std::string>{"Input encoding 7 not possible, keeping Latin-1\n"});
    EXPECT_EQ(typed_into(kueche, 256),
              "K\xFC"
              "che");
}

TEST(GetsEncoding, APromptInUtf8ShowsItsCharacters) {
    test::open_package();
    std::string shown;
    typed_into("", 256,
               ("Wie hei\xC3\x9F"
                "t " +
                omega + "?")
                   .c_str(),
               &shown);
    EXPECT_EQ(shown,
              "Wie hei\xC3\x9F"
              "t " +
                  omega + "?" + std::string(79 - 16, ' '));
    // A Latin-1 prompt as before.
    typed_into("", 256,
               "Gr\xFC\xDF"
               "e?",
               &shown);
    EXPECT_EQ(shown,
              "Gr\xC3\xBC\xC3\x9F"
              "e?" +
                  std::string(79 - 6, ' '));
    // A character of two 16-bit halves that would not fit whole gives way to a space.
    const std::string emoji = "\xF0\x9F\x98\x80";
    typed_into("", 256, (std::string(78, 'a') + emoji).c_str(), &shown);
    EXPECT_EQ(shown, std::string(78, 'a') + " ");
    typed_into("", 256, (std::string(77, 'a') + emoji).c_str(), &shown);
    EXPECT_EQ(shown, std::string(77, 'a') + emoji);
}

}  // namespace
}  // namespace draxo
