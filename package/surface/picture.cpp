// Saving what is drawn: the frame buffer's pixels inside a logical rectangle
// as a PNG file. The window-system layer encodes the picture; the package's
// file library writes it under a fresh name beside the target, flushed to
// the disk, and renames it over the target, so that a save that fails on the
// way leaves no half-written picture and an existing file as it was. Every
// message puts its reason before the path, which may be too long to show.
#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "console/console.h"
#include "display.h"
#include "draxo.h"
#include "files/safe_write.h"
#include "operation_guard.h"

namespace draxo {
namespace {

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

}  // namespace
}  // namespace draxo

using namespace draxo;

extern "C" int DRAXO_save_picture(const char* path, int x1, int y1, int x2, int y2) try {
    if (!on_package_thread(__func__)) return 0;
    if (!path || !*path) {
        console_printf("Cannot save picture: no file name\n");
        return 0;
    }
    if (!package.open) {
        console_printf("Cannot save picture: the package is not open (%s)\n", path);
        return 0;
    }
    DRAXO_point upper_left{std::min(x1, x2), std::max(y1, y2)};
    DRAXO_point lower_right{std::max(x1, x2), std::min(y1, y2)};
    ws::rect area = device_area(upper_left, lower_right);
    if (area.left >= area.right || area.top >= area.bottom) {
        console_printf("Cannot save picture: the rectangle (%d,%d) to (%d,%d) lies outside the frame (%s)\n",
                       upper_left.x, upper_left.y, lower_right.x, lower_right.y, path);
        return 0;
    }
    if (console.logging)
        console_printf("Saving the picture of (%d,%d) to (%d,%d) as \"%s\"\n", upper_left.x, upper_left.y,
                       lower_right.x, lower_right.y, path);

    std::vector<unsigned char> png;
    if (!ws::encode_png(display.frame_buffer, area, png)) {
        console_printf("Cannot save picture: the picture could not be encoded (%s)\n", path);
        return 0;
    }
    files::write_result written =
        files::replace_file(path, std::string_view(reinterpret_cast<const char*>(png.data()), png.size()));
    if (!written.ok()) {
        console_printf("Cannot save picture: %s (%s)\n", written.why_not.c_str(), path);
        return 0;
    }
    // Saved, but not the safe way: a failure on the way would have damaged it.
    if (!written.in_place_because.empty())
        console_printf("Saved picture in place: %s (%s)\n", written.in_place_because.c_str(), path);
    return 1;
} catch (...) {
    return operation_failed(__func__, 0);
}
