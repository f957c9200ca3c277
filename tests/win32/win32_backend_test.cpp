// The Win32 backend: native windows of the layer's classes, real input turned
// into the layer's messages, the menu bar with its system keys, timers, the
// dialog the system makes from the package's template, and GDI text. A
// click at its point and a presented frame on the screen are the contract
// suite's (tests/contract/).
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "console/gets_dialog.h"
#include "support/win32_support.h"
#include "text/text_encoding.h"

namespace ws = draxo::ws;
using draxo::test::bring_to_front;
using draxo::test::pump_until;
using draxo::test::send_key;
using draxo::test::tap_key;
using draxo::test::type_character;

namespace {

std::vector<ws::message> seen;

ws::lresult recording_proc(ws::window w, unsigned id, ws::wparam wp, ws::lparam lp) {
    seen.push_back(ws::message{w, id, wp, lp, -1});
    return ws::def_window_proc(w, id, wp, lp);
}

ws::window make_window(unsigned style = WS_CAPTION | WS_SYSMENU) {
    draxo::test::open_window_system();
    ws::register_class("TestClass", CS_HREDRAW | CS_VREDRAW, recording_proc, 0x00FF00);
    return ws::create_window("TestClass", "Test", style, 10, 20, 300, 200);
}

HWND hwnd_of(ws::window w) { return ws::win32::hwnd_of(w); }

// The layer's messages of one kind seen so far.
std::vector<ws::message> seen_of(unsigned id) {
    std::vector<ws::message> of;
    std::copy_if(seen.begin(), seen.end(), std::back_inserter(of),
                 [id](const ws::message& m) { return m.id == id; });
    return of;
}

bool saw(unsigned id, ws::wparam wp) {
    return std::any_of(seen.begin(), seen.end(), [&](const ws::message& m) { return m.id == id && m.w == wp; });
}

// A popup "&Run" on a bar: Go (1), a separator, Log (4, checked), Old (9, grayed), Quit (8).
ws::menu attach_run_menu(ws::window w) {
    ws::menu bar = ws::create_menu();
    ws::menu run = ws::create_popup_menu();
    ws::append_menu(run, MF_STRING, 1, "&Go\tCtrl+G");
    ws::append_menu(run, MF_SEPARATOR, 0, nullptr);
    ws::append_menu(run, MF_STRING | MF_CHECKED, 4, "&Log");
    ws::append_menu(run, MF_STRING | MF_GRAYED, 9, "Old");
    ws::append_menu(run, MF_STRING, 8, "&Quit\tCtrl+Q");
    ws::append_menu(bar, MF_POPUP, reinterpret_cast<std::uintptr_t>(run), "&Run");
    ws::set_menu(w, bar);
    return run;
}

std::wstring menu_text(HMENU menu, UINT position) {
    wchar_t text[64] = {};
    GetMenuStringW(menu, position, text, 64, MF_BYPOSITION);
    return text;
}

TEST(Win32Windows, ANativeWindowOfTheLayersClassHasTheOuterGeometryAndReportsItsClientArea) {
    seen.clear();
    ws::window w = make_window();
    HWND hwnd = hwnd_of(w);
    ASSERT_NE(hwnd, nullptr);
    wchar_t class_name[32] = {};
    GetClassNameW(hwnd, class_name, 32);
    EXPECT_STREQ(class_name, L"TestClass");
    RECT outer{}, client{};
    GetWindowRect(hwnd, &outer);
    GetClientRect(hwnd, &client);
    EXPECT_EQ(outer.left, 10);
    EXPECT_EQ(outer.top, 20);
    EXPECT_EQ(outer.right - outer.left, 300);
    EXPECT_EQ(outer.bottom - outer.top, 200);
    // The caption and frame come off the outer size; the layer reports the rest.
    EXPECT_LT(client.bottom, 200);
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0].id, WM_CREATE);
    EXPECT_EQ(seen[1].id, WM_SIZE);
    EXPECT_EQ(seen[1].l, ws::make_lparam(client.right, client.bottom));
    EXPECT_EQ(ws::client_rect(w).bottom, client.bottom);

    EXPECT_FALSE(IsWindowVisible(hwnd));
    EXPECT_FALSE(ws::show_window(w, SW_SHOW));
    EXPECT_TRUE(IsWindowVisible(hwnd));
    EXPECT_TRUE(ws::show_window(w, SW_HIDE));
    EXPECT_FALSE(ws::window_visible(w));
}

