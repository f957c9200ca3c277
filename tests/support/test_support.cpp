// Helpers for tests that open the package, on any backend.
#include "test_support.h"

#include <gtest/gtest.h>

#include <string>

#include "console/console.h"
#include "surface/display.h"
#include "surface/palette.h"

namespace draxo::test {

namespace {

struct DRAXO_instance_tag_stand_in {
    int unused;
} instance_stand_in;

// Counts every line the console stores, so that a test can read the lines
// printed since a mark even after the ring has wrapped around.
std::size_t lines_stored = 0;
char* counting_allocator(std::size_t size) {
    ++lines_stored;
    return new char[size];
}
[[maybe_unused]] const bool counting_installed = [] {
    console.allocate_line = counting_allocator;
    return true;
}();
}  // namespace

HINSTANCE test_instance() { return reinterpret_cast<HINSTANCE>(&instance_stand_in); }

void open_window_system() {
    std::string why_not;
    if (!ws::init(why_not)) ADD_FAILURE() << why_not;
}

ws::window make_dialog_owner() {
    open_window_system();
    ws::register_class("Owner", 0, ws::def_window_proc, 0xFFFFFF);
    ws::window w = ws::create_window("Owner", "Owner", ws::WS_CAPTION, 0, 0, 400, 300);
    ws::show_window(w, ws::SW_SHOWNORMAL);
    return w;
}

void open_package() {
    static char command_line[] = "";
    DRAXO_start(test_instance(), nullptr, command_line, ws::SW_SHOWNORMAL);
}

int pump_messages() {
    int count = 0;
    ws::message m;
    while (ws::peek_message(m)) {
        if (m.id == ws::WM_QUIT) continue;
        ws::translate_message(m);
        ws::dispatch_message(m);
        ++count;
    }
    return count;
}

std::vector<std::string> console_ring() {
    std::vector<std::string> lines;
    int slot = console.console_first;
    for (int count = 0; slot >= 0 && !(slot == console.console_next && count != 0); ++count) {
        lines.emplace_back(console.console_lines[slot] ? console.console_lines[slot] : "");
        slot = slot == console_ring_size - 1 ? 0 : slot + 1;
    }
    return lines;
}

std::size_t console_mark() { return lines_stored; }

std::vector<std::string> console_since(std::size_t mark) {
    std::vector<std::string> lines = console_ring();
    std::size_t fresh = lines_stored - mark;
    if (fresh > lines.size()) fresh = lines.size();
    return std::vector<std::string>(lines.end() - static_cast<long>(fresh), lines.end());
}

std::uint32_t frame_pixel(int column, int row) {
    ws::pixels px = ws::image_pixels(display.frame_buffer);
    return px.bits[row * px.stride + column] & 0xFFFFFFu;
}

std::uint32_t logical_pixel(int x, int y) { return frame_pixel(display.origin_x + x, display.origin_y - y); }

std::uint32_t surface_pixel(ws::window w, int column, int row) {
    ws::pixels px = ws::image_pixels(ws::window_surface(w));
    return px.bits[row * px.stride + column] & 0xFFFFFFu;
}

std::uint32_t rgb_of(int color) { return ws::pixel_of(palette_rgb[color]) & 0xFFFFFFu; }

}  // namespace draxo::test
