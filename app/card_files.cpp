// Card files on the disk: read within their size limit; the names of the
// files the designer writes.
#include "card_files.h"

#include <filesystem>

#include "files/safe_write.h"
#include "files/utf8_files.h"

namespace cards {
namespace {

namespace fs = std::filesystem;
namespace files = draxo::files;

}  // namespace

card_reading read_card_file(const std::string& path, bool& missing, std::string& bytes) {
    // One byte more than a card file may hold, so that a longer file is seen to be so.
    draxo::files::read_result read = draxo::files::read_small_file(path, card_file_limit + 1);
    missing = read.missing;
    bytes = read.bytes;
    if (!read.ok) {
        card_reading result;
        result.error = read.why_not;
        return result;
    }
    return parse_card(read.bytes);
}

// Names are the bytes the user gave (UTF-8 on Windows), taken apart and put
// together as paths by files::path_of and files::name_of.
std::string picture_file_for(const std::string& card_file) {
    fs::path picture = files::path_of(card_file);
    picture.replace_extension(".png");
    if (picture == files::path_of(card_file)) picture += ".png";  // a card file named *.png
    return files::name_of(picture);
}

std::string free_name_beside(const std::string& path, std::string& why_not) {
    const fs::path taken = files::path_of(path);
    for (int n = 2; n <= 999; ++n) {
        fs::path candidate = taken.parent_path() / taken.stem();
        candidate += "-" + std::to_string(n);
        candidate += taken.extension();
        std::string unknown;
        if (!files::name_taken(files::name_of(candidate), unknown)) return files::name_of(candidate);
        // What keeps one name from being had (too long a name, a folder
        // that may not be searched) keeps every later one too.
        if (!unknown.empty()) {
            why_not = unknown;
            return "";
        }
    }
    why_not = "no free name beside";
    return "";
}

std::string file_name_of(const std::string& path) {
    std::string name = files::name_of(files::path_of(path).filename());
    return name.empty() ? path : name;
}

}  // namespace cards
