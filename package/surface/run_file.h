// The run file of an unattended run (DRAXO_RUN_FILE): what the drawing window
// last showed and how far the script got, kept up to date while the program
// runs, so that draxo-run knows them however the program ends: normally,
// crashed, or ended for taking too long. Every change goes through to the
// file at once; a program killed a moment later leaves it as it was.
//
// Layout, in the machine's own byte order: a run_file_status record, then,
// once something was shown, `width` x `height` pixels, row by row, each a
// 32-bit 0xffRRGGBB.
#pragma once

#include <cstdint>

namespace draxo {

constexpr char run_file_magic[8] = {'D', 'R', 'A', 'X', 'O', 'R', 'U', 'N'};
constexpr std::uint32_t run_file_version = 1;

// How far the script got.
enum run_file_script : std::uint32_t {
    script_playing = 0,  // events left (or the program ended before it waited for them)
    script_played = 1,   // played to its end
    script_stopped = 2,  // stopped at a line of no known kind, or one that could not be read
};

// How the package saw the program end.
enum run_file_ending : std::uint32_t {
    ending_running = 0,       // no end seen (the program still runs, crashed or was killed)
    ending_stopped = 1,       // DRAXO_stop or the program's normal exit
    ending_quit_ignored = 2,  // still waiting for events when its grace time was over: ended by the package
};

struct run_file_status {
    char magic[8];
    std::uint32_t version;
    std::uint32_t opened;         // 1 once the program opened the package
    std::uint32_t events_played;  // script events delivered
    std::uint32_t events_total;   // events in the script, up to its end or the line it stops at
    std::uint32_t script;         // run_file_script
    std::uint32_t stopped_line;   // with script_stopped: the line's number
    std::uint32_t ending;         // run_file_ending
    std::uint32_t width;          // of the picture that follows; 0 while nothing was shown
    std::uint32_t height;
    std::uint32_t shown_version;   // counts the changes to the picture shown
    std::uint32_t saved_version;   // the shown_version saved as DRAXO_PICTURE; 0: none saved
    std::uint32_t quit_delivered;  // 1 once the script's end asked the program to quit
    std::uint32_t reserved[2];
};
static_assert(sizeof(run_file_status) == 64);

constexpr long run_file_pixels_at = sizeof(run_file_status);

// The exit statuses the package itself ends a program with in an unattended
// run, the same as draxo-run's: a setting that cannot be taken (a script
// that cannot be read, a console file that cannot be made), and a program
// still waiting for events when its grace time after the script's quit is over.
constexpr int status_cannot_run = 125;
constexpr int status_quit_ignored = 122;

}  // namespace draxo
