#pragma once

#include <ctime>
#include <optional>
#include <string_view>

// A rewritten picture keeps the dates of the file it replaces, so that sorting a spoiler
// folder by date still shows when each picture arrived.
namespace pixtrail::imaging {

/// The last-access and last-modification times of a file.
struct FileStamp {
    timespec accessed{};
    timespec modified{};
};

/// The stamp of the regular file at `path`; nullopt when there is none.
std::optional<FileStamp> readFileStamp(std::string_view path);

/// Writes `content` over `path` through a temporary file and a rename, so a failure leaves
/// the previous file whole; the new file keeps the previous one's permission bits, and
/// takes `stamp`'s times when one is given (failures to set them are ignored). Throws
/// RunError when the content cannot be written.
void replaceFileKeepingStamp(std::string_view path, std::string_view content,
                             const std::optional<FileStamp>& stamp);

} // namespace pixtrail::imaging
