// The window-system layer: everything the package needs from the desktop,
// in the classic desktop's terms (window classes and procedures, one message
// queue, message timers, menus with check marks, images and fonts).
//
// The package is written against this header only. The layer keeps its own
// FIFO of messages so that the package can take exactly one message per pass
// of its event wait; native events are turned into messages and appended.
// Messages are taken in this order: queued (posted and input) messages first,
// then the quit message, then paint requests, then due timers, so that a quit
// or a tick never overtakes input that arrived before it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace draxo::ws {

struct window_record;
struct menu_record;
struct image_record;
struct font_record;
struct dialog_record;
using window = window_record*;
using menu = menu_record*;
using image = image_record*;
using font = font_record*;
using dialog = dialog_record*;

using wparam = std::uintptr_t;
using lparam = std::intptr_t;
using lresult = std::intptr_t;
using window_proc = lresult (*)(window, unsigned, wparam, lparam);
// A dialog procedure answers nonzero for a message it handled, 0 otherwise.
using dialog_proc = lresult (*)(dialog, unsigned, wparam, lparam);

// A colour as the palette stores it: 0x00BBGGRR, red in the low byte.
using colorref = std::uint32_t;

// Message ids and parameter packing follow the classic desktop conventions.
enum : unsigned {
    WM_NULL = 0x0000,
    WM_CREATE = 0x0001,
    WM_DESTROY = 0x0002,
    WM_SIZE = 0x0005,
    WM_SETFOCUS = 0x0007,
    WM_KILLFOCUS = 0x0008,
    WM_PAINT = 0x000F,
    WM_CLOSE = 0x0010,
    WM_QUIT = 0x0012,
    WM_KEYDOWN = 0x0100,
    WM_KEYUP = 0x0101,
    WM_CHAR = 0x0102,
    WM_SYSKEYDOWN = 0x0104,
    WM_SYSKEYUP = 0x0105,
    WM_SYSCHAR = 0x0106,
    WM_INITDIALOG = 0x0110,
    WM_COMMAND = 0x0111,
    WM_TIMER = 0x0113,
    WM_MOUSEMOVE = 0x0200,
    WM_LBUTTONDOWN = 0x0201,
    WM_LBUTTONUP = 0x0202,
    WM_RBUTTONDOWN = 0x0204,
    WM_RBUTTONUP = 0x0205,
    WM_MBUTTONDOWN = 0x0207,
    WM_MBUTTONUP = 0x0208,
};

// Mouse-message key state in wparam.
enum : unsigned {
    MK_LBUTTON = 0x0001,
    MK_RBUTTON = 0x0002,
    MK_SHIFT = 0x0004,
    MK_CONTROL = 0x0008,
    MK_MBUTTON = 0x0010
};

// Virtual-key codes (letters and digits are their upper-case ASCII codes).
enum : unsigned {
    VK_BACK = 0x08,
    VK_TAB = 0x09,
    VK_RETURN = 0x0D,
    VK_SHIFT = 0x10,
    VK_CONTROL = 0x11,
    VK_MENU = 0x12,
    VK_PAUSE = 0x13,
    VK_CAPITAL = 0x14,
    VK_ESCAPE = 0x1B,
    VK_SPACE = 0x20,
    VK_PRIOR = 0x21,
    VK_NEXT = 0x22,
    VK_END = 0x23,
    VK_HOME = 0x24,
    VK_LEFT = 0x25,
    VK_UP = 0x26,
    VK_RIGHT = 0x27,
    VK_DOWN = 0x28,
    VK_INSERT = 0x2D,
    VK_DELETE = 0x2E,
    VK_F1 = 0x70,
    VK_F10 = 0x79,
};

// Window styles.
enum : unsigned {
    WS_OVERLAPPED = 0x00000000,
    WS_POPUP = 0x80000000,
    WS_CHILD = 0x40000000,
    WS_VISIBLE = 0x10000000,
    WS_DISABLED = 0x08000000,
    WS_CAPTION = 0x00C00000,
    WS_BORDER = 0x00800000,
    WS_VSCROLL = 0x00200000,
    WS_HSCROLL = 0x00100000,
    WS_SYSMENU = 0x00080000,
    WS_THICKFRAME = 0x00040000,
    WS_MINIMIZEBOX = 0x00020000,
    WS_MAXIMIZEBOX = 0x00010000,
    // For controls in a dialog, the same bits mean:
    WS_GROUP = 0x00020000,
    WS_TABSTOP = 0x00010000,
    WS_OVERLAPPEDWINDOW =
        WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX,
};

