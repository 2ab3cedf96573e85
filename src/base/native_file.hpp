#pragma once

#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>

// What opening a file takes on each platform (native_file_posix.cpp, native_file_win.cpp):
// the conversion of the program's Windows-1252 names, and opening by native path.
namespace pixtrail::base {

/// std::fopen by native path ("rb", "ab" ...); nullptr (errno set) when it cannot.
std::FILE* openNativeFile(const std::filesystem::path& path, const char* mode);

/// Creates a file that must not exist yet, for writing in binary mode; nullptr when it
/// cannot, with errno EEXIST when the name is taken.
std::FILE* createNewFile(const std::filesystem::path& path);

/// The name of a directory entry as Windows-1252 text; false when the code page cannot
/// spell it.
bool entryNameInAnsi(const std::filesystem::path& name, std::string& ansi);

} // namespace pixtrail::base
