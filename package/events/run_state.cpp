// The run-control state.
#include "run_state.h"

namespace draxo {

run_state run;

void reset_run() {
    if (run.script_file) std::fclose(run.script_file);
    run = run_state{};
}

}  // namespace draxo