TEST(Win32Input, AKeyPressCarriesItsCharacterWhichTheLayerTranslatesOnce) {
    ws::window w = make_window();
    ASSERT_TRUE(bring_to_front(hwnd_of(w)));
    seen.clear();
    tap_key('A');
    tap_key(VK_SPACE);
    ASSERT_TRUE(pump_until([] { return seen_of(WM_KEYUP).size() == 2; }));
    draxo::test::pump_for(100);
    std::vector<unsigned> order;
    for (const ws::message& m : seen)
        if (m.id >= WM_KEYDOWN && m.id <= WM_CHAR) order.push_back(m.id);
    EXPECT_EQ(order, (std::vector<unsigned>{WM_KEYDOWN, WM_CHAR, WM_KEYUP, WM_KEYDOWN, WM_CHAR, WM_KEYUP}));
    auto characters = seen_of(WM_CHAR);
    ASSERT_EQ(characters.size(), 2u);
    EXPECT_EQ(characters[0].w, static_cast<ws::wparam>('a'));
    EXPECT_EQ(characters[1].w, static_cast<ws::wparam>(' '));
    EXPECT_EQ(seen_of(WM_KEYDOWN)[0].w, static_cast<ws::wparam>('A'));
}

TEST(Win32Input, CtrlWithALetterIsTheLettersKeyWithTheControlCharacter) {
    ws::window w = make_window();
    ASSERT_TRUE(bring_to_front(hwnd_of(w)));
    seen.clear();
    send_key(VK_CONTROL, false);
    tap_key('Q');
    send_key(VK_CONTROL, true);
    ASSERT_TRUE(pump_until([] { return saw(WM_KEYUP, VK_CONTROL); }));
    EXPECT_TRUE(saw(WM_KEYDOWN, VK_CONTROL));
    EXPECT_TRUE(saw(WM_KEYDOWN, 'Q'));
    EXPECT_TRUE(saw(WM_CHAR, 0x11));
}

// Game input's native side: moves only while a button is held, a drag that
// leaves the window followed to its release there (the mouse captured),
// and the modifier keys held with each key message.
TEST(Win32Input, ADragIsFollowedOutsideTheWindowToItsRelease) {
    ws::window w = make_window();
    ASSERT_TRUE(bring_to_front(hwnd_of(w)));
    POINT start{30, 40}, inside{60, 50}, outside{400, 50};
    for (POINT* p : {&start, &inside, &outside}) ClientToScreen(hwnd_of(w), p);
    draxo::test::mouse_screen(start.x, start.y);
    draxo::test::pump_for(100);
    seen.clear();
    // Each step once the window has taken the one before, as a hand's are.
    auto step = [](POINT p, DWORD change, unsigned id) {
        draxo::test::mouse_screen(p.x, p.y, change);
        return pump_until([id] { return !seen_of(id).empty(); });
    };
    ASSERT_TRUE(step(start, MOUSEEVENTF_RIGHTDOWN, WM_RBUTTONDOWN));
    ASSERT_TRUE(step(inside, 0, WM_MOUSEMOVE));
    draxo::test::mouse_screen(outside.x, outside.y);
    draxo::test::mouse_screen(outside.x, outside.y, MOUSEEVENTF_RIGHTUP);
    draxo::test::mouse_screen(inside.x + 5, inside.y);  // no button held: no move
    ASSERT_TRUE(pump_until([] { return !seen_of(WM_RBUTTONUP).empty(); }));
    draxo::test::pump_for(100);
    auto moves = seen_of(WM_MOUSEMOVE);
    ASSERT_FALSE(moves.empty());
    for (const ws::message& m : moves) EXPECT_TRUE(m.w & MK_RBUTTON);
    EXPECT_EQ(moves.back().l, ws::make_lparam(400, 50));
    EXPECT_EQ(seen_of(WM_RBUTTONUP)[0].l, ws::make_lparam(400, 50));
    EXPECT_EQ(GetCapture(), nullptr);
}

