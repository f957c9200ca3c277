// What an unattended run keeps of what the drawing window last showed and
// how far the script got, kept up to date while the program runs, so that
// whoever reads it knows them however the program ends: normally, crashed,
// or ended for taking too long. Two forms of the same facts:
//
// The run file (DRAXO_RUN_FILE), for a job that sets it itself. Every
// change goes through to the file at once; a program killed a moment later
// leaves it as it was. Layout, in the machine's own byte order: a
// run_file_status record, then, once something was shown, `width` x
// `height` pixels, row by row, each a 32-bit 0xffRRGGBB.
//
// The run's report (DRAXO_RUN_REPORT), draxo-run's: the writing end of a
// pipe the program inherits, which draxo-run reads as the program runs and
// keeps in its own memory, so that nothing the program can reach by a name
// is graded, and nothing is written to a disk on the way. The package
// writes records to it, each a run_report_record and then `size` bytes: a
// status whenever the status changes, the parts of the picture that changed
// (runs of rows, as wide as their changes) whenever the picture shown
// changes, then its status, and the
// console's lines as they are printed. Rows take effect with the status that
// follows them: those of a picture whose status never came, and a record
// cut off at the end (the program ended in the middle of showing it), are
// left out, so that what is kept is always a whole picture the program
// showed. Bytes that are no record mean that something else wrote there.
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

// The variable that names the report's pipe: a file descriptor's number, or
// on Windows a handle's, in decimal.
constexpr const char* run_report_variable = "DRAXO_RUN_REPORT";

constexpr char run_report_mark[4] = {'D', 'R', 'U', 'N'};

enum run_report_kind : std::uint32_t {
    report_status = 1,   // a run_file_status; the first record of every report
    report_rows = 2,     // a run_report_rows, then its pixels
    report_console = 3,  // console text, as the console file has it
};

struct run_report_record {
    char mark[4];        // run_report_mark
    std::uint32_t kind;  // run_report_kind
    std::uint32_t size;  // bytes that follow
};
static_assert(sizeof(run_report_record) == 12);

// The pixels of rows top to bottom - 1, columns left to right - 1, of a
// picture of width x height pixels: row by row, each (right - left) 32-bit
// 0xffRRGGBB pixels. A picture of another size than the one before comes
// whole.
struct run_report_rows {
    std::uint32_t width;
    std::uint32_t height;
    std::uint32_t top;
    std::uint32_t bottom;
    std::uint32_t left;
    std::uint32_t right;
};
static_assert(sizeof(run_report_rows) == 24);

// The most console text one record holds; longer text comes in several.
constexpr std::uint32_t run_report_most_text = 65536;

// The exit statuses the package itself ends a program with in an unattended
// run, the same as draxo-run's: a setting that cannot be taken (a script
// that cannot be read, a console file that cannot be made), and a program
// still waiting for events when its grace time after the script's quit is over.
constexpr int status_cannot_run = 125;
constexpr int status_quit_ignored = 122;

}  // namespace draxo
