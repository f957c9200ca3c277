// The script file "DRAXO.SCR": recording delivered events and playing them back.
#pragma once

#include <cstdio>

namespace draxo {

constexpr const char* script_file_name = "DRAXO.SCR";

// The one stream of the script file, shared by recording and playback.
extern std::FILE* script_file;

// Closes the stream if one is open.
void close_script_file();

}  // namespace draxo