TEST(Win32Input, KeyMessagesCarryTheModifiersHeld) {
    ws::window w = make_window();
    ASSERT_TRUE(bring_to_front(hwnd_of(w)));
    std::vector<ws::message> taken;
    send_key(VK_SHIFT, false);
    tap_key(VK_LEFT);
    send_key(VK_SHIFT, true);
    tap_key(VK_F1);
    // The messages as the queue gives them, modifiers included.
    auto take_until = [&taken](unsigned id, ws::wparam wp) {
        auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(3);
        while (std::chrono::steady_clock::now() < deadline) {
            ws::message m;
            while (ws::peek_message(m)) {
                taken.push_back(m);
                ws::dispatch_message(m);  // paints validate the window
            }
            for (const ws::message& t : taken)
                if (t.id == id && t.w == wp) return true;
            Sleep(2);
        }
        return false;
    };
    ASSERT_TRUE(take_until(WM_KEYUP, VK_F1));
    auto modifiers_of = [&taken](unsigned id, ws::wparam wp) {
        for (const ws::message& m : taken)
            if (m.id == id && m.w == wp) return m.modifiers;
        return -2;
    };
    EXPECT_EQ(modifiers_of(WM_KEYDOWN, VK_LEFT), ws::HELD_SHIFT);
    EXPECT_EQ(modifiers_of(WM_KEYUP, VK_LEFT), ws::HELD_SHIFT);
    EXPECT_EQ(modifiers_of(WM_KEYDOWN, VK_F1), 0);
}

TEST(Win32Input, LatinOneCharactersTypeThemselvesOthersAQuestionMarkAndCtrlIsReadFromTheKeyboard) {
    ws::window w = make_window();
    ASSERT_TRUE(bring_to_front(hwnd_of(w)));
    seen.clear();
    const wchar_t typed[] = {0x00E9, 0x0080, 0x00FF, 0x20AC};  // é, the first and last above ASCII, €
    for (wchar_t c : typed) type_character(c);
    ASSERT_TRUE(pump_until([] { return seen_of(WM_KEYUP).size() == 4; }));
    std::vector<ws::wparam> characters;
    for (const ws::message& m : seen_of(WM_CHAR)) characters.push_back(m.w);
    EXPECT_EQ(characters, (std::vector<ws::wparam>{0xE9, 0x80, 0xFF, '?'}));

    EXPECT_FALSE(ws::key_held(VK_CONTROL));
    send_key(VK_CONTROL, false);
    EXPECT_TRUE(pump_until([] { return ws::key_held(VK_CONTROL); }));
    send_key(VK_CONTROL, true);
    EXPECT_TRUE(pump_until([] { return !ws::key_held(VK_CONTROL); }));
}

