// The script recorder and player over the one stream of the script file.
// Recording and playback never run together: whichever is switched on
// second is refused, so that neither feeds the other.
#include "script.h"

#include <cerrno>
#include <cstring>

#include "console/console.h"
#include "draxo.h"
#include "files/file_size_signal.h"
#include "files/file_stream.h"
#include "input_events.h"
#include "run_menu.h"

namespace draxo {

// A file saved by an editor that marks UTF-8 text starts with the byte-order
// mark EF BB BF: it is no part of the first line.
void skip_byte_order_mark(std::FILE* file) {
    unsigned char start[3] = {};
    std::size_t count = std::fread(start, 1, sizeof start, file);
    if (count == 3 && start[0] == 0xEF && start[1] == 0xBB && start[2] == 0xBF) return;
    std::clearerr(file);
    std::rewind(file);
}

namespace {

// Reads one whole line, up to and including its newline, keeping its first
// 511 characters: the rest of a longer line is passed over, so that one line
// is always one event. False at the end of the file, also after a last line
// without its newline (which is not played), and on a read error.
bool read_whole_line(std::FILE* file, char* line) {
    std::size_t kept = 0;
    int c;
    while ((c = std::getc(file)) != EOF) {
        if (kept < script_line_size - 1) line[kept++] = static_cast<char>(c);
        if (c == '\n') break;
    }
    line[kept] = '\0';
    return c != EOF;
}

}  // namespace

// Empty lines are skipped; a last line without its newline is not played.
bool read_script_line(std::FILE* file, char* line, long* newlines) {
    for (;;) {
        if (!read_whole_line(file, line)) return false;
        if (newlines) ++*newlines;
        if (std::strcmp(line, "\n") != 0 && std::strcmp(line, "\r\n") != 0) return true;
    }
}

namespace {

bool open_script_file(script_mode mode) {
    event_control.script_file = files::open_file_stream(script_file_name, mode == script_mode::writing);
    event_control.script_file_mode = event_control.script_file ? mode : script_mode::closed;
    if (event_control.script_file && mode == script_mode::reading) skip_byte_order_mark(event_control.script_file);
    return event_control.script_file != nullptr;
}

// Recording stops when its file cannot take a line: what was written stays.
void stop_recording_after(const char* failed, int error) {
    console_printf("Cannot %s script file %s: %s\n", failed, script_file_name, std::strerror(error));
    if (event_control.script_file) std::fclose(event_control.script_file);
    event_control.script_file = nullptr;
    event_control.script_file_mode = script_mode::closed;
    event_control.recording = false;
    event_control.periodic_run = 0;
    set_run_menu_check(CMD_RECORD_SCRIPT, false);
}

// Each line goes through to the file as it is recorded, so that a recording
// survives whatever ends the program. A line past the file-size limit is a
// failed write like any other.
void write_line(const char* text, std::size_t length) {
    files::file_size_signal_held held;
    errno = 0;
    if (std::fwrite(text, 1, length, event_control.script_file) == length &&
        std::fflush(event_control.script_file) == 0)
        return;
    stop_recording_after("write", errno ? errno : EIO);
}

}  // namespace

// A periodic line is the first event of its run; a count of 0 is one event too.
played_line make_pending(const script_line& line, int& periodic_run) {
    if (line.kind == 0) return played_line::unknown;
    if (!asked_for(line)) return played_line::passed_over;
    event_record& event = event_control.last_event;
    switch (line.kind) {
    case DRAXO_MOUSE:
    case DRAXO_MOUSE_RELEASE:
        event.x = line.x;
        event.y = line.y;
        event.button = line.button;
        break;
    case DRAXO_MOUSE_MOVE:
        event.x = line.x;
        event.y = line.y;
        event.buttons = line.buttons;
        break;
    case DRAXO_KBD:
        event.key = line.key;
        if (keys_asked()) event.key_code = line.key_code;
        break;
    case DRAXO_KEY_PRESS:
    case DRAXO_KEY_RELEASE:
        event.key_code = line.key_code;
        event.modifiers = line.modifiers;
        break;
    case DRAXO_PERIODIC: periodic_run = line.count > 1 ? line.count - 1 : 0; break;
    default: return played_line::unknown;
    }
    event_control.pending_event = line.kind;
    return played_line::pending;
}

bool start_recording() {
    if (event_control.playing || event_control.play_one) {
        console_printf("Cannot record script file %s while it is being played back\n", script_file_name);
        return false;
    }
    // A playback left open at its end, or halted, is over: its leftover
    // periodic events are not the recording's.
    if (event_control.script_file_mode == script_mode::reading) close_script_file();
    event_control.periodic_run = 0;
    event_control.recording = true;  // the file opens when the first event is recorded
    set_run_menu_check(CMD_RECORD_SCRIPT, true);
    return true;
}

void stop_recording() {
    event_control.recording = false;
    set_run_menu_check(CMD_RECORD_SCRIPT, false);
    end_recording();
}

bool may_play_back() {
    if (!event_control.recording) return true;
    console_printf("Cannot play back script file %s while it is being recorded\n", script_file_name);
    return false;
}

void record_script_event(int kind, event_record event) {
    if (!event_control.script_file && !open_script_file(script_mode::writing)) {
        console_printf("Cannot open script file %s for writing\n", script_file_name);
        return;
    }
    if (event_control.script_file_mode != script_mode::writing) return;  // recording never starts over a playback
    script_line line;
    line.kind = kind;
    line.x = event.x;
    line.y = event.y;
    line.key = event.key;
    line.count = event_control.periodic_run;  // a periodic line writes the counter, not the event
    line.key_code = event.key_code;           // set only for a program that asked for game input
    line.modifiers = event.modifiers;
    line.button = event.button;
    line.buttons = event.buttons;
    char text[script_line_size];
    std::size_t length = format_script_line(line, text);
    if (length > 0) write_line(text, length);
}

int read_script_event() {
    if (!event_control.script_file && !open_script_file(script_mode::reading)) {
        console_printf("Cannot open script file %s for reading\n", script_file_name);
        stop_playback();
        return 0;
    }
    if (event_control.script_file_mode != script_mode::reading) {  // playback never starts over a recording
        stop_playback();
        return 0;
    }
    if (event_control.periodic_run > 0) {
        event_control.pending_event = DRAXO_PERIODIC;
        --event_control.periodic_run;
        return 1;
    }
    char line[script_line_size];
    played_line played = played_line::passed_over;
    while (played == played_line::passed_over) {
        if (!read_script_line(event_control.script_file, line)) {
            if (std::feof(event_control.script_file))
                console_printf("EOF encountered in script file %s\n", script_file_name);
            stop_playback();
            return 0;
        }
        // The line ends at its first NUL; one of no known kind ends playback.
        played = make_pending(parse_script_line(line, std::strlen(line)), event_control.periodic_run);
    }
    if (played == played_line::pending) return 1;
    stop_playback();
    return 0;
}

void stop_playback() {
    event_control.playing = false;
    event_control.play_one = false;
    set_run_menu_check(CMD_PLAYBACK_SCRIPT, false);
}

void close_script_file() {
    if (!event_control.script_file) return;
    bool writing = event_control.script_file_mode == script_mode::writing;
    errno = 0;
    int closed = std::fclose(event_control.script_file);
    event_control.script_file = nullptr;
    event_control.script_file_mode = script_mode::closed;
    if (closed != 0 && writing) stop_recording_after("close", errno ? errno : EIO);
}

void write_waiting_run() {
    if (!event_control.recording || event_control.periodic_run <= 0) return;
    if (!event_control.script_file && !open_script_file(script_mode::writing)) return;
    if (event_control.script_file_mode != script_mode::writing) return;
    script_line line;
    line.kind = DRAXO_PERIODIC;
    line.count = event_control.periodic_run;
    char text[script_line_size];
    std::size_t length = format_script_line(line, text);
    files::file_size_signal_held held;
    if (std::fwrite(text, 1, length, event_control.script_file) == length) std::fflush(event_control.script_file);
    event_control.periodic_run = 0;
}

void end_recording() {
    if (event_control.periodic_run > 0) record_script_event(DRAXO_PERIODIC, event_control.last_event);
    event_control.periodic_run = 0;
    close_script_file();
}

}  // namespace draxo
