// The text input dialog of DRAXO_gets: its in-memory dialog template and its
// dialog procedure.
#pragma once

#include <array>
#include <cstddef>

#include "window_system/window_system.h"

namespace draxo {

constexpr std::size_t gets_template_size = 292;
constexpr int gets_prompt_length = 79;  // the prompt is cut or padded with spaces to this
constexpr unsigned gets_okay_id = 101;
constexpr unsigned gets_edit_id = 102;
constexpr unsigned gets_prompt_id = 103;
constexpr int gets_result_size = 256;  // DRAXO_gets's buffer: 255 characters and a NUL

using gets_template = std::array<unsigned char, gets_template_size>;

// Writes the dialog template for this prompt: the dialog record, then the
// edit field, the Okay button and the prompt, each on a 4-byte boundary.
// The caption and button texts are ASCII; the prompt is read as UTF-8 or
// Latin-1 by the package's rule (text/text_encoding.h), and its first 79 16-bit
// characters are shown, a character that would not fit whole replaced by a
// space. A null prompt counts as empty.
void build_gets_template(const char* prompt, gets_template& out);

ws::lresult gets_dialog_proc(ws::dialog d, unsigned id, ws::wparam wp, ws::lparam lp);

}  // namespace draxo