// The system's request to end the program (a console's Ctrl+C) arrives on a
// thread of its own and reaches the layer as its quit message, on the
// layer's thread, at every wait from then on. A program still running when
// the grace time is over, though it took the quit, is left to the system,
// which ends it, after the package's last words; a second request is left
// to the system at once.
TEST(Win32Termination, AConsoleCtrlCIsTheQuitAtEveryWaitAndTheGraceTimeEndsTheProgram) {
    draxo::test::open_window_system();
    static std::atomic<int> last_words{0};
    ws::on_forced_end([] { ++last_words; });
    auto started = std::chrono::steady_clock::now();
    std::atomic<BOOL> first{TRUE};
    std::thread handler([&] { first = ws::win32::on_console_event(CTRL_C_EVENT); });
    for (int wait = 0; wait < 3; ++wait) {
        bool quit = false;
        EXPECT_TRUE(pump_until([&] {
            ws::message m;
            while (!quit && ws::peek_message(m)) quit = m.id == WM_QUIT;
            return quit;
        })) << "wait "
            << wait;
    }
    EXPECT_FALSE(ws::win32::on_console_event(CTRL_C_EVENT));
    handler.join();
    auto waited =
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - started);
    EXPECT_FALSE(first);
    EXPECT_EQ(last_words, 1);
    EXPECT_GE(waited.count(), ws::termination_grace_ms - 100);
}

// A blocking poll returns at once for a message that is already in the queue,
// also one the thread has looked at without taking it; only a poll with
// nothing to take sleeps. (A message posted later wakes a poll that slept
// through the first, so the test cannot hang.)
TEST(Win32Poll, ABlockingPollReturnsForAMessageAlreadyInTheQueue) {
    ws::window w = make_window();
    seen.clear();
    PostMessageW(hwnd_of(w), WM_USER + 7, 1, 0);
    MSG look;
    ASSERT_TRUE(PeekMessageW(&look, nullptr, WM_USER + 7, WM_USER + 7, PM_NOREMOVE));  // seen, not new
    std::mutex guard;
    std::condition_variable returned;
    bool poll_returned = false, woken_from_outside = false;
    std::thread later([&] {
        std::unique_lock<std::mutex> lock(guard);
        if (returned.wait_for(lock, std::chrono::seconds(5), [&] { return poll_returned; })) return;
        woken_from_outside = true;
        PostMessageW(hwnd_of(w), WM_USER + 7, 2, 0);
    });
    ws::backend::poll_events(true);
    bool slept;
    {
        std::lock_guard<std::mutex> lock(guard);
        poll_returned = true;
        slept = woken_from_outside;
    }
    returned.notify_one();
    later.join();
    EXPECT_FALSE(slept) << "the poll slept with a message waiting in the queue";
}

TEST(Win32Windows, TheCloseBoxAsksTheWindowAndADestructionFromOutsideIsReported) {
    ws::window w = make_window();
    ws::show_window(w, SW_SHOW);
    seen.clear();
    SendMessageW(hwnd_of(w), WM_SYSCOMMAND, SC_CLOSE, 0);
    ASSERT_TRUE(pump_until([] { return !seen_of(WM_CLOSE).empty(); }));
    // The test's procedure leaves WM_CLOSE to the layer's default: destroyed
    // by the layer, which reports it once.
    EXPECT_FALSE(ws::is_window(w));
    EXPECT_EQ(seen_of(WM_DESTROY).size(), 1u);

    ws::window other = ws::create_window("TestClass", "Other", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100);
    HWND native = hwnd_of(other);
    seen.clear();
    DestroyWindow(native);
    EXPECT_FALSE(ws::is_window(other));
    EXPECT_EQ(seen_of(WM_DESTROY).size(), 1u);
    EXPECT_FALSE(IsWindow(native));
}

TEST(Win32Timers, ExpiriesArriveAsTimerMessagesUntilTheTimerIsKilled) {
    ws::window w = make_window();
    seen.clear();
    ws::set_timer(w, 7, 20);
    ws::wait_message();  // sleeps until the first expiry
    ASSERT_TRUE(pump_until([] { return seen_of(WM_TIMER).size() >= 3; }, 2000));
    EXPECT_EQ(seen_of(WM_TIMER)[0].w, 7u);
    ws::kill_timer(w, 7);
    draxo::test::pump_for(50);
    std::size_t after_kill = seen_of(WM_TIMER).size();
    draxo::test::pump_for(150);
    EXPECT_EQ(seen_of(WM_TIMER).size(), after_kill);
}

