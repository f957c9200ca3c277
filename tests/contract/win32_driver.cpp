// The contract suite's driver on the Win32 backend, under Wine: real input
// through the system's input queue (SendInput) to the window in front, the
// native menu's own command ids, the close box's system command, and the
// screen read back through the window's device context. A console's
// Ctrl+C is the Win32 backend's request to end, tested with it
// (tests/win32/).
#include <memory>

#include "contract_driver.h"
#include "support/win32_support.h"
#include "text/text_encoding.h"

namespace draxo::contract {
namespace {

std::wstring wide(const std::string& ascii) { return std::wstring(ascii.begin(), ascii.end()); }

}  // namespace

abilities what_the_backend_can() { return abilities{}; }

void click(ws::window w, int x, int y) {
    HWND hwnd = ws::win32::hwnd_of(w);
    EXPECT_TRUE(test::bring_to_front(hwnd));
    POINT at{x, y};
    ClientToScreen(hwnd, &at);
    test::click_screen(at.x, at.y);
}

void type(ws::window w, char32_t code_point) {
    EXPECT_TRUE(test::bring_to_front(ws::win32::hwnd_of(w)));
    test::type_character(static_cast<wchar_t>(code_point));
}

void choose_menu_item(ws::window w, const std::string& title, const std::string& item) {
    // The command the system posts when the item is chosen, with the id the
    // native menu holds for it.
    HMENU bar = GetMenu(ws::win32::hwnd_of(w));
    for (int i = 0; i < GetMenuItemCount(bar); ++i) {
        wchar_t text[64] = {};
        GetMenuStringW(bar, static_cast<UINT>(i), text, 64, MF_BYPOSITION);
        HMENU popup = GetSubMenu(bar, i);
        if (wide(title) != text || !popup) continue;
        for (int j = 0; j < GetMenuItemCount(popup); ++j) {
            GetMenuStringW(popup, static_cast<UINT>(j), text, 64, MF_BYPOSITION);
            if (wide(item) == text) PostMessageW(ws::win32::hwnd_of(w), WM_COMMAND, GetMenuItemID(popup, j), 0);
        }
    }
}

void close_box(ws::window w) { PostMessageW(ws::win32::hwnd_of(w), WM_SYSCOMMAND, SC_CLOSE, 0); }

void request_termination() {}

void answer_dialog(const std::string& title, const std::string& utf8) {
    // Kept until the process ends: the dialog's loop runs the step.
    static std::unique_ptr<test::native_driver> driver;
    const std::u16string utf16 = text::utf16_of_utf8(utf8);
    const std::wstring text(utf16.begin(), utf16.end());
    driver = std::make_unique<test::native_driver>(std::vector<test::native_driver::step>{[title, text] {
        HWND dialog = FindWindowW(nullptr, wide(title).c_str());
        if (!dialog || GetForegroundWindow() != dialog) return false;
        for (wchar_t c : text) test::type_character(c);
        test::tap_key(VK_RETURN);
        return true;
    }});
}

void let_time_pass(int ms) { MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(ms), QS_ALLINPUT); }

bool shown_pixel(ws::window w, int x, int y, std::uint32_t& rgb) {
    HWND hwnd = ws::win32::hwnd_of(w);
    HDC dc = GetDC(hwnd);
    COLORREF shown = GetPixel(dc, x, y);
    ReleaseDC(hwnd, dc);
    if (shown == CLR_INVALID) return false;
    rgb = ((shown & 0xFFu) << 16) | (shown & 0xFF00u) | ((shown >> 16) & 0xFFu);
    return true;
}

}  // namespace draxo::contract
