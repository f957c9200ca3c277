// Card files on the disk: read within their size limit, written through a
// fresh file and a rename; the names of the files the designer writes.
#include "card_files.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <random>
#include <system_error>

#include "files/utf8_files.h"
#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

namespace cards {
namespace {

namespace fs = std::filesystem;
namespace files = draxo::files;

// A name for the fresh file in the target's directory, taken by no file yet.
fs::path temporary_beside(const fs::path& target) {
    static std::mt19937 names{std::random_device{}()};
    fs::path candidate;
    for (int attempt = 0; attempt < 100; ++attempt) {  // a name is all but always free at once
        char name[32];
        std::snprintf(name, sizeof name, ".card-%08x.tmp", static_cast<unsigned>(names()));
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

}  // namespace

card_reading read_card_file(const std::string& path, bool& missing) {
    card_reading result;
    missing = false;
    // Only a regular file is opened: a folder has no card, and a device or
    // a pipe could give bytes for ever or none at all.
    std::error_code error_code;
    fs::file_status status = files::status_of(path, error_code);
    if (fs::is_directory(status) || (fs::exists(status) && !fs::is_regular_file(status))) {
        result.error = fs::is_directory(status) ? "it is a folder" : "it is not a regular file";
        return result;
    }
    std::FILE* file = files::open_file(path, "rb");
    if (!file) {
        missing = errno == ENOENT;
        result.error = std::strerror(errno);
        return result;
    }
    // One byte more than a card file may hold, so that a longer file is seen to be so.
    std::string bytes(card_file_limit + 1, '\0');
    bytes.resize(std::fread(bytes.data(), 1, bytes.size(), file));
    bool failed = std::ferror(file) != 0;
    int error = errno;
    std::fclose(file);
    if (failed) {
        result.error = std::strerror(error);
        return result;
    }
    return parse_card(bytes);
}

bool replace_file(const std::string& path, std::string_view bytes, std::string& why_not) {
    fs::path target = files::path_of(path), temporary = temporary_beside(target);
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

std::string picture_file_for(const std::string& card_file) {
    fs::path picture = files::path_of(card_file);
    picture.replace_extension(".png");
    if (picture == files::path_of(card_file)) picture += ".png";  // a card file named *.png
    return files::name_of(picture);
}

std::string free_name_beside(const std::string& path) {
    fs::path taken = files::path_of(path);
    for (int n = 2; n <= 999; ++n) {
        fs::path candidate = taken.parent_path() / taken.stem();
        candidate += "-" + std::to_string(n);
        candidate += taken.extension();
        std::error_code error;
        fs::file_status status = fs::symlink_status(candidate, error);
        if (!fs::exists(status) && status.type() == fs::file_type::not_found) return files::name_of(candidate);
    }
    return "";
}

std::string file_name_of(const std::string& path) {
    std::string name = files::name_of(files::path_of(path).filename());
    return name.empty() ? path : name;
}

}  // namespace cards
