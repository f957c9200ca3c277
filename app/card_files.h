// Card files and pictures on the disk: reading a card file within its size
// limit, and the names of the files the designer writes. The package's file
// library writes them, so that a failure on the way never destroys the
// version before.
#pragma once

#include <string>

#include "card_format.h"

namespace cards {

// Reads and parses the card file at `path`. When the file cannot be read
// the result's line is 0 and its error the system's reason; `missing` tells
// whether there is no file at all, and `bytes` holds what was read.
card_reading read_card_file(const std::string& path, bool& missing, std::string& bytes);

// The picture that goes with a card file: the same name ending in ".png"
// instead of its extension, never the card file itself.
std::string picture_file_for(const std::string& card_file);
// The first of "<stem>-2<ext>" to "<stem>-999<ext>" beside `path` that
// nothing takes (a symbolic link to nothing takes its name too). Empty when
// there is none, and `why_not` says why: all are taken ("no free name
// beside"), or the system's reason why a name cannot be had at all (the
// name is too long, the folder may not be searched).
std::string free_name_beside(const std::string& path, std::string& why_not);
// The last part of a path, to show it on the status line.
std::string file_name_of(const std::string& path);

}  // namespace cards