TEST(Win32Menus, TheNativeBarMirrorsTheModelAndTakesRowsFromTheClientArea) {
    ws::window w = make_window();
    int before = ws::client_rect(w).bottom;
    attach_run_menu(w);
    HMENU bar = GetMenu(hwnd_of(w));
    ASSERT_NE(bar, nullptr);
    ASSERT_EQ(GetMenuItemCount(bar), 1);
    EXPECT_EQ(menu_text(bar, 0), L"&Run");
    HMENU run = GetSubMenu(bar, 0);
    ASSERT_EQ(GetMenuItemCount(run), 5);
    EXPECT_EQ(menu_text(run, 0), L"&Go\tCtrl+G");
    EXPECT_TRUE(GetMenuState(run, 1, MF_BYPOSITION) & MF_SEPARATOR);
    EXPECT_TRUE(GetMenuState(run, 2, MF_BYPOSITION) & MF_CHECKED);
    EXPECT_TRUE(GetMenuState(run, 3, MF_BYPOSITION) & MF_GRAYED);
    EXPECT_LT(ws::client_rect(w).bottom, before);

    ws::check_menu_item(ws::menu_item_at(ws::window_menu(w), 0).popup, 4, MF_UNCHECKED);
    EXPECT_FALSE(GetMenuState(run, 2, MF_BYPOSITION) & MF_CHECKED);
}

// Whether a popup menu is open: the system shows it as a window of the
// menu class.
bool popup_open() {
    HWND popup = FindWindowW(L"#32768", nullptr);
    return popup && IsWindowVisible(popup);
}

// A step of the native driver that waits until a popup is open (or, with
// `open` false, one timer tick), then presses a key. After five seconds it
// closes whatever menu is open instead, so that the test fails rather than
// waits in the menu loop for ever.
draxo::test::native_driver::step when_popup(bool open, WORD key) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    return [open, key, deadline] {
        if (std::chrono::steady_clock::now() > deadline) {
            EndMenu();
            return true;
        }
        if (open && !popup_open()) return false;
        tap_key(key);
        return true;
    };
}

// The system's own menu keys: Alt with the bar's mnemonic opens the popup,
// whose mnemonic chooses an item; F10 selects the bar, Enter opens it.
// Choosing an item posts its command and leaves check marks to the package.
// Each key waits, inside the system's menu loop, for the menu it is meant for.
TEST(Win32Menus, AltWithTheMnemonicAndF10ChooseItemsThroughTheSystemsMenuLoop) {
    ws::window w = make_window();
    attach_run_menu(w);
    ASSERT_TRUE(bring_to_front(hwnd_of(w)));
    seen.clear();
    {
        draxo::test::native_driver driver({when_popup(true, 'L')});
        send_key(VK_MENU, false);
        tap_key('R');
        send_key(VK_MENU, true);
        ASSERT_TRUE(pump_until([] { return saw(WM_COMMAND, 4); }));
    }
    EXPECT_TRUE(GetMenuState(GetSubMenu(GetMenu(hwnd_of(w)), 0), 2, MF_BYPOSITION) & MF_CHECKED);
    {
        draxo::test::native_driver driver({when_popup(false, VK_RETURN), when_popup(true, 'Q')});
        tap_key(VK_F10);
        ASSERT_TRUE(pump_until([] { return saw(WM_COMMAND, 8); }));
    }
    EXPECT_EQ(seen_of(WM_COMMAND).size(), 2u);
}

// Counts the pixels of an image whose colour (fourth byte left out) is `rgb`.
int count_rgb(ws::image img, std::uint32_t rgb, int left = 0, int top = 0, int right = 1 << 20,
              int bottom = 1 << 20) {
    ws::pixels px = ws::image_pixels(img);
    int count = 0;
    for (int row = std::max(top, 0); row < std::min(bottom, px.height); ++row)
        for (int col = std::max(left, 0); col < std::min(right, px.width); ++col)
            if ((px.bits[row * px.stride + col] & 0xFFFFFFu) == rgb) ++count;
    return count;
}

