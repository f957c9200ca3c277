// The Win32 backend of the window-system layer (Windows): its records, its
// state and the helpers its files share. Files of this backend are the only
// ones in the package that include <windows.h>.
//
// The layer's own header is read before <windows.h>, whose macros carry the
// same names and values as the layer's constants (WM_, VK_, WS_, MF_ ...):
// past this point the plain names are the system's macros, and the layer's
// enums are not named with ws:: in this backend.
//
// Text crosses the seam as UTF-8 and goes to the system's wide functions as
// UTF-16, so every character keeps its own code whatever the system's code
// page.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "../backend.h"
#include "text/text_encoding.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

namespace draxo::ws {

// A 32-bit top-down DIB section. The core writes its pixels straight into
// the section's bits; GDI draws text into it through a memory context of
// its own, made when first needed.
struct image_record {
    HBITMAP bitmap = nullptr;
    std::uint32_t* bits = nullptr;
    int width = 0;
    int height = 0;
    HDC dc = nullptr;
    HGDIOBJ dc_previous = nullptr;
    HFONT dc_font = nullptr;  // the kept font selected in dc, if any
};

struct font_record {
    HFONT handle = nullptr;
    bool owns_handle = false;  // false: a stock font, or one kept by request
    text_metrics metrics;
};

namespace win32 {

// The native side of a package window.
struct native_window {
    HWND hwnd = nullptr;
    bool destroying = false;  // the layer is destroying it
    // Screen pixels a logical pixel of its geometry takes, and a pixel of
    // its surface (1 for a window of CS_DEVICE_PIXELS).
    int geometry_scale = 1;
    int surface_scale = 1;
};

// The native side of a dialog.
struct native_dialog {
    HWND hwnd = nullptr;
    HWND owner = nullptr;
    bool owner_disabled = false;  // disabled here, to be enabled again
    bool destroying = false;      // the layer is destroying it
};

// Everything this backend keeps between calls, from init to quit.
struct platform_state {
    HINSTANCE instance = nullptr;
    HWND termination_window = nullptr;  // takes the system's requests to end the program
    HDC measure_dc = nullptr;           // a memory context for font metrics and extents
    HFONT measure_font = nullptr;       // the kept font selected in measure_dc, if any
    // The character that the key-down being dispatched produces, taken from
    // the character message that translating it queued (-1: none).
    int pending_character = -1;
    std::vector<dialog> dialogs;  // open native dialogs, innermost last
    std::map<font_request, font_record> fonts;
    font_record stock_fixed;
    font_record system;
    // The screen's density as a whole factor: screen pixels a logical pixel
    // takes (2 at 192 dpi, 1 at 144). The process is declared aware of the
    // screen's density, so the system stretches none of its windows.
    int scale = 1;
};
platform_state& platform();

// The timer of a frame the core asked for (backend::schedule_frame). Its id
// lies far above the ids the package gives its own timers.
constexpr UINT_PTR frame_timer_id = 0x7FFF0001u;

native_window* native_of(window w);
HWND hwnd_of(window w);
// A window's surface pixels a screen pixel belongs to (1 when unknown).
int surface_scale_of(window w);
// The package window of a native window, or null.
window window_of(HWND hwnd);
HMENU native_of(menu m);
native_dialog* native_of(dialog d);
// The image's memory context, with the bitmap selected.
HDC image_dc(image img);

// Selects a font into a context for one use. Selecting a font is costly
// (the system realizes it for the display each time), so a font kept by
// request stays selected until another one is needed: `selected` records
// it. A font made for one command is put back at once by the guard.
class font_selection {
public:
    font_selection(HDC dc, HFONT& selected, const font_record& f);
    ~font_selection();
    font_selection(const font_selection&) = delete;
    font_selection& operator=(const font_selection&) = delete;

private:
    HDC dc_;
    HGDIOBJ previous_ = nullptr;
};

// A stretch of a line drawn in one font; null: the line's own font.
struct text_run {
    HFONT font;
    std::size_t start, length;
};
// The runs of a line for its font `own`, which is selected in `dc`
// (win32_fallback.cpp): each character the font lacks in the first fallback
// face that has it. True from in_own_font when the font has them all.
std::vector<text_run> runs_of(HDC dc, HFONT own, const std::wstring& text);
bool in_own_font(const std::vector<text_run>& runs);

// UTF-8 to UTF-16 and back.
std::wstring widen(const char* text, int length);
std::wstring widen(const std::string& text);
std::string narrow(const wchar_t* text, int length);

// The handler of the console's control events (Ctrl+C, Ctrl+Break, the
// console closed, logging off, shutting down), which the system calls on a
// thread of its own: the first becomes a request to end the program, taken
// on the layer's thread; a second is left to the system (FALSE).
BOOL WINAPI on_console_event(DWORD event);

// The native message loop's step for one message: dialog keys, the key's
// character, dispatch.
void handle_native_message(MSG& msg);

}  // namespace win32
}  // namespace draxo::ws
