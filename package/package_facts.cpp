#include "package_facts.h"

#include <cstdio>

namespace draxo {

package_facts package;

bool on_package_thread(const char* operation) {
    if (ws::on_layer_thread()) return true;
    std::fprintf(stderr,
                 "DRAXO: %s was called from a thread other than the one that uses the package; "
                 "the call is ignored.\n",
                 operation);
    return false;
}

bool drawing_window_open() { return package.open && ws::is_window(package.drawing_window); }

}  // namespace draxo
