// Fuzz target for the script reader: any bytes as "DRAXO.SCR", played back
// to the end. The reader must never read past a line, overflow or misbehave.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "events/run_state.h"
#include "events/script.h"

namespace {

char scratch[] = "/tmp/draxo-fuzz-XXXXXX";

void remove_scratch_directory() {
    std::remove(draxo::script_file_name);
    if (::chdir("/") == 0) ::rmdir(scratch);
}

bool enter_scratch_directory() {
    if (!::mkdtemp(scratch) || ::chdir(scratch) != 0) std::abort();
    std::atexit(remove_scratch_directory);
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static bool ready = enter_scratch_directory();
    (void)ready;
    std::FILE* file = std::fopen(draxo::script_file_name, "wb");
    if (!file) return 0;
    std::fwrite(data, 1, size, file);
    std::fclose(file);

    draxo::close_script_file();
    draxo::run.periodic_run = 0;
    draxo::run.playing = true;
    for (int event = 0; event < 100000 && draxo::read_script_event(); ++event) {
        // A run's length is the file's to choose; playing all of it out
        // proves nothing more.
        if (draxo::run.periodic_run > 8) draxo::run.periodic_run = 8;
    }
    draxo::close_script_file();
    return 0;
}
