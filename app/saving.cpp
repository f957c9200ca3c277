// The designer's files: opening the card file named at start, the two save
// buttons, and the notes that tell the user what they did.
#include "saving.h"

#include <filesystem>
#include <system_error>

#include "card_files.h"
#include "card_format.h"
#include "draxo.h"
#include "files/utf8_files.h"

namespace cards {
namespace {

// A card file that this designer may not replace gives way to a free name
// beside it; false when there is none.
bool claim_card_file(designer_state& state) {
    if (state.card_file_ours) return true;
    std::string fresh = free_name_beside(state.card_file);
    if (fresh.empty()) {
        show_note(state, "Not saved: no free name beside\n" + file_name_of(state.card_file), true);
        return false;
    }
    state.card_file = fresh;
    state.card_file_ours = true;
    return true;
}

}  // namespace

void open_card_file(const std::string& path, designer_state& state) {
    state.card_file = path.empty() ? default_card_file : path;
    std::string name = file_name_of(state.card_file);
    if (path.empty()) {
        // Nothing was named: a card file already there is not this card's.
        std::error_code ignored;
        state.card_file_ours = !std::filesystem::exists(draxo::files::link_status_of(state.card_file, ignored));
        return;
    }
    bool missing = false;
    card_reading reading = read_card_file(state.card_file, missing);
    state.card_file_ours = reading.ok || missing;
    if (reading.ok) {
        show_card(reading.value, state);
    } else if (!missing) {
        std::string where = reading.line > 0 ? name + ", line " + std::to_string(reading.line) : name;
        show_note(state, "Cannot open " + where + ":\n" + reading.error, true, note_until_click);
    }
}

void save_card(designer_state& state) {
    if (!claim_card_file(state)) return;
    std::string name = file_name_of(state.card_file), why_not;
    if (replace_file(state.card_file, format_card(card_of(state)), why_not))
        show_note(state, "Saved " + name, false);
    else
        show_note(state, name + " not saved:\n" + why_not, true);
}

void save_picture(designer_state& state) {
    if (!claim_card_file(state)) return;
    std::string picture = picture_file_for(state.card_file), name = file_name_of(picture);
    if (DRAXO_save_picture(picture.c_str(), -140, -150, 220, 200)) {
        show_note(state, "Saved " + name, false);
    } else {
        // The package has put the reason on the console.
        DRAXO_show_console(1);
        show_note(state, name + " not saved:\nthe console says why", true);
    }
}

}  // namespace cards
