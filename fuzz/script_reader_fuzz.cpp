// Fuzz target for the script file. Any bytes, cut into lines the way the
// player reads the file (a byte-order mark at the start left out; a line
// runs to its newline and is kept to its first 511 characters, and ends at
// its first NUL), go through the line parser, which must never read past
// a line, overflow or misbehave. The events the lines describe are then
// recorded through the recorder into DRAXO.SCR, in a scratch directory, and
// played back through the player, by a program that asked for game input:
// every event must come back as recorded.
#include <algorithm>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "draxo.h"
#include "events/event_control.h"
#include "events/script.h"

namespace {

std::filesystem::path scratch;
std::filesystem::path previous;

void remove_scratch_directory() {
    std::error_code ignored;
    std::filesystem::current_path(previous, ignored);
    std::filesystem::remove_all(scratch, ignored);
}

// A directory of its own in the system's folder for temporary files, taken
// only when it did not exist yet.
bool enter_scratch_directory() {
    std::random_device seed;
    std::mt19937_64 names(seed() ^
                          static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()));
    std::error_code error;
    std::filesystem::path base = std::filesystem::temp_directory_path(error);
    for (int attempt = 0; attempt < 100 && scratch.empty(); ++attempt) {
        std::filesystem::path candidate = base / ("draxo-fuzz-" + std::to_string(names()));
        if (std::filesystem::create_directory(candidate, error)) scratch = candidate;
    }
    if (scratch.empty()) std::abort();
    previous = std::filesystem::current_path(error);
    std::filesystem::current_path(scratch, error);
    if (error) std::abort();
    std::atexit(remove_scratch_directory);
    return true;
}

void require(bool condition) {
    if (!condition) std::abort();
}

std::vector<draxo::script_line> parse_lines(const char* bytes, std::size_t size) {
    std::vector<draxo::script_line> events;
    std::size_t at = size >= 3 && std::memcmp(bytes, "\xEF\xBB\xBF", 3) == 0 ? 3 : 0;
    while (at < size) {
        // One read of the player: a whole line, up to and including its newline.
        std::size_t whole = 0;
        while (at + whole < size) {
            if (bytes[at + whole++] == '\n') break;
        }
        std::size_t take = std::min(whole, draxo::script_line_size - 1);
        // The parser gets its own copy of what is kept, exactly as long as the line up to its first NUL.
        const void* nul = std::memchr(bytes + at, '\0', take);
        std::size_t length = nul ? static_cast<std::size_t>(static_cast<const char*>(nul) - (bytes + at)) : take;
        char* line = static_cast<char*>(std::malloc(length ? length : 1));
        std::memcpy(line, bytes + at, length);
        draxo::script_line parsed = draxo::parse_script_line(line, length);
        std::free(line);
        require(parsed.kind >= 0 && parsed.kind <= DRAXO_MOUSE_RELEASE && parsed.kind != DRAXO_QUIT);
        if (parsed.kind == DRAXO_PERIODIC) parsed.count = parsed.count % 8 + 1;  // runs short enough to play out
        if (parsed.kind != 0) events.push_back(parsed);
        at += whole;
    }
    return events;
}

// Records the events as the event wait delivers them: periodic events counted
// into runs, written before the next other event and at the end.
void record(const std::vector<draxo::script_line>& events) {
    draxo::reset_event_control();
    std::remove(draxo::script_file_name);  // a recording of nothing leaves no file
    require(draxo::start_recording());
    for (const draxo::script_line& e : events) {
        if (e.kind == DRAXO_PERIODIC) {
            draxo::event_control.periodic_run += e.count;
            continue;
        }
        draxo::event_record data;
        data.x = e.x;
        data.y = e.y;
        data.key = e.key;
        data.key_code = e.key_code;
        data.modifiers = e.modifiers;
        data.button = e.button;
        data.buttons = e.buttons;
        if (draxo::event_control.periodic_run > 0) {
            draxo::record_script_event(DRAXO_PERIODIC, data);
            draxo::event_control.periodic_run = 0;
        }
        draxo::record_script_event(e.kind, data);
    }
    draxo::stop_recording();
}

// Plays the file back and checks each event against what was recorded.
void play_back(const std::vector<draxo::script_line>& events) {
    draxo::reset_event_control();
    draxo::event_control.input_flags = DRAXO_INPUT_KEYS | DRAXO_INPUT_MOUSE;  // every line is played
    draxo::event_control.playing = true;
    for (const draxo::script_line& e : events) {
        for (int n = e.kind == DRAXO_PERIODIC ? e.count : 1; n > 0; --n) {
            require(draxo::read_script_event() == 1);
            require(draxo::event_control.pending_event == e.kind);
            const draxo::event_record& got = draxo::event_control.last_event;
            if (e.kind == DRAXO_MOUSE || e.kind == DRAXO_MOUSE_RELEASE)
                require(got.x == e.x && got.y == e.y && got.button == e.button);
            if (e.kind == DRAXO_MOUSE_MOVE) require(got.x == e.x && got.y == e.y && got.buttons == e.buttons);
            if (e.kind == DRAXO_KBD) require(got.key == e.key && got.key_code == e.key_code);
            if (e.kind == DRAXO_KEY_PRESS || e.kind == DRAXO_KEY_RELEASE)
                require(got.key_code == e.key_code && got.modifiers == e.modifiers);
            draxo::event_control.last_event = draxo::event_record{};
        }
    }
    require(draxo::read_script_event() == 0);  // the end of the file
    draxo::close_script_file();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static bool ready = enter_scratch_directory();
    (void)ready;
    std::vector<draxo::script_line> events = parse_lines(reinterpret_cast<const char*>(data), size);
    if (events.size() > 2000) events.resize(2000);
    record(events);
    play_back(events);
    return 0;
}
