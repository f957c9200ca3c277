// Names of files as a client gives them: bytes that are the package's text
// (UTF-8, or Latin-1 when they are not UTF-8; see text/text_encoding.h). On Windows a
// name reaches the system's wide-character functions as UTF-16, so that
// "Grüße.draxo", "Ωmega.draxo" or a folder "C:\Users\Jürgen" is the file
// the user named, whatever the system's code page; elsewhere the bytes are
// the name, as given. The file-system calls (file_system.cpp) and every
// path taken apart or put together (a folder, a file's name, its extension)
// go through here.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace draxo::files {

// The path a name stands for, and a path's name as bytes (UTF-8 on Windows).
std::filesystem::path path_of(std::string_view name);
std::string name_of(const std::filesystem::path& path);

#ifdef _WIN32
// A name as the system's wide functions take it, and the system's wide text
// (a command line, a folder's entry) as UTF-8.
std::wstring wide_of(std::string_view name);
std::string utf8_of_wide(std::wstring_view wide);
#endif

}  // namespace draxo::files