TEST(Win32Text, TheFontRequestGivesTheCharacterHeightAndTextPaintsOnlyItsGlyphs) {
    draxo::test::open_window_system();
    ws::font f = ws::create_font(-20, 400, "DRAXO-font");
    ws::text_metrics m = ws::font_metrics(f);
    // The system's font mapping may give a pixel more or less than asked.
    EXPECT_NEAR(m.height - m.internal_leading, 20, 1);
    ws::extent extent = ws::text_extent(f, "Hello", 5);
    EXPECT_EQ(extent.cy, m.height);
    EXPECT_GT(extent.cx, 5 * 4);
    EXPECT_EQ(ws::text_extent(f, "", 0).cy, m.height);

    ws::image img = ws::create_image(200, 60);
    ws::fill_image(img, 0xFFFFFF);
    ws::draw_text(img, f, 10, 10, "Hello", 5, 0x0000FF, false, 0);
    int red = count_rgb(img, 0xFF0000);
    EXPECT_GT(red, 30);
    EXPECT_EQ(red, count_rgb(img, 0xFF0000, 10, 10, 10 + extent.cx, 10 + extent.cy));
    // Nothing outside the glyphs changes: the rest stays white.
    int white = count_rgb(img, 0xFFFFFF);
    EXPECT_GT(white, 200 * 60 - extent.cx * extent.cy);

    ws::draw_text(img, f, 10, 10, "Hello", 5, 0x0000FF, true, 0xFF0000);  // blue cell
    EXPECT_GT(count_rgb(img, 0x0000FF, 10, 10, 10 + extent.cx, 10 + extent.cy), extent.cx * extent.cy / 2);
    ws::delete_image(img);
    ws::delete_font(f);

    ws::text_metrics fixed = ws::font_metrics(ws::stock_fixed_font());
    EXPECT_EQ(ws::text_extent(ws::stock_fixed_font(), "iiii", 4).cx,
              ws::text_extent(ws::stock_fixed_font(), "WWWW", 4).cx);
    EXPECT_GT(fixed.height, 0);
}

// The pixels a text paints red on white, as positions from the first one.
std::vector<int> ink_of(ws::font f, const std::string& text) {
    ws::image img = ws::create_image(300, 80);
    ws::fill_image(img, 0xFFFFFF);
    ws::draw_text(img, f, 10, 10, text.data(), static_cast<int>(text.size()), 0x0000FF, false, 0);
    ws::pixels px = ws::image_pixels(img);
    std::vector<int> ink;
    for (int row = 0; row < px.height; ++row)
        for (int column = 0; column < px.width; ++column)
            if ((px.bits[row * px.stride + column] & 0xFFFFFFu) != 0xFFFFFFu)
                ink.push_back(row * px.width + column);
    for (std::size_t i = 1; i < ink.size(); ++i) ink[i] -= ink[0];
    if (!ink.empty()) ink[0] = 0;
    ws::delete_image(img);
    return ink;
}

TEST(Win32Text, Utf8TextDrawsItsOwnCharacters) {
    draxo::test::open_window_system();
    ws::font f = ws::create_font(-32, 400, "DRAXO-font");
    // "Grüße" as UTF-8 reaches the system as the same five characters as
    // the Latin-1 text the package widens.
    EXPECT_EQ(ink_of(f,
                     "Gr\xC3\xBC\xC3\x9F"
                     "e"),
              ink_of(f, draxo::text::text_as_utf8("Gr\xFC\xDF"
                                                  "e")));
    // Greek and Chinese letters each get glyphs of their own, not one box.
    std::vector<std::vector<int>> shapes;
    for (const char* c : {"\xCE\xA9", "\xCE\xBC", "\xE4\xBD\xA0", "\xE5\xA5\xBD"}) {
        std::vector<int> ink = ink_of(f, c);
        EXPECT_GT(ink.size(), 20u) << c;
        for (const std::vector<int>& other : shapes) EXPECT_NE(ink, other) << c;
        shapes.push_back(ink);
    }
    ws::delete_font(f);
}

