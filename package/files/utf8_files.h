// Files by the names a client gives: the bytes of a name are the package's
// text (UTF-8, or Latin-1 when they are not UTF-8; see ws_text.h). On
// Windows a name reaches the system's wide-character functions as UTF-16,
// so that "Grüße.draxo", "Ωmega.draxo" or a folder "C:\Users\Jürgen" is the
// file the user named, whatever the system's code page; elsewhere the bytes
// are the name, as given.
//
// Every function the package and the designer open, test, rename, remove or
// list files with by name goes through here.
#pragma once

#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

namespace draxo::files {

// The path a name stands for, and a path's name as bytes (UTF-8 on Windows).
std::filesystem::path path_of(std::string_view name);
std::string name_of(const std::filesystem::path& path);

// std::fopen by name, or by path; null, with errno set, when it fails.
std::FILE* open_file(std::string_view name, const char* mode);
std::FILE* open_path(const std::filesystem::path& path, const char* mode);

// The file's status, following a symbolic link or not; on failure the error
// is set and the status says not_found (nothing there) or none.
std::filesystem::file_status status_of(std::string_view name, std::error_code& error);
std::filesystem::file_status link_status_of(std::string_view name, std::error_code& error);

// Renames `from` over `to` (replacing a file there), removes a file; false
// when nothing was renamed or removed, with the error when the system refused.
bool rename_file(std::string_view from, std::string_view to, std::error_code& error);
bool remove_file(std::string_view name, std::error_code& error);

// The names of the entries of a folder (without "." and ".."), in the
// system's order; empty, with the error, when it cannot be read.
std::vector<std::string> list_directory(std::string_view name, std::error_code& error);

#ifdef _WIN32
// The system's wide text (a command line, say) as UTF-8.
std::string utf8_of_wide(std::wstring_view wide);
#endif

}  // namespace draxo::files