// Dialog styles.
enum : unsigned { DS_SETFONT = 0x0040, DS_MODALFRAME = 0x0080 };

// Predefined control classes, as atoms in a dialog template.
enum : unsigned { CONTROL_BUTTON = 0x0080, CONTROL_EDIT = 0x0081, CONTROL_STATIC = 0x0082 };

// Control styles.
enum : unsigned {
    BS_PUSHBUTTON = 0x0000,
    BS_DEFPUSHBUTTON = 0x0001,
    ES_LEFT = 0x0000,
    ES_MULTILINE = 0x0004,
    ES_AUTOVSCROLL = 0x0040,
    ES_AUTOHSCROLL = 0x0080,
    ES_READONLY = 0x0800,
    ES_WANTRETURN = 0x1000,
    SS_LEFT = 0x0000,
    SS_CENTER = 0x0001,
    SS_RIGHT = 0x0002,
    SS_LEFTNOWORDWRAP = 0x000C,
};

// Command ids a dialog sends of its own accord: Enter without a default
// button, and Escape or the close box.
enum : unsigned { IDOK = 1, IDCANCEL = 2 };

// Class styles. CS_DEVICE_PIXELS is the layer's own: the client area of such
// a window counts the screen's own pixels, so that what is drawn into it (the
// console's text) is as fine as the screen allows. Without it, a window's
// client area counts the desktop's logical pixels and the screen shows each
// of them as a square of the screen's whole scale factor (the drawing
// window, whose frame buffer has one pixel per unit on every screen); its
// mouse positions are logical too. Geometry and the screen size are logical.
enum : unsigned { CS_VREDRAW = 0x0001, CS_HREDRAW = 0x0002, CS_DEVICE_PIXELS = 0x40000000 };

// Show commands.
enum : int {
    SW_HIDE = 0,
    SW_SHOWNORMAL = 1,
    SW_SHOWMINIMIZED = 2,
    SW_SHOWMAXIMIZED = 3,
    SW_SHOWNOACTIVATE = 4,
    SW_SHOW = 5,
    SW_MINIMIZE = 6,
    SW_SHOWMINNOACTIVE = 7,
    SW_SHOWNA = 8,
    SW_RESTORE = 9,
    SW_SHOWDEFAULT = 10,
};

// Menu item flags.
enum : unsigned {
    MF_STRING = 0x0000,
    MF_BYCOMMAND = 0x0000,
    MF_UNCHECKED = 0x0000,
    MF_GRAYED = 0x0001,
    MF_DISABLED = 0x0002,
    MF_CHECKED = 0x0008,
    MF_POPUP = 0x0010,
    MF_SEPARATOR = 0x0800,
};

// The modifier keys held at a key or mouse message (message::modifiers).
enum : int { HELD_SHIFT = 1, HELD_CONTROL = 2, HELD_ALT = 4 };

struct message {
    window hwnd = nullptr;
    unsigned id = WM_NULL;
    wparam w = 0;
    lparam l = 0;
    // The character a key-down produces, for translate_message; -1 for none.
    int character = -1;
    // The modifier keys held when the input happened (HELD_*), as the backend
    // saw them; -1 when not known (posted messages): key_held tells them now.
    int modifiers = -1;
};

struct rect {
    int left = 0, top = 0, right = 0, bottom = 0;
};

struct extent {
    int cx = 0, cy = 0;
};

inline lparam make_lparam(int low, int high) {
    return static_cast<lparam>((static_cast<std::uint32_t>(low) & 0xFFFFu) |
                               ((static_cast<std::uint32_t>(high) & 0xFFFFu) << 16));
}

// --- Opening and closing the layer ----------------------------------------

// Opens the window system (the display) once; later calls report the first
// answer. False, with the reason, when there is no display to open windows
// on. Every other entry of the layer needs it to have succeeded. On a dense
// screen windows are enlarged by the screen's whole scale factor, but never
// so far that a window of `must_fit` (logical pixels, outer size) would not
// fit the screen: then by the largest factor at which it does.
bool init(std::string& why_not, extent must_fit = {});
// Closes the window system at the end of the process: every window, timer
// and dialog is dead from then on. Runs once, by itself, at exit.
void quit();