TEST(Win32Text, ALineWithFallbackCharactersIsMeasuredAsDrawnOnOneBaseline) {
    draxo::test::open_window_system();
    ws::font f = ws::create_font(-32, 400, "DRAXO-font");
    const std::string latin = "Hg", line = "Hg\xE4\xBD\xA0\xE5\xA5\xBD";  // "Hg你好"
    const int width = ws::text_extent(f, line.data(), static_cast<int>(line.size())).cx;
    const int latin_width = ws::text_extent(f, latin.data(), static_cast<int>(latin.size())).cx;
    const ws::text_metrics metrics = ws::font_metrics(f);
    EXPECT_GT(width, latin_width + 32);  // two wide characters more

    // Drawn opaque at (10, 10): the cell's background across the measured
    // width, the Chinese ink right of "Hg" and inside the cell's rows.
    ws::image img = ws::create_image(300, 80);
    ws::fill_image(img, 0xFFFFFF);
    ws::draw_text(img, f, 10, 10, line.data(), static_cast<int>(line.size()), 0x0000FF, true, 0xFF0000);
    ws::pixels px = ws::image_pixels(img);
    auto at = [&](int column, int row) { return px.bits[row * px.stride + column] & 0xFFFFFFu; };
    int chinese_ink = 0;
    for (int row = 0; row < px.height; ++row)
        for (int column = 0; column < px.width; ++column) {
            const bool in_cell = column >= 10 && column < 10 + width && row >= 10 && row < 10 + metrics.height;
            if (!in_cell) {
                ASSERT_EQ(at(column, row), 0xFFFFFFu) << column << "," << row;
                continue;
            }
            ASSERT_NE(at(column, row), 0xFFFFFFu) << column << "," << row;
            chinese_ink += column >= 10 + latin_width && at(column, row) != 0xFF0000u;
        }
    EXPECT_GT(chinese_ink, 60);
    ws::delete_image(img);
    ws::delete_font(f);

    // The console's fixed-pitch font too.
    EXPECT_NE(ink_of(ws::stock_fixed_font(), "\xE4\xBD\xA0"), ink_of(ws::stock_fixed_font(), "\xE5\xA5\xBD"));
    EXPECT_GT(ink_of(ws::stock_fixed_font(), "\xE4\xBD\xA0").size(), 20u);
}

// The test's dialog procedure: Okay (101) ends the dialog with the edit
// field's text; every other command is only noted.
std::vector<unsigned> dialog_commands;
char dialog_text[256];

bool visible_before_shown = false;

ws::lresult gets_like_proc(ws::dialog d, unsigned id, ws::wparam wp, ws::lparam) {
    if (id == WM_INITDIALOG) {
        // The layer places and shows the dialog after this: nothing of it is on the screen yet.
        HWND made = FindWindowW(nullptr, L"DRAXO_gets");
        visible_before_shown = !made || IsWindowVisible(made);
        return 1;
    }
    if (id != WM_COMMAND) return 0;
    dialog_commands.push_back(static_cast<unsigned>(wp));
    if (wp != draxo::gets_okay_id) return 0;
    ws::get_dlg_item_text(d, draxo::gets_edit_id, dialog_text, sizeof dialog_text);
    ws::end_dialog(d, 1);
    return 1;
}

HWND find_dialog() {
    HWND hwnd = FindWindowW(nullptr, L"DRAXO_gets");
    return hwnd && IsWindowVisible(hwnd) && GetForegroundWindow() == hwnd ? hwnd : nullptr;
}

