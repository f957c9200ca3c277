// Names of files by UTF-8 on Windows, as bytes elsewhere.
#include "utf8_files.h"

#include "text/text_encoding.h"

namespace draxo::files {

namespace fs = std::filesystem;

#ifdef _WIN32

std::wstring wide_of(std::string_view name) {
    const std::u16string wide = text::utf16_of_utf8(text::text_as_utf8(name));
    return std::wstring(wide.begin(), wide.end());
}

std::string utf8_of_wide(std::wstring_view wide) {
    return text::utf8_of_utf16(std::u16string(wide.begin(), wide.end()));
}

fs::path path_of(std::string_view name) { return fs::path(wide_of(name)); }

std::string name_of(const fs::path& path) { return utf8_of_wide(path.native()); }

#else

fs::path path_of(std::string_view name) { return fs::path(std::string(name)); }

std::string name_of(const fs::path& path) { return path.native(); }

#endif

}  // namespace draxo::files
