// Reading the run file.
#include "run_file_reader.h"

#include <cstdio>
#include <cstring>

namespace draxo_run {

bool read_run_status(const std::filesystem::path& path, draxo::run_file_status& status) {
    std::FILE* file = std::fopen(path.string().c_str(), "rb");
    if (!file) return false;
    bool read = std::fread(&status, sizeof status, 1, file) == 1;
    std::fclose(file);
    return read && std::memcmp(status.magic, draxo::run_file_magic, sizeof status.magic) == 0 &&
           status.version == draxo::run_file_version && status.opened == 1;
}

draxo::png::picture read_shown_picture(const std::filesystem::path& path, const draxo::run_file_status& status) {
    draxo::png::picture picture;
    if (status.width == 0 || status.height == 0 || status.width > draxo::png::largest_side ||
        status.height > draxo::png::largest_side)
        return picture;
    std::FILE* file = std::fopen(path.string().c_str(), "rb");
    if (!file) return picture;
    picture.width = static_cast<int>(status.width);
    picture.height = static_cast<int>(status.height);
    picture.pixels.resize(static_cast<std::size_t>(status.width) * status.height);
    bool read = std::fseek(file, draxo::run_file_pixels_at, SEEK_SET) == 0 &&
                std::fread(picture.pixels.data(), sizeof(std::uint32_t), picture.pixels.size(), file) ==
                    picture.pixels.size();
    std::fclose(file);
    if (!read) picture = draxo::png::picture{};
    return picture;
}

}  // namespace draxo_run
