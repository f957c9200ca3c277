// Fuzz target for the card file reader. Any bytes go to the reader, which
// must never read past them, overflow or misbehave, and either refuse them,
// naming a line within the input, or give a card whose values the designer
// can show. Every card it gives is then written back and read again: the
// card must come back unchanged, and its text must be the input's own, but
// for "\r\n" line ends.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "card_format.h"

namespace {

bool showable(const cards::card& c) {
    if (c.background_color < 0 || c.background_color > 23) return false;
    if (c.object_count < 0 || c.object_count > cards::max_objects) return false;
    for (int n = 0; n < c.object_count; ++n) {
        const cards::card_object& o = c.objects[n];
        int styles = o.kind == cards::OBJECT_SHAPE ? 4 : 10;
        if (o.kind != cards::OBJECT_SHAPE && o.kind != cards::OBJECT_MESSAGE) return false;
        if (o.style < 0 || o.style >= styles || o.color < 0 || o.color > 23) return false;
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view bytes(reinterpret_cast<const char*>(data), size);
    cards::card_reading read = cards::parse_card(bytes);
    if (!read.ok) {
        if (read.line < 1 || read.error.empty()) std::abort();
        std::size_t lines = 1;
        for (char c : bytes) lines += c == '\n';
        if (static_cast<std::size_t>(read.line) > lines + 1) std::abort();
        return 0;
    }
    if (!showable(read.value)) std::abort();
    std::string text = cards::format_card(read.value);
    cards::card_reading again = cards::parse_card(text);
    if (!again.ok || !(again.value == read.value)) std::abort();
    std::string without_cr;
    for (std::size_t i = 0; i < bytes.size(); ++i)
        if (!(bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n')) without_cr += bytes[i];
    if (text != without_cr) std::abort();
    return 0;
}
