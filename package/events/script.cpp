#include "script.h"

#include <climits>
#include <cstring>

#include "draxo.h"
#include "run_menu.h"

namespace draxo {

std::FILE* script_file = nullptr;
script_mode script_file_mode = script_mode::closed;

namespace {

// Recorded events lost because the stream is open for reading are reported
// once for each time the stream is opened.
bool unwritable_reported = false;

bool open_script_file(script_mode mode) {
    script_file = std::fopen(script_file_name, mode == script_mode::writing ? "w" : "r");
    script_file_mode = script_file ? mode : script_mode::closed;
    unwritable_reported = false;
    return script_file != nullptr;
}

bool is_digit(char c) { return c >= '0' && c <= '9'; }

// atoi's reading of a token (an optional sign, then digits up to the first
// other character), saturated instead of overflowing.
int convert_token(const char* token) {
    const char* p = token;
    bool negative = false;
    if (*p == '-' || *p == '+') negative = *p++ == '-';
    long long value = 0;
    for (; is_digit(*p); ++p) {
        value = value * 10 + (*p - '0');
        if (value > static_cast<long long>(INT_MAX) + 1) break;
    }
    if (negative) value = -value;
    if (value > INT_MAX) return INT_MAX;
    if (value < INT_MIN) return INT_MIN;
    return static_cast<int>(value);
}

// Reads the next line that is not empty. Returns false when there is none:
// at the end of the file or on a read error.
bool read_line(char* line) {
    for (;;) {
        if (!std::fgets(line, static_cast<int>(script_line_size), script_file)) return false;
        if (std::feof(script_file)) return false;  // a last line without its newline is not played
        if (std::strcmp(line, "\n") != 0 && std::strcmp(line, "\r\n") != 0) return true;
    }
}

}  // namespace

int scan_script_number(const char* line, std::size_t length, std::size_t& position, bool signed_numbers) {
    auto starts_number = [signed_numbers](char c) { return is_digit(c) || (signed_numbers && c == '-'); };
    while (position < length && !starts_number(line[position])) ++position;
    char token[script_token_size + 1];
    std::size_t kept = 0;
    while (position < length && starts_number(line[position])) {
        if (kept < script_token_size) token[kept++] = line[position];
        ++position;
    }
    token[kept] = '\0';
    return convert_token(token);
}

void record_script_event(int kind, event_record event) {
    if (!script_file && !open_script_file(script_mode::writing)) {
        DRAXO_console_printf("Cannot open script file %s for writing\n", script_file_name);
        return;
    }
    if (script_file_mode != script_mode::writing) {
        if (kind != DRAXO_QUIT && !unwritable_reported) {
            DRAXO_console_printf("Script file %s is open for playback; recorded events are not written\n",
                                 script_file_name);
            unwritable_reported = true;
        }
        return;
    }
    switch (kind) {
    case DRAXO_MOUSE: std::fprintf(script_file, "DRAXO_MOUSE(%d, %d);\n", event.x, event.y); break;
    case DRAXO_KBD:
        std::fprintf(script_file, "DRAXO_KBD(%d);\n", static_cast<int>(static_cast<signed char>(event.key)));
        break;
    case DRAXO_PERIODIC: std::fprintf(script_file, "DRAXO_PERIODIC(%d);\n", periodic_run); break;
    default: break;
    }
}

int read_script_event() {
    if (!script_file && !open_script_file(script_mode::reading)) {
        DRAXO_console_printf("Cannot open script file %s for reading\n", script_file_name);
        stop_playback();
        return 0;
    }
    if (script_file_mode != script_mode::reading) {
        DRAXO_console_printf("Cannot play back script file %s while it is being recorded\n", script_file_name);
        stop_playback();
        return 0;
    }
    if (periodic_run > 0) {
        pending_event = DRAXO_PERIODIC;
        --periodic_run;
        return 1;
    }
    char line[script_line_size];
    if (!read_line(line)) {
        if (std::feof(script_file)) DRAXO_console_printf("EOF encountered in script file %s\n", script_file_name);
        stop_playback();
        return 0;
    }
    // The kind is the seventh character, the one after "DRAXO_"; the line
    // ends at its first NUL, and nothing beyond its end is looked at.
    std::size_t length = std::strlen(line);
    std::size_t position = 6;
    char kind = length > position ? line[position] : '\0';
    switch (kind) {
    case 'M':
        pending_event = DRAXO_MOUSE;
        last_event.x = scan_script_number(line, length, position, true);
        last_event.y = scan_script_number(line, length, position, true);
        return 1;
    case 'K':
        pending_event = DRAXO_KBD;
        last_event.key =
            static_cast<char>(static_cast<signed char>(scan_script_number(line, length, position, true) & 0xFF));
        return 1;
    case 'P':
        pending_event = DRAXO_PERIODIC;
        {
            // The line is the run's first event; a count of 0 is one event too.
            int count = scan_script_number(line, length, position, false);
            periodic_run = count > 1 ? count - 1 : 0;
            return 1;
        }
    default: stop_playback(); return 0;
    }
}

void stop_playback() {
    playing = false;
    play_one = false;
    set_run_menu_check(CMD_PLAYBACK_SCRIPT, false);
}

void close_script_file() {
    if (script_file) std::fclose(script_file);
    script_file = nullptr;
    script_file_mode = script_mode::closed;
}

void end_recording() {
    if (periodic_run > 0) {
        record_script_event(DRAXO_PERIODIC, last_event);
        periodic_run = 0;
    }
    close_script_file();
}

}  // namespace draxo
