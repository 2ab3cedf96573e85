#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

// A rewritten picture keeps the dates of the file it replaces, so that sorting a spoiler
// folder by date still shows when each picture arrived.
namespace pixtrail::imaging {

/// The times of a file and, where the system has them, its attributes (read-only, hidden,
/// archive ...), in the platform's own units (file_stamp_posix.cpp, file_stamp_win.cpp).
struct FileStamp {
    std::int64_t created = 0; ///< Windows only: POSIX systems keep no creation time to set
    std::int64_t accessed = 0;
    std::int64_t modified = 0;
    std::uint32_t attributes = 0; ///< Windows only; POSIX permission bits travel with the write
};

/// The stamp of the regular file at `path`; nullopt when there is none.
std::optional<FileStamp> readFileStamp(std::string_view path);

/// Gives the file at `path` the times (and attributes) of `stamp`; failures are ignored,
/// since the file itself is in place. (file_stamp_posix.cpp, file_stamp_win.cpp)
void applyFileStamp(std::string_view path, const FileStamp& stamp);

/// Writes `content` over `path` through a temporary file and a rename, so a failure leaves
/// the previous file whole; the new file keeps the previous one's permission bits, and
/// takes `stamp`'s times (and attributes) when one is given (failures to set them are ignored).
/// Throws RunError when the content cannot be written.
void replaceFileKeepingStamp(std::string_view path, std::string_view content,
                             const std::optional<FileStamp>& stamp);

} // namespace pixtrail::imaging
