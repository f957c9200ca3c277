// Building the Run menu when the drawing window is created, and its check marks.
#include "run_menu.h"

#include <cstdint>

#include "console/console.h"

namespace draxo {

namespace {

struct run_menu_item {
    unsigned id;
    const char* text;
    unsigned flags;
};

constexpr run_menu_item run_menu_items[] = {
    {CMD_ANIMATE, "&Animate\tCtrl+A", ws::MF_STRING},
    {CMD_HALT, "&Halt animation\tCtrl+H", ws::MF_STRING},
    {CMD_ADVANCE_FRAME, "Advance one &frame\tCtrl+F", ws::MF_STRING},
    {0, nullptr, ws::MF_SEPARATOR},
    {CMD_LOGGING, "&Logging\tCtrl+L", ws::MF_STRING | ws::MF_CHECKED},
    {0, nullptr, ws::MF_SEPARATOR},
    {CMD_RECORD_SCRIPT, "&Record Script\tCtrl+R", ws::MF_STRING},
    {CMD_PLAYBACK_SCRIPT, "&Playback Script\tCtrl+P", ws::MF_STRING},
    {CMD_PLAY_ONE, "Play &One Script\tCtrl+O", ws::MF_STRING},
    {0, nullptr, ws::MF_SEPARATOR},
    {CMD_QUIT, "&Quit\tCtrl+Q", ws::MF_STRING},
    {0, nullptr, ws::MF_SEPARATOR},
    {CMD_ABOUT, "DRAXO v2.2 July 1997", ws::MF_STRING | ws::MF_GRAYED},
    {CMD_ABOUT, "MAC: mac@draxo.org", ws::MF_STRING | ws::MF_GRAYED},
    {CMD_ABOUT, "WINDOWS: windows@draxo.org", ws::MF_STRING | ws::MF_GRAYED},
    {CMD_ABOUT, "UPDATES: updates@draxo.org", ws::MF_STRING | ws::MF_GRAYED},
};

}  // namespace

void build_run_menu(ws::window w) {
    ws::menu bar = ws::create_menu();
    event_control.run_menu = ws::create_popup_menu();
    for (const run_menu_item& item : run_menu_items)
        ws::append_menu(event_control.run_menu, item.flags, item.id, item.text);
    ws::append_menu(bar, ws::MF_POPUP, reinterpret_cast<std::uintptr_t>(event_control.run_menu), "&Run");
    ws::set_menu(w, bar);
    ws::draw_menu_bar(w);
    // A drawing window made again after another was closed shows the
    // logging switch as it stands.
    set_run_menu_check(CMD_LOGGING, console.logging);
}

void set_run_menu_check(unsigned command, bool checked) {
    ws::check_menu_item(event_control.run_menu, command,
                        ws::MF_BYCOMMAND | (checked ? ws::MF_CHECKED : ws::MF_UNCHECKED));
}

}  // namespace draxo
