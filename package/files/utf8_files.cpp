// Files by UTF-8 name: on Windows through the wide-character functions, elsewhere the bytes as given.
#include "utf8_files.h"

#include "window_system/ws_text.h"

namespace draxo::files {

namespace fs = std::filesystem;

#ifdef _WIN32

fs::path path_of(std::string_view name) {
    const std::u16string wide = ws::utf16_of_utf8(ws::text_as_utf8(name));
    return fs::path(std::wstring(wide.begin(), wide.end()));
}

std::string name_of(const fs::path& path) { return utf8_of_wide(path.native()); }

std::string utf8_of_wide(std::wstring_view wide) {
    return ws::utf8_of_utf16(std::u16string(wide.begin(), wide.end()));
}

std::FILE* open_path(const fs::path& path, const char* mode) {
    const std::wstring wide_mode(mode, mode + std::char_traits<char>::length(mode));
    return ::_wfopen(path.c_str(), wide_mode.c_str());
}

#else

fs::path path_of(std::string_view name) { return fs::path(std::string(name)); }

std::string name_of(const fs::path& path) { return path.native(); }

std::FILE* open_path(const fs::path& path, const char* mode) { return std::fopen(path.c_str(), mode); }

#endif

std::FILE* open_file(std::string_view name, const char* mode) { return open_path(path_of(name), mode); }

fs::file_status status_of(std::string_view name, std::error_code& error) {
    return fs::status(path_of(name), error);
}

fs::file_status link_status_of(std::string_view name, std::error_code& error) {
    return fs::symlink_status(path_of(name), error);
}

bool rename_file(std::string_view from, std::string_view to, std::error_code& error) {
    fs::rename(path_of(from), path_of(to), error);
    return !error;
}

bool remove_file(std::string_view name, std::error_code& error) { return fs::remove(path_of(name), error); }

std::vector<std::string> list_directory(std::string_view name, std::error_code& error) {
    std::vector<std::string> names;
    for (fs::directory_iterator entry(path_of(name), error), end; !error && entry != end; entry.increment(error))
        names.push_back(name_of(entry->path().filename()));
    if (error) names.clear();
    return names;
}

}  // namespace draxo::files
