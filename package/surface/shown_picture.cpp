// Keeping what the drawing window shows, for an unattended run.
#include "shown_picture.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

#include "display.h"
#include "replace_file.h"
#include "window_system/png_codec.h"

namespace draxo {
namespace {

struct shown_state {
    bool keeping = false;
    bool shown_since_saved = false;
    std::FILE* file = nullptr;  // the run file, or null
    run_file_status status{};
    // The surface as last shown, row after row, to find what changed.
    std::vector<std::uint32_t> kept;
    int width = 0, height = 0;
};
shown_state shown;

void stop_keeping_file(const char* why) {
    std::fprintf(stderr, "DRAXO: cannot write the run file: %s; what the program shows is no longer kept there\n",
                 why);
    std::fclose(shown.file);
    shown.file = nullptr;
}

// Writes bytes at an offset of the run file, through to the file at once.
bool write_at(long offset, const void* bytes, std::size_t size) {
    if (!shown.file) return false;
    errno = 0;
    bool written = std::fseek(shown.file, offset, SEEK_SET) == 0 &&
                   std::fwrite(bytes, 1, size, shown.file) == size && std::fflush(shown.file) == 0;
    if (!written) stop_keeping_file(std::strerror(errno ? errno : EIO));
    return written;
}

void write_rows(int top, int bottom) {
    if (top >= bottom) return;
    std::size_t row_size = static_cast<std::size_t>(shown.width);
    write_at(run_file_pixels_at + static_cast<long>(top * row_size * sizeof(std::uint32_t)),
             shown.kept.data() + top * row_size, (bottom - top) * row_size * sizeof(std::uint32_t));
}

// Copies the surface's rows that differ from the kept ones; returns the
// first and one past the last changed row (equal when none changed).
void take_changed_rows(const ws::pixels& now, int& top, int& bottom) {
    top = bottom = 0;
    std::size_t row_bytes = static_cast<std::size_t>(now.width) * sizeof(std::uint32_t);
    for (int row = 0; row < now.height; ++row) {
        const std::uint32_t* current = now.bits + static_cast<std::ptrdiff_t>(row) * now.stride;
        std::uint32_t* before = shown.kept.data() + static_cast<std::size_t>(row) * now.width;
        if (std::memcmp(current, before, row_bytes) == 0) continue;
        std::memcpy(before, current, row_bytes);
        if (top == bottom) top = row;
        bottom = row + 1;
    }
}

}  // namespace

bool keep_shown_pictures(const std::string& run_file_path, std::string& why_not) {
    shown.keeping = true;
    std::memcpy(shown.status.magic, run_file_magic, sizeof run_file_magic);
    shown.status.version = run_file_version;
    if (run_file_path.empty()) return true;
    shown.file = std::fopen(run_file_path.c_str(), "w+b");
    if (!shown.file) {
        why_not = std::strerror(errno);
        return false;
    }
    write_run_status();
    if (shown.file) return true;
    why_not = "it cannot be written";
    return false;
}

void picture_shown() {
    if (!shown.keeping) return;
    shown.shown_since_saved = true;
    ws::pixels now = ws::image_pixels(ws::window_surface(display.main_window));
    if (!now.bits) return;
    int top = 0, bottom = 0;
    if (now.width != shown.width || now.height != shown.height) {
        shown.width = now.width;
        shown.height = now.height;
        shown.kept.assign(static_cast<std::size_t>(now.width) * now.height, 0);
        take_changed_rows(now, top, bottom);
        top = 0;
        bottom = now.height;
    } else {
        take_changed_rows(now, top, bottom);
        if (top == bottom) return;  // the same picture again
    }
    ++shown.status.shown_version;
    shown.status.width = static_cast<std::uint32_t>(shown.width);
    shown.status.height = static_cast<std::uint32_t>(shown.height);
    // The pixels first: a status that names a picture never points at rows
    // not written yet.
    write_rows(top, bottom);
    write_run_status();
}

bool shown_since_saved() { return shown.shown_since_saved; }

bool save_shown_picture(const std::string& path, std::string& why_not) {
    ws::image surface = ws::window_surface(display.main_window);
    ws::pixels px = ws::image_pixels(surface);
    if (shown.status.shown_version == 0 || !px.bits) {
        why_not = "the program showed nothing";
        return false;
    }
    // The layer's own encoder, not the platform's: it needs nothing but the
    // pixels, so it is safe at the end of the process, and the same pixels
    // give the same file on every platform.
    if (!replace_file(path, png::encode(px.bits, px.width, px.height, px.stride), why_not)) return false;
    shown.shown_since_saved = false;
    shown.status.saved_version = shown.status.shown_version;
    write_run_status();
    return true;
}

run_file_status& run_status() { return shown.status; }

void write_run_status() {
    if (shown.file) write_at(0, &shown.status, sizeof shown.status);
}

void reset_shown_pictures() {
    if (shown.file) std::fclose(shown.file);
    shown = shown_state{};
}

}  // namespace draxo
