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
void (*capture_writer)(const std::string& line) = nullptr;

// A line as the file has it: its text up to its first NUL, a single
// trailing newline left out, then a newline.
std::string line_of(const char* text) {
    std::size_t length = std::strlen(text);
    if (length > 0 && text[length - 1] == '\n') --length;
    return std::string(text, length) + '\n';
}

void close_capture_file() {
    if (capture && capture != stdout) std::fclose(capture);
    capture = nullptr;
}

// A line that cannot be written ends the capture, said on standard error:
// the console itself is the place for the package's messages, and it is
// what failed.
void write_line(const char* text) {
    std::string line = line_of(text);
    errno = 0;
    if (std::fwrite(line.data(), 1, line.size(), capture) == line.size() && std::fflush(capture) == 0) return;
    std::fprintf(stderr, "DRAXO: cannot write the console to %s: %s; the console is no longer kept there\n",
                 capture_name.c_str(), std::strerror(errno ? errno : EIO));
    close_capture_file();
}

// The lines still in the console's ring, oldest first.
void for_each_line_in_ring(void (*take)(const char* text)) {
    int slot = console.console_first;
    for (int count = 0; slot >= 0 && !(slot == console.console_next && count != 0); ++count) {
        if (console.console_lines[slot]) take(console.console_lines[slot]);
        slot = slot == console_ring_size - 1 ? 0 : slot + 1;
    }
}

}  // namespace

bool capture_console(const std::string& path, std::string& why_not) {
    close_capture_file();
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
    for_each_line_in_ring([](const char* text) {
        if (capture) write_line(text);
    });
    return true;
}

void capture_console_through(void (*write)(const std::string& line)) {
    capture_writer = write;
    for_each_line_in_ring([](const char* text) {
        if (capture_writer) capture_writer(line_of(text));
    });
}

void capture_console_line(const char* text) {
    if (capture) write_line(text);
    if (capture_writer) capture_writer(line_of(text));
}

void stop_console_capture() {
    close_capture_file();
    capture_writer = nullptr;
}

}  // namespace draxo
