// Streams over regular files, opened through the file-system table.
#include "file_stream.h"

#include "file_system.h"

namespace draxo::files {

std::FILE* open_file_stream(const char* path, bool writing) { return system().open_stream(path, writing); }

}  // namespace draxo::files
