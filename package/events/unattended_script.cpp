// Playing the script of an unattended run, and its end.
#include "unattended_script.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

#include "console/console.h"
#include "draxo.h"
#include "event_control.h"
#include "files/file_stream.h"
#include "script.h"
#include "surface/run_file.h"
#include "surface/shown_picture.h"
#include "text/text_encoding.h"

namespace draxo {
namespace {

using steady = std::chrono::steady_clock;

struct unattended_script_state {
    bool active = false;
    std::FILE* file = nullptr;    // null: no script at all, so the first wait is the quit
    int periodic_run = 0;         // periodic events still to deliver from the last periodic line
    long newlines = 0;            // line ends read so far
    bool quit_delivered = false;  // the end reached: every wait returns DRAXO_QUIT
    int waits_after_quit = 0;
    steady::time_point quit_at{};
    steady::duration grace{};
    void (*grace_over)() = nullptr;
};
unattended_script_state script;

void ended_after_grace() { std::exit(EXIT_FAILURE); }

std::uint32_t saturated(std::uint64_t count) {
    return static_cast<std::uint32_t>(std::min<std::uint64_t>(count, UINT32_MAX));
}

// The events a script holds, up to its end or the line it stops at, read
// as playback reads them.
std::uint32_t count_events(std::FILE* file) {
    std::uint64_t events = 0;
    char line[script_line_size];
    while (read_script_line(file, line)) {
        script_line parsed = parse_script_line(line, std::strlen(line));
        if (parsed.kind == 0) break;
        events += parsed.kind == DRAXO_PERIODIC && parsed.count > 1 ? static_cast<std::uint64_t>(parsed.count) : 1;
    }
    return saturated(events);
}

// The script's end: the program is asked to quit, and has its grace time.
void end_script(run_file_script how, long line) {
    script.quit_delivered = true;
    script.quit_at = steady::now();
    run_status().script = how;
    run_status().quit_delivered = 1;
    run_status().stopped_line = static_cast<std::uint32_t>(std::max(line, 0L));
    write_run_status();
    if (how == script_played && !script.file)
        console_printf("No script to play in a run without a screen: the program is asked to quit\n");
    else if (how == script_played)
        console_printf("End of the script: the program is asked to quit\n");
    else if (line > 0)
        console_printf(
            "Line %ld of the script is of no known kind: the script ends there, and the program is asked "
            "to quit\n",
            line);
    else
        console_printf("The script could not be read on: it ends there, and the program is asked to quit\n");
}

void delivered() {
    ++run_status().events_played;
    write_run_status();
}

// Reads the next line's event into pending_event and last_event; false at
// the script's end.
bool read_next_event() {
    if (script.periodic_run > 0) {
        --script.periodic_run;
        event_control.pending_event = DRAXO_PERIODIC;
        return true;
    }
    char line[script_line_size];
    if (!script.file) {
        end_script(script_played, 0);
        return false;
    }
    played_line played = played_line::passed_over;
    while (played == played_line::passed_over) {
        if (!read_script_line(script.file, line, &script.newlines)) {
            if (std::feof(script.file))
                end_script(script_played, 0);
            else
                end_script(script_stopped, 0);
            return false;
        }
        played = make_pending(parse_script_line(line, std::strlen(line)), script.periodic_run);
        // Counted among the script's events, a line passed over is played so.
        if (played == played_line::passed_over) delivered();
    }
    if (played == played_line::pending) return true;
    // A line of no known kind. Its number: it ends with its newline (one too
    // long for the buffer does not) or is the one after the last line end.
    end_script(script_stopped, std::strchr(line, '\n') ? script.newlines : script.newlines + 1);
    return false;
}

}  // namespace

bool open_unattended_script(const std::string& path, double grace_seconds, std::string& why_not) {
    reset_unattended_script();
    std::FILE* file = files::open_file_stream(path.c_str(), false);
    if (!file) {
        why_not = "it cannot be opened, or is not a regular file";
        return false;
    }
    skip_byte_order_mark(file);
    run_status().events_total = count_events(file);
    std::rewind(file);
    skip_byte_order_mark(file);
    script.file = file;
    script.active = true;
    script.grace = std::chrono::duration_cast<steady::duration>(std::chrono::duration<double>(grace_seconds));
    write_run_status();
    return true;
}

void play_no_script(double grace_seconds) {
    reset_unattended_script();
    script.active = true;
    script.grace = std::chrono::duration_cast<steady::duration>(std::chrono::duration<double>(grace_seconds));
    write_run_status();
}

bool unattended_script_active() { return script.active; }

void next_unattended_event() {
    // Input that reached the window meanwhile (in a run with a screen) is
    // not the program's: the event is the script's alone.
    event_control.last_event = event_record{};
    if (!script.quit_delivered && read_next_event()) {
        delivered();
        return;
    }
    event_control.pending_event = DRAXO_QUIT;
    if (script.waits_after_quit++ == 0) return;
    // A program that waits on after its quit gets it again; one still
    // waiting when its grace time is over does not mean to end.
    if (steady::now() - script.quit_at >= script.grace) {
        run_status().ending = ending_quit_ignored;
        write_run_status();
        console_printf("The program did not end after its quit at the end of the script: it is ended\n");
        (script.grace_over ? script.grace_over : ended_after_grace)();
    }
    // Waiting on costs the program a moment each time, not a whole core.
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
}

int answer_gets_from_script(char* result, int size) {
    if (!script.file) {
        console_printf("DRAXO_gets: nobody can answer in a run without a screen\n");
        return 0;
    }
    std::string line;
    while (!script.quit_delivered && read_next_event()) {
        delivered();
        if (event_control.pending_event != DRAXO_KBD) continue;
        char key = event_control.last_event.key;
        if (key == '\r') {
            // The script's keys are Latin-1 characters, as typed into the
            // dialog; the program gets them in its input encoding, cut
            // between two characters.
            if (console.input_utf8) line = text::utf8_of_latin1(line);
            std::size_t room = static_cast<std::size_t>(size - 1);
            std::size_t length =
                console.input_utf8 ? text::utf8_prefix_length(line, room) : std::min(line.size(), room);
            std::memcpy(result, line.data(), length);
            result[length] = '\0';
            return 1;
        }
        if (key == '\b') {
            if (!line.empty()) line.pop_back();
        } else {
            line += key;
        }
    }
    return 0;
}

void on_grace_over(void (*handler)()) { script.grace_over = handler; }

void settle_unattended_script() {
    if (!script.active || script.quit_delivered || run_status().script != script_playing) return;
    // Ended by itself: played to its end when nothing is left to deliver.
    bool left = script.periodic_run > 0;
    if (!left && script.file) {
        long position = std::ftell(script.file);
        char line[script_line_size];
        left = read_script_line(script.file, line);
        if (position >= 0) std::fseek(script.file, position, SEEK_SET);
    }
    if (left) return;
    run_status().script = script_played;
    write_run_status();
}

void reset_unattended_script() {
    if (script.file) std::fclose(script.file);
    script = unattended_script_state{};
}

}  // namespace draxo
