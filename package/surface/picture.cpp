// Saving what is drawn: the frame buffer's pixels inside a logical rectangle
// as a PNG file. The window-system layer encodes the picture; this file
// writes it under a temporary name beside the target, flushed to the disk,
// and renames it over the target, so that a save that fails on the way
// leaves no half-written picture and an existing file as it was.
#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <system_error>
#include <utility>
#include <vector>
#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

#include "console/console.h"
#include "display.h"
#include "draxo.h"
#include "files/utf8_files.h"

namespace draxo {
namespace {

namespace fs = std::filesystem;

// The frame-buffer pixels of the logical rectangle with these corners,
// corners included, clipped to the frame (right and bottom exclusive).
ws::rect device_area(DRAXO_point upper_left, DRAXO_point lower_right) {
    auto clip = [](std::int64_t value, int limit) {
        return static_cast<int>(std::clamp<std::int64_t>(value, 0, limit));
    };
    ws::rect area;
    area.left = clip(std::int64_t{display.origin_x} + upper_left.x, frame_width);
    area.right = clip(std::int64_t{display.origin_x} + lower_right.x + 1, frame_width);
    area.top = clip(std::int64_t{display.origin_y} - upper_left.y, frame_height);
    area.bottom = clip(std::int64_t{display.origin_y} - lower_right.y + 1, frame_height);
    return area;
}

// A name for the temporary file in the target's directory, taken by no file yet.
fs::path temporary_beside(const fs::path& target) {
    static std::mt19937 names{std::random_device{}()};
    fs::path candidate;
    for (int attempt = 0; attempt < 100; ++attempt) {  // a name is all but always free at once
        char name[32];
        std::snprintf(name, sizeof name, ".draxo-%08x.tmp", static_cast<unsigned>(names()));
        candidate = target.parent_path() / name;
        std::error_code ignored;
        if (!fs::exists(fs::symlink_status(candidate, ignored))) break;
    }
    return candidate;
}

bool flush_to_disk(std::FILE* file) {
    if (std::fflush(file) != 0) return false;
#ifdef _WIN32
    return _commit(_fileno(file)) == 0;
#else
    return ::fsync(::fileno(file)) == 0;
#endif
}

// Writes the bytes to a fresh file and renames it over the target; false,
// with the reason, when a step fails, and then the fresh file is gone.
bool replace_file(const fs::path& target, const std::vector<unsigned char>& bytes, std::string& why_not) {
    fs::path temporary = temporary_beside(target);
    std::FILE* file = files::open_path(temporary, "wb");
    if (!file) {
        why_not = std::strerror(errno);
        return false;
    }
    bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size() && flush_to_disk(file);
    int error = errno;
    if (std::fclose(file) != 0 && written) {
        written = false;
        error = errno;
    }
    std::error_code renamed;
    if (written) fs::rename(temporary, target, renamed);
    if (written && !renamed) return true;
    why_not = written ? renamed.message() : std::strerror(error);
    std::error_code ignored;
    fs::remove(temporary, ignored);
    return false;
}

}  // namespace
}  // namespace draxo

using namespace draxo;

extern "C" int DRAXO_save_picture(const char* path, int x1, int y1, int x2, int y2) {
    if (!on_package_thread(__func__)) return 0;
    if (!path || !*path) {
        console_printf("Cannot save picture: no file name\n");
        return 0;
    }
    if (!display.open) {
        console_printf("Cannot save picture %s: the package is not open\n", path);
        return 0;
    }
    DRAXO_point upper_left{std::min(x1, x2), std::max(y1, y2)};
    DRAXO_point lower_right{std::max(x1, x2), std::min(y1, y2)};
    ws::rect area = device_area(upper_left, lower_right);
    if (area.left >= area.right || area.top >= area.bottom) {
        console_printf("Cannot save picture %s: the rectangle (%d,%d) to (%d,%d) lies outside the frame\n", path,
                       upper_left.x, upper_left.y, lower_right.x, lower_right.y);
        return 0;
    }
    if (console.logging)
        console_printf("Saving the picture of (%d,%d) to (%d,%d) as \"%s\"\n", upper_left.x, upper_left.y,
                       lower_right.x, lower_right.y, path);

    std::vector<unsigned char> png;
    if (!ws::encode_png(display.frame_buffer, area, png)) {
        console_printf("Cannot save picture %s: the picture could not be encoded\n", path);
        return 0;
    }
    std::string why_not;
    if (!replace_file(files::path_of(path), png, why_not)) {
        console_printf("Cannot save picture %s: %s\n", path, why_not.c_str());
        return 0;
    }
    return 1;
}