std::wstring class_of(HWND hwnd) {
    wchar_t name[32] = {};
    GetClassNameW(hwnd, name, 32);
    return name;
}

TEST(Win32Dialog, TheSystemMakesTheDialogFromTheTemplateAndItsKeysKeepTheirDialogMeaning) {
    ws::window owner = make_window(WS_OVERLAPPEDWINDOW);
    ASSERT_TRUE(bring_to_front(hwnd_of(owner)));
    draxo::gets_template bytes;
    draxo::build_gets_template("Caf\xe9?", bytes);
    dialog_commands.clear();
    std::strcpy(dialog_text, "untouched");

    bool owner_was_disabled = false, focus_in_edit = false;
    std::wstring prompt, classes;
    draxo::test::native_driver driver({
        [&] {
            HWND dialog = find_dialog();
            if (!dialog) return false;
            owner_was_disabled = !IsWindowEnabled(hwnd_of(owner));
            focus_in_edit = GetFocus() == GetDlgItem(dialog, draxo::gets_edit_id);
            wchar_t text[100] = {};
            GetDlgItemTextW(dialog, draxo::gets_prompt_id, text, 100);
            prompt = text;
            classes = class_of(GetDlgItem(dialog, draxo::gets_edit_id)) + L"," +
                      class_of(GetDlgItem(dialog, draxo::gets_okay_id)) + L"," +
                      class_of(GetDlgItem(dialog, draxo::gets_prompt_id));
            tap_key(VK_ESCAPE);
            draxo::test::type_keys("HI");
            send_key(VK_CONTROL, false);
            tap_key(VK_RETURN);
            send_key(VK_CONTROL, true);
            draxo::test::type_keys("YO");
            return true;
        },
        [&] {
            // Escape asked the procedure, which kept the dialog open.
            if (dialog_commands.empty()) return false;
            tap_key(VK_RETURN);
            return true;
        },
    });
    ws::lresult result = ws::dialog_box_indirect(bytes.data(), bytes.size(), owner, gets_like_proc, 0);
    EXPECT_TRUE(driver.finished());
    EXPECT_EQ(result, 1);
    EXPECT_FALSE(visible_before_shown) << "the dialog was on the screen before the layer showed it";
    EXPECT_TRUE(owner_was_disabled);
    EXPECT_TRUE(focus_in_edit);
    EXPECT_EQ(classes, L"Edit,Button,Static");
    EXPECT_EQ(prompt, std::wstring(L"Caf\u00e9?") + std::wstring(74, L' '));
    EXPECT_EQ(dialog_commands, (std::vector<unsigned>{IDCANCEL, draxo::gets_okay_id}));
    EXPECT_STREQ(dialog_text, "hi\r\nyo");
    EXPECT_TRUE(IsWindowEnabled(hwnd_of(owner)));
    EXPECT_EQ(FindWindowW(nullptr, L"DRAXO_gets"), nullptr);
}

TEST(Win32Dialog, ADialogWindowDestroyedUnderTheLayerEndsTheDialogAsAQuit) {
    ws::window owner = make_window(WS_OVERLAPPEDWINDOW);
    ASSERT_TRUE(bring_to_front(hwnd_of(owner)));
    draxo::gets_template bytes;
    draxo::build_gets_template("", bytes);
    draxo::test::native_driver driver({[] {
        HWND dialog = find_dialog();
        if (dialog) DestroyWindow(dialog);
        return dialog != nullptr;
    }});
    EXPECT_EQ(ws::dialog_box_indirect(bytes.data(), bytes.size(), owner, gets_like_proc, 0), 0);
    EXPECT_TRUE(driver.finished());
    ws::message m;
    EXPECT_TRUE(ws::peek_message(m));
    EXPECT_EQ(m.id, static_cast<unsigned>(WM_QUIT));
    EXPECT_TRUE(IsWindowEnabled(hwnd_of(owner)));
}

}  // namespace
