#include "script.h"

namespace draxo {

std::FILE* script_file = nullptr;

void close_script_file() {
    if (script_file) std::fclose(script_file);
    script_file = nullptr;
}

}  // namespace draxo
