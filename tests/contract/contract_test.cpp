// The backend contract suite: the rules of backend.h that a program sees,
// which every backend passes, driven through its driver (contract_driver.h)
// as the user and the system would. Each case opens the layer in a process
// of its own.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "contract_support.h"
#include "png/png_codec.h"
#include "support/dialog_template_bytes.h"
#include "support/test_support.h"
#include "window_system/backend.h"

namespace ws = draxo::ws;
using namespace draxo::contract;

namespace {

int low_word(ws::lparam l) { return static_cast<int>(static_cast<std::uint32_t>(l) & 0xFFFFu); }
int high_word(ws::lparam l) { return static_cast<int>((static_cast<std::uint32_t>(l) >> 16) & 0xFFFFu); }

int count_received(unsigned id) {
    int count = 0;
    for (const ws::message& m : received) count += m.id == id;
    return count;
}

// Paints a block of the window's surface and reports the change.
void paint_block(ws::window w, int left, int top, int size, std::uint32_t rgb) {
    ws::pixels px = ws::image_pixels(ws::window_surface(w));
    for (int row = top; row < top + size && row < px.height; ++row)
        for (int column = left; column < left + size && column < px.width; ++column)
            px.bits[row * px.stride + column] = 0xFF000000u | rgb;
}

bool shows(ws::window w, int x, int y, std::uint32_t rgb) {
    std::uint32_t shown = 0;
    return shown_pixel(w, x, y, shown) && shown == rgb;
}

// The first WM_SIZE reaches the procedure before create_window returns,
// after WM_CREATE, with the client size the layer reports from then on, and
// the window's surface has that size; the window is made hidden.
TEST(Contract, WindowsReportTheirClientSizeBeforeCreateWindowReturns) {
    ws::window w = make_window("Sized", ws::WS_OVERLAPPEDWINDOW, 30, 30, 300, 200);
    ASSERT_NE(w, nullptr);
    const std::vector<ws::message> at_return = received;
    const ws::message* created = nullptr;
    const ws::message* sized = nullptr;
    for (const ws::message& m : at_return) {
        if (m.id == ws::WM_CREATE && !created) created = &m;
        if (m.id == ws::WM_SIZE && !sized) sized = &m;
    }
    ASSERT_NE(created, nullptr);
    ASSERT_NE(sized, nullptr) << "no WM_SIZE before create_window returned";
    EXPECT_LT(created, sized);
    ws::rect client = ws::client_rect(w);
    EXPECT_EQ(low_word(sized->l), client.right - client.left);
    EXPECT_EQ(high_word(sized->l), client.bottom - client.top);
    // The surface of that size, made from the size the backend reported.
    ASSERT_NE(ws::window_surface(w), nullptr) << "no client size was reported while the window was made";
    EXPECT_EQ(ws::image_pixels(ws::window_surface(w)).width, client.right - client.left);
    EXPECT_EQ(ws::image_pixels(ws::window_surface(w)).height, client.bottom - client.top);
    EXPECT_GT(client.right - client.left, 0);
    EXPECT_GT(client.bottom - client.top, 0);
    EXPECT_LE(client.right - client.left, 300 * what_the_backend_can().scale);
    EXPECT_LE(client.bottom - client.top, 200 * what_the_backend_can().scale);

    EXPECT_FALSE(ws::window_visible(w));
    EXPECT_FALSE(ws::show_window(w, ws::SW_SHOWNORMAL));
    EXPECT_TRUE(ws::window_visible(w));
    EXPECT_TRUE(ws::show_window(w, ws::SW_HIDE));
    EXPECT_FALSE(ws::window_visible(w));
}

// Images are made black, hand out their pixels, and encode any area of
// themselves as a PNG file of exactly those pixels.
TEST(Contract, ImagesAreBlackPixelsThatEncodeToThePngOfTheirArea) {
    draxo::test::open_window_system();
    ws::image img = ws::create_image(7, 5);
    ws::pixels px = ws::image_pixels(img);
    ASSERT_EQ(px.width, 7);
    ASSERT_EQ(px.height, 5);
    ASSERT_GE(px.stride, 7);
    for (int row = 0; row < 5; ++row)
        for (int column = 0; column < 7; ++column) {
            EXPECT_EQ(px.bits[row * px.stride + column], 0xFF000000u);
            px.bits[row * px.stride + column] =
                0xFF000000u | static_cast<std::uint32_t>(row * 0x10203 + column * 0x30201);
        }
    std::vector<unsigned char> png;
    ASSERT_TRUE(ws::encode_png(img, ws::rect{2, 1, 6, 4}, png));
    draxo::png::picture picture;
    std::string why_not;
    ASSERT_TRUE(draxo::png::decode(png.data(), png.size(), picture, why_not)) << why_not;
    ASSERT_EQ(picture.width, 4);
    ASSERT_EQ(picture.height, 3);
    for (int row = 0; row < 3; ++row)
        for (int column = 0; column < 4; ++column)
            EXPECT_EQ(picture.pixels[static_cast<std::size_t>(row * 4 + column)] & 0xFFFFFFu,
                      px.bits[(row + 1) * px.stride + column + 2] & 0xFFFFFFu)
                << column << ", " << row;
    ws::delete_image(img);
}

// A frame presented at once is on the screen when present_now returns; a
// change reported without waiting reaches it within a few frames.
TEST(Contract, ShownFramesAreWhatWasDrawn) {
    if (!what_the_backend_can().shows) GTEST_SKIP() << "nothing shown can be read back";
    ws::window w = make_shown_window("Shown");
    ASSERT_TRUE(pump_until([&] { return ws::window_visible(w) && count_received(ws::WM_PAINT) > 0; }));
    paint_block(w, 0, 0, 4096, 0x2040C0);
    ws::present_now(w);
    EXPECT_TRUE(shows(w, 10, 10, 0x2040C0) && shows(w, 60, 50, 0x2040C0))
        << "the presented frame is not on the screen when present_now returns";
    paint_block(w, 50, 40, 20, 0xE0A010);
    ws::surface_changed(w);
    EXPECT_TRUE(pump_until([&] { return shows(w, 60, 50, 0xE0A010); })) << "the changed block never showed";
}

// A click reaches the window as a left-button press and release at its
// logical point of the client area.
TEST(Contract, InputClicksArriveAtTheirLogicalPoint) {
    if (!what_the_backend_can().input) GTEST_SKIP() << "no input reaches the windows";
    ws::window w = make_shown_window("Clicked");
    ASSERT_TRUE(pump_until([&] { return ws::window_visible(w); }));
    click(w, 30, 45);
    ASSERT_TRUE(pump_until([] { return first_received(ws::WM_LBUTTONUP) != nullptr; }));
    const ws::message* press = first_received(ws::WM_LBUTTONDOWN);
    ASSERT_NE(press, nullptr);
    EXPECT_EQ(count_received(ws::WM_LBUTTONDOWN), 1);
    EXPECT_LT(press, first_received(ws::WM_LBUTTONUP));
    EXPECT_EQ(press->l, ws::make_lparam(30, 45));
    EXPECT_TRUE(press->w & ws::MK_LBUTTON);
}

// A typed character arrives as WM_CHAR: itself within Latin-1, '?' beyond.
TEST(Contract, InputTypedCharactersArriveInLatin1) {
    if (!what_the_backend_can().input) GTEST_SKIP() << "no input reaches the windows";
    ws::window w = make_shown_window("Typed");
    ASSERT_TRUE(pump_until([&] { return ws::window_visible(w); }));
    for (char32_t c : {U'a', U'Z', U'\u00E9', U'\u20AC'}) type(w, c);
    std::vector<ws::wparam> typed;
    ASSERT_TRUE(pump_until([&] {
        typed.clear();
        for (const ws::message& m : received)
            if (m.id == ws::WM_CHAR) typed.push_back(m.w);
        return typed.size() >= 4;
    }));
    EXPECT_EQ(typed, (std::vector<ws::wparam>{'a', 'Z', 0xE9, '?'}));
}

// A periodic timer ticks at its interval, not before, until it is killed.
TEST(Contract, TimersTickAtTheirInterval) {
    ws::window w = make_shown_window("Ticking");
    constexpr int period = 50;
    const double started = ws::backend::now_ms();
    ws::set_timer(w, 7, period);
    std::vector<double> ticks;
    ASSERT_TRUE(pump_until([&] {
        ticks.clear();
        for (std::size_t i = 0; i < received.size(); ++i)
            if (received[i].id == ws::WM_TIMER && received[i].w == 7) ticks.push_back(received_at[i]);
        return ticks.size() >= 4;
    }));
    // Ticks are not early: each takes at least one expiry (late ones
    // coalesce into one tick), so the fourth comes four periods on at the
    // soonest, less the 5% a desktop system's coarse timers may fire early
    // by; and not much later, but for what a busy machine adds.
    EXPECT_GE(ticks[0] - started, period * 0.95 - 2);
    EXPECT_GE(ticks[3] - started, 4 * period * 0.95 - 2);
    EXPECT_LT(ticks[3] - started, 4 * period + 1000);
    ws::kill_timer(w, 7);
    const int before = count_received(ws::WM_TIMER);
    pump_until([] { return false; }, 3 * period);
    EXPECT_EQ(count_received(ws::WM_TIMER), before) << "the killed timer ticked";
}

// Choosing a menu item sends its command to the window of the bar.
TEST(Contract, MenuItemsRunTheirCommands) {
    if (!what_the_backend_can().input) GTEST_SKIP() << "no input reaches the windows";
    ws::window w = make_window("Menus", ws::WS_OVERLAPPEDWINDOW, 40, 40, 320, 240);
    ws::menu bar = ws::create_menu();
    ws::menu run = ws::create_popup_menu();
    ws::append_menu(run, 0, 101, "&Go");
    ws::append_menu(run, 0, 102, "&Stop");
    ws::append_menu(bar, ws::MF_POPUP, reinterpret_cast<std::uintptr_t>(run), "&Run");
    ws::set_menu(w, bar);
    ws::show_window(w, ws::SW_SHOWNORMAL);
    ASSERT_TRUE(pump_until([&] { return ws::window_visible(w); }));
    for (const char* item : {"&Stop", "&Go"}) {
        const std::size_t before = received.size();
        choose_menu_item(w, "&Run", item);
        ASSERT_TRUE(pump_until([&] {
            for (std::size_t i = before; i < received.size(); ++i)
                if (received[i].id == ws::WM_COMMAND) return true;
            return false;
        })) << item;
    }
    std::vector<int> commands;
    for (const ws::message& m : received)
        if (m.id == ws::WM_COMMAND) commands.push_back(static_cast<int>(m.w & 0xFFFFu));
    EXPECT_EQ(commands, (std::vector<int>{102, 101}));
}

// A dialog returns the text typed into its field, read in Latin-1.
std::string field_text;

ws::lresult answer_proc(ws::dialog d, unsigned id, ws::wparam wp, ws::lparam) {
    if (id == ws::WM_INITDIALOG) return 1;
    if (id == ws::WM_COMMAND && (wp == 21 || wp == ws::IDOK)) {
        char buffer[64];
        int length = ws::get_dlg_item_text(d, 10, buffer, sizeof buffer);
        field_text.assign(buffer, static_cast<std::size_t>(length));
        ws::end_dialog(d, 5);
    }
    return 0;
}

TEST(Contract, DialogsReturnWhatWasTyped) {
    if (!what_the_backend_can().dialogs) GTEST_SKIP() << "no dialogs";
    ws::window owner = make_shown_window("Owner");
    ASSERT_TRUE(pump_until([&] { return ws::window_visible(owner); }));
    draxo::test::template_bytes t;
    t.dword(draxo::test::dialog_style)
        .dword(0)
        .word(2)
        .word(10)
        .word(20)
        .word(160)
        .word(60)
        .word(0)
        .word(0)
        .text(u"Answer");
    t.item(draxo::test::child | ws::WS_BORDER, 10, ws::CONTROL_EDIT, u"");
    t.item(draxo::test::child | ws::BS_DEFPUSHBUTTON, 21, ws::CONTROL_BUTTON, u"OK");
    answer_dialog("Answer", "Gr\u00FC\u00DFe \u20AC");
    EXPECT_EQ(ws::dialog_box_indirect(t.bytes.data(), t.bytes.size(), owner, answer_proc, 0), 5);
    EXPECT_EQ(field_text,
              "Gr\xFC\xDF"
              "e ?");
}

// The close box asks the window first (WM_CLOSE); the default handling
// destroys it, and its procedure's quit ends the program's loop.
TEST(Contract, CloseBoxesAskTheWindowAndEndInAQuit) {
    if (!what_the_backend_can().input) GTEST_SKIP() << "no input reaches the windows";
    ws::window w = make_shown_window("Closed");
    ASSERT_TRUE(pump_until([&] { return ws::window_visible(w); }));
    close_box(w);
    ASSERT_TRUE(pump_until(quit_taken));
    const ws::message* asked = first_received(ws::WM_CLOSE);
    ASSERT_NE(asked, nullptr);
    ASSERT_NE(first_received(ws::WM_DESTROY), nullptr);
    EXPECT_LT(asked, first_received(ws::WM_DESTROY));
    EXPECT_FALSE(ws::is_window(w));
}

// The system's request to end the program is the quit message, at every
// wait from then on.
TEST(Contract, TerminationRequestsAreTheQuitAtEveryWait) {
    if (!what_the_backend_can().termination_signals) GTEST_SKIP() << "no termination signals here";
    ws::window w = make_shown_window("Ended");
    ASSERT_TRUE(pump_until([&] { return ws::window_visible(w); }));
    request_termination();
    ASSERT_TRUE(pump_until(quit_taken)) << "the request never became a quit";
    for (int wait = 0; wait < 2; ++wait) {
        ws::message m;
        ws::wait_message();
        ASSERT_TRUE(ws::peek_message(m));
        EXPECT_EQ(m.id, ws::WM_QUIT) << wait;
    }
}

}  // namespace
