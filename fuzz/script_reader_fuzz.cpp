// Fuzz target for the script reader. Any bytes, cut into lines the way the
// player reads the file (at a newline, or after 511 characters; a line ends
// at its first NUL), go through the line parser, which must never read past
// a line, overflow or misbehave. Every line the parser understands is then
// written back the way the recorder writes it and read again: the event must
// come back unchanged.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "draxo.h"
#include "events/script_line.h"

namespace {

void check_round_trip(const draxo::script_line& parsed) {
    if (parsed.kind == 0) return;
    char text[draxo::script_line_size];
    std::size_t length = draxo::format_script_line(parsed, text);
    draxo::script_line again = draxo::parse_script_line(text, length);
    bool same = again.kind == parsed.kind;
    if (parsed.kind == DRAXO_MOUSE) same = same && again.x == parsed.x && again.y == parsed.y;
    if (parsed.kind == DRAXO_KBD) same = same && again.key == parsed.key;
    if (parsed.kind == DRAXO_PERIODIC) same = same && again.count == parsed.count;
    if (!same) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const char* bytes = reinterpret_cast<const char*>(data);
    std::size_t at = 0;
    while (at < size) {
        // One read of the player: up to and including a newline, at most 511 characters.
        std::size_t take = 0;
        while (at + take < size && take < draxo::script_line_size - 1) {
            if (bytes[at + take++] == '\n') break;
        }
        // The parser gets its own copy, exactly as long as the line up to its first NUL.
        const void* nul = std::memchr(bytes + at, '\0', take);
        std::size_t length = nul ? static_cast<std::size_t>(static_cast<const char*>(nul) - (bytes + at)) : take;
        char* line = static_cast<char*>(std::malloc(length ? length : 1));
        std::memcpy(line, bytes + at, length);
        draxo::script_line parsed = draxo::parse_script_line(line, length);
        std::free(line);
        if (parsed.kind != 0 && parsed.kind != DRAXO_MOUSE && parsed.kind != DRAXO_KBD &&
            parsed.kind != DRAXO_PERIODIC)
            std::abort();
        check_round_trip(parsed);
        at += take;
    }
    return 0;
}
