#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The file system as the core sees it: paths and names are Windows-1252 text, converted
// to native paths only here. Writers replace files atomically.
namespace pixtrail::base {

/// The folder separator of the platform.
#ifdef _WIN32
constexpr char kPathSeparator = '\\';
#else
constexpr char kPathSeparator = '/';
#endif

/// Native path of a Windows-1252 path (UTF-8 bytes on Linux).
std::filesystem::path nativePath(std::string_view ansiPath);

/// Windows-1252 text of a native path; characters the code page lacks become '?'.
std::string ansiPath(const std::filesystem::path& path);

/// folder + separator + name, adding the separator only when the folder lacks one.
std::string joinPath(std::string_view folder, std::string_view name);

bool fileExists(std::string_view path);      ///< a regular file (links followed)
bool directoryExists(std::string_view path); ///< a directory (links followed)
std::optional<std::uintmax_t> fileSize(std::string_view path);

/// Whole content of a file, or nullopt when it cannot be read.
std::optional<std::string> readFile(std::string_view path);

/// Why a path cannot be read as a file, in the system's words ("Is a directory",
/// "Permission denied", "No such file or directory"); empty when it can be.
std::string whyUnreadable(std::string_view path);

/// Writes `content` to a temporary file in the target's folder and renames it over the
/// target, so a crash or kill leaves either the old file or the new one, never a part.
/// A replaced file keeps its permission bits. Throws RunError when the write fails; the
/// previous file is then untouched and no temporary is left behind.
void writeFileAtomically(std::string_view path, std::string_view content);

/// Removes temporaries that an interrupted atomic write left in `folder`.
/// Returns the number removed.
int removeLeftoverTemporaries(std::string_view folder);

/// True when `name` is the name of one of those temporaries.
bool isAtomicWriteTemporary(std::string_view name);

/// Deletes a file; false when it could not be deleted.
bool removeFile(std::string_view path);

/// Creates one directory; false when it could not be created (also when it exists). When
/// the system refused it, `why` (if given) receives its words ("Permission denied").
bool createDirectory(std::string_view path, std::string* why = nullptr);

/// Windows wildcard matching, case-insensitive: '*' matches any run of characters,
/// '?' exactly one, and a pattern ending in ".*" also matches names without a dot part
/// ("name*.*" matches "name1").
bool matchesWildcard(std::string_view name, std::string_view pattern);

/// Names (not paths) of the regular files in `folder` that match `pattern`, sorted
/// case-insensitively as Windows returns them. Names the code page cannot spell are left
/// out, since the program cannot have written them and could not address them.
/// A missing folder gives an empty list.
std::vector<std::string> listFiles(std::string_view folder, std::string_view pattern);

/// The same for a "folder + pattern" text such as "/spoilers/GC123 - *".
std::vector<std::string> findFiles(std::string_view folderAndPattern);

/// Folder of the running executable.
std::filesystem::path executableDirectory();

/// True when a file can actually be created in the folder (tried, not guessed from the
/// permission bits, which say little for root or read-only mounts).
bool isDirectoryWritable(const std::filesystem::path& folder);

/// Test hook: make the next atomic writes fail at the rename, as an interrupted write
/// would, so tests can prove that the previous file survives.
void failAtomicRenamesForTesting(bool fail);

/// Test hook: make removeFile of this one path fail and leave the file, as a file on a
/// read-only medium would, which root (running the tests) cannot otherwise be shown. An
/// empty path ends it.
void failRemovalForTesting(std::string path);

} // namespace pixtrail::base
