// Card files on the disk: read within their size limit; the names of the
// files the designer writes.
#include "card_files.h"

#include <filesystem>

#include "files/safe_write.h"

namespace cards {
namespace {

namespace fs = std::filesystem;

}  // namespace

card_reading read_card_file(const std::string& path, bool& missing, std::string& bytes) {
    // One byte more than a card file may hold, so that a longer file is seen to be so.
    draxo::files::read_result read = draxo::files::read_file(path, card_file_limit + 1);
    missing = read.missing;
    bytes = read.bytes;
    if (!read.ok) {
        card_reading result;
        result.error = read.why_not;
        return result;
    }
    return parse_card(read.bytes);
}

std::string picture_file_for(const std::string& card_file) {
    fs::path picture(card_file);
    picture.replace_extension(".png");
    if (picture == fs::path(card_file)) picture += ".png";  // a card file named *.png
    return picture.string();
}

std::string free_name_beside(const std::string& path) {
    fs::path taken(path);
    for (int n = 2; n <= 999; ++n) {
        fs::path candidate = taken.parent_path() / (taken.stem().string() + "-" + std::to_string(n));
        candidate += taken.extension();
        if (!draxo::files::name_taken(candidate.string())) return candidate.string();
    }
    return "";
}

std::string file_name_of(const std::string& path) {
    std::string name = fs::path(path).filename().string();
    return name.empty() ? path : name;
}

}  // namespace cards
