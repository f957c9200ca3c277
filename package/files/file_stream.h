// A regular file as a C stream, for what is read or written a line at a
// time and kept open meanwhile: the script file, recorded and played back,
// and the script of an unattended run.
#pragma once

#include <cstdio>

namespace draxo::files {

// Opens the regular file at `path` for reading, or for writing (emptied, or
// made). Null when it cannot be opened or is not a regular file (a FIFO, a
// device, a directory): that is refused at once, since opening a FIFO would
// wait for ever for a program at its other end. The stream is the caller's
// to close.
std::FILE* open_file_stream(const char* path, bool writing);

}  // namespace draxo::files
