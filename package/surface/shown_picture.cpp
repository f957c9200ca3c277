// Keeping what the drawing window shows, for an unattended run.
#include "shown_picture.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string_view>
#include <vector>

#include "display.h"
#include "files/file_size_signal.h"
#include "files/safe_write.h"
#include "png/png_codec.h"
#include "run_report.h"

namespace draxo {
namespace {

struct shown_state {
    bool keeping = false;
    bool shown_since_saved = false;
    std::FILE* file = nullptr;  // the run file, or null
    run_file_status status{};
    int width = 0, height = 0;  // of the picture in the run file
};
shown_state shown;

void stop_keeping_file(const char* why) {
    std::fprintf(stderr, "DRAXO: cannot write the run file: %s; what the program shows is no longer kept there\n",
                 why);
    std::fclose(shown.file);
    shown.file = nullptr;
}

// Writes bytes at an offset of the run file, through to the file at once.
// A file-size limit (ulimit -f) makes the write fail, not end the program.
bool write_at(long offset, const void* bytes, std::size_t size) {
    if (!shown.file) return false;
    files::file_size_signal_held held;
    errno = 0;
    bool written = std::fseek(shown.file, offset, SEEK_SET) == 0 &&
                   std::fwrite(bytes, 1, size, shown.file) == size && std::fflush(shown.file) == 0;
    if (!written) stop_keeping_file(std::strerror(errno ? errno : EIO));
    return written;
}

// Rows top to bottom of the surface, as the run file's picture holds them:
// without gaps between rows.
void write_rows(const ws::pixels& surface, int top, int bottom) {
    std::size_t row_bytes = static_cast<std::size_t>(surface.width) * sizeof(std::uint32_t);
    for (int row = top; row < bottom && shown.file;) {
        // Rows without gaps go in one write.
        int rows = surface.stride == surface.width ? bottom - row : 1;
        write_at(run_file_pixels_at + static_cast<long>(row * row_bytes), surface.bits + row * surface.stride,
                 rows * row_bytes);
        row += rows;
    }
}

// Rows top to bottom - 1, in which columns left to right - 1 changed.
struct row_run {
    int top, bottom, left, right;
};

// Copies the frame buffer's rows that differ into the surface, as far as it
// reaches; `changed` gets the runs of rows that changed, top to bottom, each
// as wide as its changes. Only they go to the run file (whole rows) and to
// the report (as wide as they changed): a ball moving below a bar that
// grows changes a few rows, not all those between, and few columns.
void copy_changed_rows(const ws::pixels& frame, const ws::pixels& surface, std::vector<row_run>& changed) {
    changed.clear();
    int width = std::min(frame.width, surface.width), height = std::min(frame.height, surface.height);
    std::size_t row_bytes = static_cast<std::size_t>(width) * sizeof(std::uint32_t);
    for (int row = 0; row < height; ++row) {
        const std::uint32_t* from = frame.bits + static_cast<std::ptrdiff_t>(row) * frame.stride;
        std::uint32_t* to = surface.bits + static_cast<std::ptrdiff_t>(row) * surface.stride;
        if (std::memcmp(from, to, row_bytes) == 0) continue;
        int left = 0, right = width;
        while (from[left] == to[left]) ++left;
        while (from[right - 1] == to[right - 1]) --right;
        std::memcpy(to, from, row_bytes);
        if (!changed.empty() && changed.back().bottom == row) {
            row_run& run = changed.back();
            run.bottom = row + 1;
            run.left = std::min(run.left, left);
            run.right = std::max(run.right, right);
        } else {
            changed.push_back({row, row + 1, left, right});
        }
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

bool keeping_shown_pictures() { return shown.keeping; }

void show_frame_buffer() {
    ws::window w = package.drawing_window;
    ws::pixels surface = ws::image_pixels(ws::window_surface(w));
    if (!surface.bits) return;
    shown.shown_since_saved = true;
    static std::vector<row_run> changed;
    copy_changed_rows(ws::image_pixels(display.frame_buffer), surface, changed);
    if (surface.width != shown.width || surface.height != shown.height || shown.status.shown_version == 0) {
        shown.width = surface.width;
        shown.height = surface.height;
        changed.assign(1, row_run{0, surface.height, 0, surface.width});
    }
    if (changed.empty()) return;  // the same picture again
    ws::surface_changed(w);
    ++shown.status.shown_version;
    shown.status.width = static_cast<std::uint32_t>(shown.width);
    shown.status.height = static_cast<std::uint32_t>(shown.height);
    // The pixels first: a status that names a picture never points at rows
    // not written yet, and makes the rows before it the picture shown.
    for (const row_run& run : changed) {
        write_rows(surface, run.top, run.bottom);
        report_shown_rows(surface, run.top, run.bottom, run.left, run.right);
    }
    write_run_status();
}

bool shown_since_saved() { return shown.shown_since_saved; }

bool save_shown_picture(const std::string& path, std::string& why_not) {
    ws::image surface = ws::window_surface(package.drawing_window);
    ws::pixels px = ws::image_pixels(surface);
    if (shown.status.shown_version == 0 || !px.bits) {
        why_not = "the program showed nothing";
        return false;
    }
    // The layer's own encoder, not the platform's: it needs nothing but the
    // pixels, so it is safe at the end of the process, and the same pixels
    // give the same file on every platform.
    const std::vector<unsigned char> png = png::encode(px.bits, px.width, px.height, px.stride);
    files::write_result written =
        files::replace_file(path, std::string_view(reinterpret_cast<const char*>(png.data()), png.size()));
    if (!written.ok()) {
        why_not = written.why_not;
        return false;
    }
    shown.shown_since_saved = false;
    shown.status.saved_version = shown.status.shown_version;
    write_run_status();
    return true;
}

run_file_status& run_status() { return shown.status; }

void write_run_status() {
    if (shown.file) write_at(0, &shown.status, sizeof shown.status);
    report_run_status(shown.status);
}

void reset_shown_pictures() {
    if (shown.file) std::fclose(shown.file);
    shown = shown_state{};
}

}  // namespace draxo