// The layer is used from one thread: the first that asks here. True on that
// thread, false on any other (whose calls must not reach the layer).
bool on_layer_thread();

// A request to end the program (SIGTERM, SIGINT, SIGHUP; the console's
// control events) becomes a quit message. A program busy computing takes it
// only at its next wait: when it has taken no quit message this long after
// the request, the backend ends it as the request would have without the
// package, after calling the function given here, on a thread of its own
// (the package writes what a recording holds).
constexpr int termination_grace_ms = 3000;
void on_forced_end(void (*last_words)());

// Runs without a screen, for unattended runs; asked for before init. The
// windows are made, sized, painted and drawn into as usual, but shown only
// in the layer's own records: nothing goes to a display, so none is needed.
// Every window's client area is then its outer size, less a menu bar of
// `headless_menu_bar_height` rows when it has one: the same on every
// platform and machine, whatever their frames and menu fonts.
void set_headless();
bool headless();
constexpr int headless_menu_bar_height = 19;

// --- Windows ------------------------------------------------------------

// Registers a window class; registering a name again replaces it.
void register_class(const char* name, unsigned class_style, window_proc proc, colorref background);
bool class_registered(const char* name);

// Creates a hidden top-level window; x, y, width and height are its outer
// geometry. WM_CREATE and then the first WM_SIZE (with the client size) reach
// the procedure before this returns. Returns null for an unknown class.
window create_window(const char* class_name, const char* title, unsigned style, int x, int y, int width,
                     int height);
// Sends WM_DESTROY, then removes the window. Later messages for it are dropped.
void destroy_window(window w);
bool is_window(window w);
// Returns whether the window was visible before the call.
bool show_window(window w, int show_command);
bool window_visible(window w);
rect client_rect(window w);
extent screen_size();

lresult send_message(window w, unsigned id, wparam wp, lparam lp);
// The default handling: WM_CLOSE destroys the window, WM_PAINT validates it,
// F10 (WM_SYSKEYDOWN) opens its menu bar; other messages are ignored.
lresult def_window_proc(window w, unsigned id, wparam wp, lparam lp);

// --- Messages -----------------------------------------------------------

// Takes at most one message without waiting; false when there is none.
bool peek_message(message& out);
// Blocks until a message can be taken (returns at once if one can).
void wait_message();
// Whether a key is held down now, as the keyboard reports it (Ctrl, Shift
// and Alt: VK_CONTROL, VK_SHIFT, VK_MENU).
bool key_held(unsigned virtual_key);
// A key-down that produces a character queues WM_CHAR (WM_SYSCHAR with Alt)
// right behind it, ahead of everything else already queued; true when it did.
bool translate_message(const message& m);
lresult dispatch_message(const message& m);
void post_message(window w, unsigned id, wparam wp, lparam lp);
void post_quit_message(int exit_code);
// A message timer: each expiry marks the timer due; a due timer is taken as
// one WM_TIMER (wparam = id) when nothing else is waiting.
void set_timer(window w, unsigned id, unsigned period_ms);
void kill_timer(window w, unsigned id);

// --- Painting -------------------------------------------------------------

// A window is due for WM_PAINT after it is shown or resized. begin_paint
// erases its client area with the class background and validates it.
void begin_paint(window w);
void end_paint(window w);
void invalidate(window w);

// --- Menus ----------------------------------------------------------------

menu create_menu();
menu create_popup_menu();
// id_or_popup is the command id, or the popup menu for MF_POPUP.
void append_menu(menu m, unsigned flags, std::uintptr_t id_or_popup, const char* text);
void set_menu(window w, menu m);
void draw_menu_bar(window w);
// Sets or clears the check mark of the item with this command id; returns
// the previous state (MF_CHECKED or MF_UNCHECKED), or -1 if there is no such item.
int check_menu_item(menu m, unsigned id, unsigned flags);

struct menu_item {
    unsigned flags = 0;
    std::uintptr_t id = 0;
    std::string text;
    menu popup = nullptr;
};
int menu_item_count(menu m);
menu_item menu_item_at(menu m, int position);
menu window_menu(window w);

// --- Dialogs --------------------------------------------------------------

