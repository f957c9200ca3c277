// Capturing the console's lines into a file or standard output.
#include "console_capture.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "console.h"

namespace draxo {
namespace {

std::FILE* capture = nullptr;
std::string capture_name;

// A line that cannot be written ends the capture, said on standard error:
// the console itself is the place for the package's messages, and it is
// what failed.
void write_line(const char* text) {
    std::size_t length = std::strlen(text);
    if (length > 0 && text[length - 1] == '\n') --length;
    errno = 0;
    if (std::fwrite(text, 1, length, capture) == length && std::fputc('\n', capture) != EOF &&
        std::fflush(capture) == 0)
        return;
    std::fprintf(stderr, "DRAXO: cannot write the console to %s: %s; the console is no longer kept there\n",
                 capture_name.c_str(), std::strerror(errno ? errno : EIO));
    stop_console_capture();
}

}  // namespace

bool capture_console(const std::string& path, std::string& why_not) {
    stop_console_capture();
    if (path == "-") {
        capture = stdout;
        capture_name = "standard output";
    } else {
        capture = std::fopen(path.c_str(), "w");
        capture_name = path;
        if (!capture) {
            why_not = std::strerror(errno);
            return false;
        }
    }
    // Lines printed before the package opened wait in the ring.
    int slot = console.console_first;
    for (int count = 0; capture && slot >= 0 && !(slot == console.console_next && count != 0); ++count) {
        if (console.console_lines[slot]) write_line(console.console_lines[slot]);
        slot = slot == console_ring_size - 1 ? 0 : slot + 1;
    }
    return true;
}

void capture_console_line(const char* text) {
    if (capture) write_line(text);
}

void stop_console_capture() {
    if (capture && capture != stdout) std::fclose(capture);
    capture = nullptr;
}

}  // namespace draxo
