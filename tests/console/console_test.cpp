// The console: its ring of 25 lines, printing, repainting, the logging
// switch, showing and hiding, and keys passed on to the drawing window.
#include "console/console.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>

#include "events/run_menu.h"
#include "support/null_support.h"
#include "support/test_support.h"
#include "surface/display.h"
#include "window_system/backend.h"

namespace draxo {
namespace {

std::vector<std::string> numbered(int from, int to) {
    std::vector<std::string> lines;
    for (int i = from; i <= to; ++i) lines.push_back("line " + std::to_string(i) + "\n");
    return lines;
}

TEST(ConsoleRing, FillsItsSlotsThenReplacesTheOldestLine) {
    EXPECT_EQ(console.console_first, -1);
    EXPECT_EQ(console.console_next, 0);
    DRAXO_console_printf("line %d\n", 1);
    EXPECT_EQ(console.console_first, 0);
    EXPECT_EQ(console.console_next, 1);
    for (int i = 2; i <= 25; ++i) DRAXO_console_printf("line %d\n", i);
    EXPECT_EQ(console.console_first, 0);
    EXPECT_EQ(console.console_next, 0);
    EXPECT_EQ(test::console_ring(), numbered(1, 25));
    DRAXO_console_printf("line %d\n", 26);
    EXPECT_EQ(console.console_first, 1);
    EXPECT_EQ(console.console_next, 1);
    EXPECT_STREQ(console.console_lines[0], "line 26\n");
    EXPECT_EQ(test::console_ring(), numbered(2, 26));
}

TEST(ConsolePrintf, ReturnsTheFormattersCountAndStoresOneLinePerCall) {
    EXPECT_EQ(DRAXO_console_printf("%s", ""), 0);
    EXPECT_EQ(DRAXO_console_printf("a\nb\n"), 4);
    EXPECT_EQ(DRAXO_console_printf("x%cy", 0), 3);  // stored up to the NUL
    EXPECT_EQ(test::console_ring(), (std::vector<std::string>{"", "a\nb\n", "x"}));
}

TEST(ConsolePrintf, OutputBeyond1023CharactersIsCutAtTheBuffer) {
    std::string long_text(3000, 'z');
    EXPECT_EQ(DRAXO_console_printf("%s!", long_text.c_str()), 3001);
    ASSERT_EQ(test::console_ring().size(), 1u);
    EXPECT_EQ(test::console_ring()[0], std::string(1023, 'z'));
}

TEST(ConsolePrintf, AUtf8LineIsCutBetweenTwoCharacters) {
    std::string e_acute;
    for (int i = 0; i < 600; ++i) e_acute += "\xC3\xA9";
    EXPECT_EQ(DRAXO_console_printf("%s", e_acute.c_str()), 1200);
    ASSERT_EQ(test::console_ring().size(), 1u);
    EXPECT_EQ(test::console_ring()[0], e_acute.substr(0, 1022));
}

char* failing_allocator(std::size_t) { return nullptr; }

TEST(ConsolePrintf, AFailedAllocationLeavesTheRingAsItWas) {
    for (int i = 1; i <= 25; ++i) DRAXO_console_printf("line %d\n", i);
    auto saved = console.allocate_line;
    console.allocate_line = failing_allocator;
    EXPECT_EQ(DRAXO_console_printf("lost\n"), 5);
    console.allocate_line = saved;
    EXPECT_EQ(console.console_first, 0);
    EXPECT_EQ(console.console_next, 0);
    EXPECT_EQ(test::console_ring(), numbered(1, 25));
    DRAXO_console_printf("line 26\n");
    EXPECT_EQ(test::console_ring(), numbered(2, 26));
}

// The conversions of C99 that the Windows system's own printf lacks or
// reads otherwise: sizes, chars, long doubles, long longs.
TEST(ConsolePrintf, FormatsAsC99OnEveryPlatform) {
    EXPECT_EQ(DRAXO_console_printf("%zu %hhd %Lf %lld %jd|", std::size_t{7}, static_cast<signed char>(-3), 1.5L,
                                   -9000000000LL, static_cast<std::intmax_t>(42)),
              29);
    EXPECT_EQ(test::console_ring(), std::vector<std::string>{"7 -3 1.500000 -9000000000 42|"});
}

TEST(ConsolePrintf, PrintsIntoTheRingBeforeThePackageIsOpen) {
    EXPECT_EQ(DRAXO_console_printf("early %d\n", 1), 8);
    test::open_package();
    EXPECT_EQ(test::console_ring(), std::vector<std::string>{"early 1\n"});
}

TEST(ConsolePrintf, ANullFormatPrintsAnEmptyLine) {
    test::open_package();
    std::size_t mark = test::console_mark();
    EXPECT_EQ(DRAXO_console_printf(nullptr), 0);
    EXPECT_EQ(test::console_since(mark), std::vector<std::string>{""});
}

TEST(ConsoleShowLine, RemovesOneTrailingNewlineInPlace) {
    test::open_package();
    char text[] = "two\n\n";
    console_show_line(text);
    EXPECT_STREQ(text, "two\n");
    char inner[] = "a\nb";
    console_show_line(inner);
    EXPECT_STREQ(inner, "a\nb");
}

// The bottom rows of the console window that hold anything but white.
int inked_rows_from_bottom(ws::window w) {
    ws::pixels px = ws::image_pixels(ws::window_surface(w));
    int highest = px.height;
    for (int row = 0; row < px.height; ++row)
        for (int column = 0; column < px.width; ++column)
            if ((px.bits[row * px.stride + column] & 0xFFFFFFu) != 0xFFFFFFu && row < highest) highest = row;
    return px.height - highest;
}

int line_height() {
    ws::text_metrics m = ws::font_metrics(ws::stock_fixed_font());
    return m.height + m.external_leading;
}

TEST(ConsoleWindow, RepaintReplaysTheRingOldestFirst) {
    test::open_package();
    test::pump_messages();
    for (int i = 1; i <= 30; ++i) DRAXO_console_printf("line %d\n", i);
    ws::pixels px = ws::image_pixels(ws::window_surface(console.console_window));
    std::vector<std::uint32_t> printed(px.bits, px.bits + px.stride * px.height);

    // Hiding and showing repaints from the ring with the same steps, so the
    // window looks exactly as it did.
    DRAXO_show_console(0);
    DRAXO_show_console(1);
    test::pump_messages();
    px = ws::image_pixels(ws::window_surface(console.console_window));
    std::vector<std::uint32_t> replayed(px.bits, px.bits + px.stride * px.height);
    EXPECT_EQ(printed, replayed);
    // The stored lines lost their trailing newline at their first repaint.
    EXPECT_EQ(test::console_ring().back(), "line 30");
}

TEST(ConsoleWindow, AnEmptyRingRepaintsToBackgroundAndFewLinesStayAtTheBottom) {
    test::open_package();
    test::pump_messages();
    EXPECT_EQ(inked_rows_from_bottom(console.console_window), 0);
    DRAXO_console_printf("one\n");
    DRAXO_console_printf("two\n");
    int inked = inked_rows_from_bottom(console.console_window);
    EXPECT_GT(inked, line_height());
    EXPECT_LE(inked, 2 * line_height());
    ws::invalidate(console.console_window);
    test::pump_messages();
    EXPECT_EQ(inked_rows_from_bottom(console.console_window), inked);
}

std::vector<std::uint32_t> console_pixels() {
    ws::pixels px = ws::image_pixels(ws::window_surface(console.console_window));
    return std::vector<std::uint32_t>(px.bits, px.bits + px.stride * px.height);
}

// The console repainted from a ring that holds nothing but this line.
std::vector<std::uint32_t> console_showing(const char* line) {
    for (int i = 0; i < console_ring_size; ++i) DRAXO_console_printf("%s\n", line);
    ws::invalidate(console.console_window);
    test::pump_messages();
    return console_pixels();
}

TEST(ConsoleWindow, ALineIsShownAsUtf8OrLatin1AsAWhole) {
    test::open_package();
    test::pump_messages();
    // The null backend draws one box a character, whatever the character:
    // a line shows as many boxes as it has characters, not bytes.
    EXPECT_EQ(console_showing("\xCE\xA9\xCE\xBC\xCE\xAD\xCE\xB3\xCE\xB1"), console_showing("ABCDE"));
    EXPECT_EQ(console_showing("Gr\xC3\xBC\xC3\x9F"
                              "e"),
              console_showing("Grxxe"));
    EXPECT_EQ(console_showing("Gr\xFC\xDF"
                              "e"),
              console_showing("Grxxe"));
    EXPECT_EQ(console_showing("\xE4\xBD\xA0\xE5\xA5\xBD"), console_showing("xx"));
    // One Latin-1 byte makes the whole line Latin-1: every byte a character.
    EXPECT_EQ(console_showing("\xC3\xA9 \xFF"), console_showing("xx x"));
    // The ring keeps the bytes as printed.
    DRAXO_console_printf("\xE4\xBD\xA0\xE5\xA5\xBD, \xFC\n");
    EXPECT_EQ(test::console_ring().back(), "\xE4\xBD\xA0\xE5\xA5\xBD, \xFC\n");
}

TEST(ConsoleWindow, PrintingDrawsAtOnceWithoutTheEventLoop) {
    test::open_package();
    test::pump_messages();
    int presented = ws::null::presents(console.console_window);
    DRAXO_console_printf("now\n");
    EXPECT_GT(inked_rows_from_bottom(console.console_window), 0);
    // ... and puts it on the screen before it returns, not at the next wait.
    EXPECT_EQ(ws::null::presents(console.console_window), presented + 1);
}

TEST(ConsoleWindow, ClosingHidesItAndShowingBringsItBackWithItsLines) {
    test::open_package();
    test::pump_messages();
    DRAXO_console_printf("kept\n");
    ws::native_close_requested(console.console_window);  // its close box
    test::pump_messages();
    EXPECT_TRUE(ws::is_window(console.console_window));
    EXPECT_FALSE(ws::window_visible(console.console_window));
    EXPECT_EQ(DRAXO_show_console(1), 0);  // it was hidden
    EXPECT_TRUE(ws::window_visible(console.console_window));
    test::pump_messages();
    EXPECT_GT(inked_rows_from_bottom(console.console_window), 0);
    EXPECT_EQ(DRAXO_show_console(1), 1);  // it was visible
}

TEST(ConsoleWindow, KeysArePassedOnToTheDrawingWindow) {
    test::open_package();
    test::pump_messages();
    ws::post_message(console.console_window, ws::WM_KEYDOWN, ws::VK_CONTROL, 0x001D0001);
    ws::post_message(console.console_window, ws::WM_KEYUP, 'L', 0x40260001);
    ws::message m;
    ASSERT_TRUE(ws::peek_message(m));
    ws::dispatch_message(m);
    ASSERT_TRUE(ws::peek_message(m));
    ws::dispatch_message(m);
    ASSERT_TRUE(ws::peek_message(m));
    EXPECT_EQ(m.hwnd, package.drawing_window);
    EXPECT_EQ(m.id, ws::WM_KEYDOWN);
    EXPECT_EQ(m.w, ws::VK_CONTROL);
    EXPECT_EQ(m.l, 0x001D0001);
    ASSERT_TRUE(ws::peek_message(m));
    EXPECT_EQ(m.hwnd, package.drawing_window);
    EXPECT_EQ(m.id, ws::WM_KEYUP);
    EXPECT_EQ(m.w, static_cast<ws::wparam>('L'));
}

TEST(ConsoleWindow, AfterTheStopKeysGoNowhere) {
    test::open_package();
    DRAXO_stop();  // both windows stay on the screen
    test::pump_messages();
    ws::post_message(console.console_window, ws::WM_KEYDOWN, 'L', 0x00260001);
    for (ws::message m; ws::peek_message(m);) {
        EXPECT_FALSE(m.hwnd == package.drawing_window && m.id == ws::WM_KEYDOWN)
            << "a key typed into the console reached the closed package's drawing window";
        ws::dispatch_message(m);
    }
}

TEST(Logging, NeedsTheOpenPackage) {
    EXPECT_EQ(DRAXO_set_logging(0), 0);
    EXPECT_TRUE(console.logging);
    EXPECT_EQ(DRAXO_show_console(1), 0);
}

TEST(Logging, AnyNonZeroFlagSwitchesItOnChecksTheItemAndShowsTheConsole) {
    test::open_package();
    DRAXO_show_console(0);
    EXPECT_EQ(DRAXO_set_logging(0), 1);
    EXPECT_FALSE(console.logging);
    EXPECT_EQ(ws::menu_item_at(event_control.run_menu, 4).flags & ws::MF_CHECKED, 0u);
    EXPECT_FALSE(ws::window_visible(console.console_window));

    EXPECT_EQ(DRAXO_set_logging(7), 1);
    EXPECT_TRUE(console.logging);
    EXPECT_EQ(ws::menu_item_at(event_control.run_menu, 4).flags & ws::MF_CHECKED, ws::MF_CHECKED);
    EXPECT_TRUE(ws::window_visible(console.console_window));

    // Switching it off leaves a visible console visible.
    DRAXO_set_logging(0);
    EXPECT_TRUE(ws::window_visible(console.console_window));
}

}  // namespace
}  // namespace draxo
