// The script recorder and player over the one stream of the script file.
#include "script.h"

#include <cstring>

#include "console/console.h"
#include "draxo.h"
#include "run_menu.h"

namespace draxo {
namespace {

bool open_script_file(script_mode mode) {
    run.script_file = std::fopen(script_file_name, mode == script_mode::writing ? "w" : "r");
    run.script_file_mode = run.script_file ? mode : script_mode::closed;
    run.unwritable_reported = false;
    return run.script_file != nullptr;
}

// Reads the next line that is not empty. Returns false when there is none:
// at the end of the file or on a read error.
bool read_line(char* line) {
    for (;;) {
        if (!std::fgets(line, static_cast<int>(script_line_size), run.script_file)) return false;
        if (std::feof(run.script_file)) return false;  // a last line without its newline is not played
        if (std::strcmp(line, "\n") != 0 && std::strcmp(line, "\r\n") != 0) return true;
    }
}

// Delivers one parsed line as the pending event. A periodic line is the
// first event of its run; a count of 0 is one event too.
int deliver(const script_line& line) {
    switch (line.kind) {
    case DRAXO_MOUSE:
        run.last_event.x = line.x;
        run.last_event.y = line.y;
        break;
    case DRAXO_KBD: run.last_event.key = line.key; break;
    case DRAXO_PERIODIC: run.periodic_run = line.count > 1 ? line.count - 1 : 0; break;
    default: stop_playback(); return 0;
    }
    run.pending_event = line.kind;
    return 1;
}

}  // namespace

void record_script_event(int kind, event_record event) {
    if (!run.script_file && !open_script_file(script_mode::writing)) {
        console_printf("Cannot open script file %s for writing\n", script_file_name);
        return;
    }
    if (run.script_file_mode != script_mode::writing) {
        if (kind != DRAXO_QUIT && !run.unwritable_reported) {
            console_printf("Script file %s is open for playback; recorded events are not written\n",
                           script_file_name);
            run.unwritable_reported = true;
        }
        return;
    }
    script_line line;
    line.kind = kind;
    line.x = event.x;
    line.y = event.y;
    line.key = event.key;
    line.count = run.periodic_run;  // a periodic line writes the counter, not the event
    char text[script_line_size];
    std::size_t length = format_script_line(line, text);
    if (length > 0) std::fwrite(text, 1, length, run.script_file);
}

int read_script_event() {
    if (!run.script_file && !open_script_file(script_mode::reading)) {
        console_printf("Cannot open script file %s for reading\n", script_file_name);
        stop_playback();
        return 0;
    }
    if (run.script_file_mode != script_mode::reading) {
        console_printf("Cannot play back script file %s while it is being recorded\n", script_file_name);
        stop_playback();
        return 0;
    }
    if (run.periodic_run > 0) {
        run.pending_event = DRAXO_PERIODIC;
        --run.periodic_run;
        return 1;
    }
    char line[script_line_size];
    if (!read_line(line)) {
        if (std::feof(run.script_file)) console_printf("EOF encountered in script file %s\n", script_file_name);
        stop_playback();
        return 0;
    }
    // The line ends at its first NUL.
    return deliver(parse_script_line(line, std::strlen(line)));
}

void stop_playback() {
    run.playing = false;
    run.play_one = false;
    set_run_menu_check(CMD_PLAYBACK_SCRIPT, false);
}

void close_script_file() {
    if (run.script_file) std::fclose(run.script_file);
    run.script_file = nullptr;
    run.script_file_mode = script_mode::closed;
}

void end_recording() {
    if (run.periodic_run > 0) {
        record_script_event(DRAXO_PERIODIC, run.last_event);
        run.periodic_run = 0;
    }
    close_script_file();
}

}  // namespace draxo
