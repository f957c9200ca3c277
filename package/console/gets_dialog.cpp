// DRAXO_gets: the in-memory template of its dialog, built afresh on every call, and its dialog procedure.
#include "gets_dialog.h"

#include <algorithm>
#include <cstdint>
#include <string>

#include "console.h"
#include "draxo.h"
#include "operation_guard.h"
#include "text/text_encoding.h"

namespace draxo {

namespace {

constexpr const char* gets_caption = "DRAXO_gets";
constexpr std::uint32_t gets_dialog_style =
    ws::WS_POPUP | ws::WS_VISIBLE | ws::WS_CAPTION | ws::WS_SYSMENU | ws::DS_MODALFRAME;  // 0x90C80080
constexpr std::uint32_t gets_edit_style = ws::WS_CHILD | ws::WS_VISIBLE | ws::WS_BORDER | ws::WS_TABSTOP |
                                          ws::ES_MULTILINE | ws::ES_AUTOVSCROLL;  // 0x50810044
constexpr std::uint32_t gets_okay_style =
    ws::WS_CHILD | ws::WS_VISIBLE | ws::WS_TABSTOP | ws::BS_DEFPUSHBUTTON;  // 0x50010001
constexpr std::uint32_t gets_prompt_style =
    ws::WS_CHILD | ws::WS_VISIBLE | ws::WS_GROUP | ws::SS_LEFT;  // 0x50020000

// Writes little-endian fields into the template, front to back.
class template_writer {
public:
    explicit template_writer(gets_template& out) : out_(out) { out_.fill(0); }

    void word(std::uint16_t value) {
        out_.at(at_++) = static_cast<unsigned char>(value & 0xFFu);
        out_.at(at_++) = static_cast<unsigned char>(value >> 8);
    }
    void dword(std::uint32_t value) {
        word(static_cast<std::uint16_t>(value & 0xFFFFu));
        word(static_cast<std::uint16_t>(value >> 16));
    }
    // One 16-bit character per byte, taken as unsigned (Latin-1), then a zero.
    void text(const char* s) {
        for (; *s; ++s) word(static_cast<unsigned char>(*s));
        word(0);
    }
    void align4() {
        while (at_ % 4) ++at_;  // the buffer is already zero
    }
    void item(std::uint32_t style, int x, int y, int cx, int cy, unsigned id, unsigned class_atom) {
        align4();
        dword(style);
        dword(0);  // extended style
        word(static_cast<std::uint16_t>(x));
        word(static_cast<std::uint16_t>(y));
        word(static_cast<std::uint16_t>(cx));
        word(static_cast<std::uint16_t>(cy));
        word(static_cast<std::uint16_t>(id));
        word(0xFFFF);  // class given by its atom
        word(static_cast<std::uint16_t>(class_atom));
    }

private:
    gets_template& out_;
    std::size_t at_ = 0;
};

}  // namespace

void build_gets_template(const char* prompt, gets_template& out) {
    template_writer t(out);
    t.dword(gets_dialog_style);
    t.dword(0);  // extended style
    t.word(3);   // items
    t.word(50);  // x, y, width, height in dialog units
    t.word(50);
    t.word(185);
    t.word(92);
    t.word(0);  // no menu
    t.word(0);  // the default dialog class
    t.text(gets_caption);

    t.item(gets_edit_style, 8, 30, 167, 37, gets_edit_id, ws::CONTROL_EDIT);
    t.text("");
    t.word(0);  // no creation data

    t.item(gets_okay_style, 67, 74, 50, 14, gets_okay_id, ws::CONTROL_BUTTON);
    t.text("Okay");
    t.word(0);

    // The prompt: exactly 79 16-bit characters, padded with spaces. A
    // character beyond the first 65536 takes two; one whose second half
    // would fall beyond the 79th gives way to a space.
    t.item(gets_prompt_style, 8, 3, 167, 24, gets_prompt_id, ws::CONTROL_STATIC);
    const std::u16string shown = text::utf16_of_utf8(text::text_as_utf8(prompt ? prompt : ""));
    std::size_t length = std::min<std::size_t>(shown.size(), gets_prompt_length);
    if (length > 0 && shown[length - 1] >= 0xD800 && shown[length - 1] <= 0xDBFF) --length;
    for (std::size_t i = 0; i < static_cast<std::size_t>(gets_prompt_length); ++i)
        t.word(i < length ? shown[i] : u' ');
    t.word(0);
    t.word(0);
}

ws::lresult gets_dialog_proc(ws::dialog d, unsigned id, ws::wparam wp, ws::lparam lp) {
    switch (id) {
    case ws::WM_INITDIALOG:
        console.gets_result = reinterpret_cast<char*>(lp);
        return 1;  // the focus goes to the first tab stop, the edit field
    case ws::WM_COMMAND:
        if (wp != gets_okay_id) return 0;  // Escape and the close box do not end it
        (console.input_utf8 ? ws::get_dlg_item_text_utf8 : ws::get_dlg_item_text)(
            d, gets_edit_id, console.gets_result, console.gets_result_size);
        ws::end_dialog(d, 1);
        return 1;
    default: return 0;
    }
}

}  // namespace draxo

using namespace draxo;

namespace {

// Runs the dialog for a caller's buffer of `size` bytes.
int run_gets_dialog(const char* prompt, char* result, int size) {
    if (!result || size <= 0) return 0;  // nowhere to put the line
    if (!package.open) return 0;         // no drawing window to own the dialog
    if (console.answer_gets) return console.answer_gets(result, size);
    gets_template dialog_template;
    build_gets_template(prompt, dialog_template);
    console.gets_result_size = size;
    // Fails (-1) when the drawing window has been destroyed.
    ws::lresult ended =
        ws::dialog_box_indirect(dialog_template.data(), dialog_template.size(), package.drawing_window,
                                gets_dialog_proc, reinterpret_cast<ws::lparam>(result));
    // Okay ends the dialog with 1; anything else (no dialog, or a quit
    // message that closed it) leaves the buffer as it was.
    return ended == 1 ? 1 : 0;
}

}  // namespace

extern "C" int DRAXO_gets(const char* prompt, char* result) try {
    if (!on_package_thread(__func__)) return 0;
    return run_gets_dialog(prompt, result, gets_result_size);
} catch (...) {
    return operation_failed(__func__, 0);
}

extern "C" int DRAXO_gets_n(const char* prompt, char* result, int size) try {
    if (!on_package_thread(__func__)) return 0;
    return run_gets_dialog(prompt, result, size);
} catch (...) {
    return operation_failed(__func__, 0);
}

extern "C" int DRAXO_set_input_encoding(int encoding) try {
    if (!on_package_thread(__func__)) return -1;
    const int previous = console.input_utf8 ? DRAXO_UTF8 : DRAXO_LATIN1;
    if (encoding != DRAXO_LATIN1 && encoding != DRAXO_UTF8) {
        console_printf("Input encoding %d not possible, keeping %s\n", encoding,
                       console.input_utf8 ? "UTF-8" : "Latin-1");
        return previous;
    }
    console.input_utf8 = encoding == DRAXO_UTF8;
    return previous;
} catch (...) {
    return operation_failed(__func__, -1);
}
