// Reading the run file the package keeps (surface/run_file.h).
#pragma once

#include <filesystem>

#include "png/png_codec.h"
#include "surface/run_file.h"

namespace draxo_run {

// The status record; false when the file holds none (the program never
// opened the package) or one of another version.
bool read_run_status(const std::filesystem::path& path, draxo::run_file_status& status);
// The picture last shown; an empty picture when nothing was shown.
draxo::png::picture read_shown_picture(const std::filesystem::path& path, const draxo::run_file_status& status);

}  // namespace draxo_run
