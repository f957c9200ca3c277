// The contract suite's driver on the template backend: its stubs take no
// input and show nothing, so only the cases of windows and images run on it
// (tests/CMakeLists.txt); what a port replaces the stubs with then runs the
// rest through a driver of its own.
#include "contract_driver.h"

namespace draxo::contract {

abilities what_the_backend_can() {
    abilities can;
    can.input = can.shows = can.dialogs = false;
    return can;
}

void click(ws::window, int, int) {}
void type(ws::window, char32_t) {}
void choose_menu_item(ws::window, const std::string&, const std::string&) {}
void close_box(ws::window) {}
void request_termination() {}
void answer_dialog(const std::string&, const std::string&) {}
void let_time_pass(int) {}
bool shown_pixel(ws::window, int, int, std::uint32_t&) { return false; }

}  // namespace draxo::contract
