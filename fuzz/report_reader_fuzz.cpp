// Fuzz target for draxo-run's reader of the run's report, the bytes a graded
// program's process writes to draxo-run's pipe: a hostile program may write
// anything there. Any bytes go to the reader, whole and in pieces of sizes
// the first byte chooses; it must never read past them, overflow or
// misbehave, and the pieces must give what the whole gives: the same
// status, picture, console text and verdict, since a pipe hands bytes over
// in pieces of any size.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "report_reader.h"

namespace {

struct read_back {
    bool have_status;
    draxo::run_file_status status;
    draxo::png::picture shown;
    std::string console;
    bool malformed;
    bool in_a_record;
};

read_back read(const char* bytes, std::size_t size, std::size_t piece) {
    draxo_run::report_reader reader;
    std::string console;
    for (std::size_t at = 0; at < size; at += piece) {
        reader.take(bytes + at, std::min(piece, size - at));
        console += reader.take_console_text();
    }
    read_back r{reader.have_status(),        reader.status(),     reader.shown(), console,
                !reader.malformed().empty(), reader.in_a_record()};
    if (!r.shown.pixels.empty() && r.shown.pixels.size() != static_cast<std::size_t>(r.shown.width) *
                                                                static_cast<std::size_t>(r.shown.height))
        std::abort();
    return r;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const std::size_t piece = 1 + data[0] % 37;
    const char* bytes = reinterpret_cast<const char*>(data + 1);
    --size;
    read_back whole = read(bytes, size, size ? size : 1), pieces = read(bytes, size, piece);
    if (whole.have_status != pieces.have_status || whole.malformed != pieces.malformed ||
        whole.console != pieces.console || whole.shown.width != pieces.shown.width ||
        whole.shown.height != pieces.shown.height || whole.shown.pixels != pieces.shown.pixels)
        std::abort();
    if (whole.have_status && std::memcmp(&whole.status, &pieces.status, sizeof whole.status) != 0) std::abort();
    if (!whole.malformed && whole.in_a_record != pieces.in_a_record) std::abort();
    return 0;
}
