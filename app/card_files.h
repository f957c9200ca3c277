// Card files and pictures on the disk: reading a card file within its size
// limit, writing a file so that a failure on the way never destroys the
// version before it, and the names of the files the designer writes.
#pragma once

#include <string>
#include <string_view>

#include "card_format.h"

namespace cards {

// Reads and parses the card file at `path`. When the file cannot be read
// the result's line is 0 and its error the system's reason; `missing` tells
// whether there is no file at all.
card_reading read_card_file(const std::string& path, bool& missing);

// Writes `bytes` to a fresh file in the directory of `path`, flushes it to
// the disk and renames it over `path`. False, with the reason, when a step
// fails; then the fresh file is removed and `path` is as it was.
bool replace_file(const std::string& path, std::string_view bytes, std::string& why_not);

// The picture that goes with a card file: the same name ending in ".png"
// instead of its extension, never the card file itself.
std::string picture_file_for(const std::string& card_file);
// The first of "<stem>-2<ext>" to "<stem>-999<ext>" beside `path` that no
// file takes; empty when all do.
std::string free_name_beside(const std::string& path);
// The last part of a path, to show it on the status line.
std::string file_name_of(const std::string& path);

}  // namespace cards
