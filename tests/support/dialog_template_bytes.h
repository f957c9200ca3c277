// Dialog templates for tests, written the way a program lays one out in
// memory, and a small form to run.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "window_system/window_system.h"

namespace draxo::test {

// Writes a dialog template the way a program lays one out in memory.
struct template_bytes {
    std::vector<unsigned char> bytes;
    template_bytes& word(unsigned value) {
        bytes.push_back(static_cast<unsigned char>(value & 0xFF));
        bytes.push_back(static_cast<unsigned char>((value >> 8) & 0xFF));
        return *this;
    }
    template_bytes& dword(std::uint32_t value) { return word(value & 0xFFFF).word(value >> 16); }
    template_bytes& text(const std::u16string& s) {
        for (char16_t c : s) word(c);
        return word(0);
    }
    template_bytes& align() {
        while (bytes.size() % 4) bytes.push_back(0);
        return *this;
    }
    // An item of a predefined class, 60 x 12 units, placed by its id.
    template_bytes& item(std::uint32_t style, unsigned id, unsigned atom, const std::u16string& title) {
        align().dword(style).dword(0).word(5).word(id * 4 - 35).word(60).word(12).word(id);
        return word(0xFFFF).word(atom).text(title).word(0);
    }
};

constexpr std::uint32_t child = ws::WS_CHILD | ws::WS_VISIBLE | ws::WS_TABSTOP;
constexpr std::uint32_t dialog_style = 0x90C80080;

// A one-line field (10), a multi-line field that wants Enter (11), a push
// button (20) and the default button (21).
inline std::vector<unsigned char> form_template() {
    template_bytes t;
    t.dword(dialog_style).dword(0).word(4).word(10).word(20).word(160).word(80).word(0).word(0).text(u"Form");
    t.item(child | ws::WS_BORDER, 10, ws::CONTROL_EDIT, u"start");
    t.item(child | ws::ES_MULTILINE | ws::ES_WANTRETURN, 11, ws::CONTROL_EDIT, u"");
    t.item(child, 20, ws::CONTROL_BUTTON, u"Other");
    t.item(child | ws::BS_DEFPUSHBUTTON, 21, ws::CONTROL_BUTTON, u"Go");
    return t.bytes;
}

}  // namespace draxo::test
