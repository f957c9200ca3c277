// The designer's files: the card file named at start, and the two save
// buttons, each of which tells the user on the status line, for a moment,
// what it did or why it could not.
#pragma once

#include <string>

#include "designer.h"

namespace cards {

// Opens the card file at `path` (the default card file when empty) into the
// state. A missing file leaves the empty card, to be saved under that name;
// a file that cannot be read leaves the card as it is, shows why until the
// next click, and is never replaced: the card is saved beside it instead.
void open_card_file(const std::string& path, designer_state& state);
// "Save Card": writes the card file.
void save_card(designer_state& state);
// "Save Picture": saves the card rectangle as the card file's picture.
void save_picture(designer_state& state);

}  // namespace cards
