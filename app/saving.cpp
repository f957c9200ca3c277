// The designer's files: opening the card file named at start, the two save
// buttons, and the notes that tell the user what they did.
#include "saving.h"

#include "card_files.h"
#include "card_format.h"
#include "draxo.h"
#include "files/safe_write.h"

namespace cards {
namespace {

using draxo::files::expectation;
using draxo::files::write_result;

// A card file that this designer may not replace gives way to a free name
// beside it; false when there is none.
bool claim_card_file(designer_state& state) {
    if (state.card_file_ours) return true;
    std::string why_not, fresh = free_name_beside(state.card_file, why_not);
    if (fresh.empty()) {
        show_note(state, "Not saved: " + why_not + "\n" + file_name_of(state.card_file), true);
        return false;
    }
    state.card_file = fresh;
    state.card_file_ours = true;
    state.card_file_seen = expectation{expectation::nothing_there, {}};
    return true;
}

void note_written(designer_state& state, const write_result& written, const std::string& name) {
    if (written.in_place_because.empty())
        show_note(state, "Saved " + name, false);
    else  // saved, but a failure on the way would have damaged it
        show_note(state, "Saved " + name + " in place:\n" + written.in_place_because, true);
}

}  // namespace

void open_card_file(const std::string& path, designer_state& state) {
    state.card_file = path.empty() ? default_card_file : path;
    state.card_file_seen = expectation{expectation::nothing_there, {}};
    std::string name = file_name_of(state.card_file);
    if (path.empty()) {
        // Nothing was named: a card file already there is not this card's.
        state.card_file_ours = !draxo::files::name_taken(state.card_file);
        return;
    }
    bool missing = false;
    std::string bytes;
    card_reading reading = read_card_file(state.card_file, missing, bytes);
    state.card_file_ours = reading.ok || missing;
    if (reading.ok) {
        state.card_file_seen = expectation{expectation::these_bytes, bytes};
        show_card(reading.value, state);
    } else if (!missing) {
        std::string where = reading.line > 0 ? name + ", line " + std::to_string(reading.line) : name;
        show_note(state, "Cannot open " + where + ":\n" + reading.error, true, note_until_click);
    }
}

void save_card(designer_state& state) {
    if (!claim_card_file(state)) return;
    const std::string card_file = state.card_file, name = file_name_of(card_file);
    std::string bytes = format_card(card_of(state));
    write_result written = draxo::files::replace_file(card_file, bytes, state.card_file_seen);
    bool moved = false;
    while (written.outcome == write_result::changed) {
        // Another designer, or another program, has written the card file
        // since this designer read or wrote it: theirs stays, this card goes
        // beside it, under the next name that is still free when it is
        // written (another designer may take one at the same moment).
        state.card_file = card_file;
        state.card_file_ours = false;
        if (!claim_card_file(state)) return;
        moved = true;
        written = draxo::files::replace_file(state.card_file, bytes, state.card_file_seen);
    }
    std::string fresh = file_name_of(state.card_file);
    if (!written.ok()) {
        show_note(state, fresh + " not saved:\n" + written.why_not, true);
        return;
    }
    state.card_file_seen = expectation{expectation::these_bytes, bytes};
    if (moved)
        show_note(state, name + " was changed meanwhile:\nsaved " + fresh, true);
    else
        note_written(state, written, name);
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