// Runs a modal dialog from an in-memory template of `size` bytes: a dialog
// record followed by its item records, each item on a 4-byte boundary from
// the start of the template, little-endian, texts as 16-bit characters ended
// by a 16-bit zero. Positions and sizes are dialog units of the dialog's
// font; the dialog's position is relative to the owner's client area.
//
// The procedure gets WM_INITDIALOG (lparam `init`; a nonzero answer puts the
// focus on the first tab-stop control), then WM_COMMAND for its controls:
// wparam is the control's id for a button click, the default button's id for
// Enter (IDOK when there is none), IDCANCEL for Escape and the close box;
// lparam is 0. Neither Escape nor the close box ends the dialog by itself.
//
// While the dialog is open the owner takes no input of its own (messages
// posted to it still arrive), and the layer keeps taking, translating and
// dispatching the queued messages of every window: paints, timers, posted
// messages. A quit message taken meanwhile ends the dialog and is put back
// for the next take. A dialog window destroyed by another program ends the
// dialog as a quit would, and posts the quit message.
//
// Returns the result given to end_dialog; 0 when the dialog closed without
// one (a quit message, or the owner was destroyed); -1 when no dialog could
// be shown (no live owner, no procedure, a malformed template, a control
// class other than button, edit and static).
lresult dialog_box_indirect(const void* dialog_template, std::size_t size, window owner, dialog_proc proc,
                            lparam init);
// Copies a control's text as 8-bit Latin-1 into buffer: at most max - 1
// characters and a NUL; returns the number of characters copied. Characters
// outside Latin-1 read as '?'; a multi-line edit gives its line breaks as
// "\r\n". An unknown id gives the empty text.
int get_dlg_item_text(dialog d, unsigned id, char* buffer, int max);
// The same in UTF-8: at most max - 1 bytes and a NUL, cut between two
// characters, never inside one; returns the number of bytes copied.
int get_dlg_item_text_utf8(dialog d, unsigned id, char* buffer, int max);
// Ends the dialog: dialog_box_indirect returns `result` once the procedure
// has returned.
void end_dialog(dialog d, lresult result);

// --- Images, surfaces, fonts -----------------------------------------------

// Pixel access: 32-bit pixels 0xffRRGGBB, `stride` pixels per row.
struct pixels {
    std::uint32_t* bits = nullptr;
    int width = 0;
    int height = 0;
    int stride = 0;
};

image create_image(int width, int height);
void delete_image(image img);
pixels image_pixels(image img);
void fill_image(image img, colorref color);
// The window's client-area surface: what the window shows. It follows the
// client size; its pixels are valid until the window is resized.
image window_surface(window w);
// The window's surface changed: what changed goes to the screen at once, or,
// when it was last shown less than a frame ago, at the frame's end
// (ws_present.h); it never waits for the screen.
void surface_changed(window w);
// Shows the window's surface on the screen before returning.
void present_now(window w);
// Encodes the pixels of `area` (right and bottom exclusive) as a PNG file's
// bytes, 24 bits a pixel, into `png`. False, leaving `png` empty, when the
// image is null or the area is empty or not wholly inside the image.
bool encode_png(image img, const rect& area, std::vector<unsigned char>& png);

inline std::uint32_t pixel_of(colorref c) {
    return 0xFF000000u | ((c & 0xFFu) << 16) | (c & 0xFF00u) | ((c >> 16) & 0xFFu);
}

struct text_metrics {
    int height = 0;  // ascent + descent: the character cell
    int ascent = 0;
    int descent = 0;
    int internal_leading = 0;
    int external_leading = 0;
    int average_width = 0;
};

// A font request: a negative height asks for that character height (without
// internal leading), a positive one for that cell height, 0 for the default.
// Unknown faces get the platform's default face.
font create_font(int height, int weight, const char* face);
void delete_font(font f);
// The stock fixed-pitch font, at the screen's density (for windows of
// CS_DEVICE_PIXELS); never deleted.
font stock_fixed_font();
// The font of a fresh drawing context; never deleted.
font system_font();
text_metrics font_metrics(font f);
// Text here is UTF-8 (see text/text_encoding.h); `length` counts bytes. Characters the
// font lacks come from the platform's fallback fonts.
extent text_extent(font f, const char* text, int length);
// Draws UTF-8 text with the top-left of its cell at (x, y).
void draw_text(image target, font f, int x, int y, const char* text, int length, colorref color, bool opaque,
               colorref background);

}  // namespace draxo::ws
