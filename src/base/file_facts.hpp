#pragma once

#include <cstdint>
#include <filesystem>

// One look at a directory entry that tells what a freshness check needs; std::filesystem
// would take several. One implementation per platform (file_facts_posix.cpp, _win.cpp).
namespace pixtrail::base {

struct FileFacts {
    bool regular = false;
    bool link = false;        ///< a symbolic link (or another reparse point) itself
    std::uint64_t volume = 0; ///< with `index`: the same file under two names (a hard link)
    std::uint64_t index = 0;
    std::uint64_t size = 0;
    std::int64_t modified = 0; ///< in the platform's units; only compared with another
};

/// Facts of the entry at `path`, following a final link when `followLinks`; all false and
/// zero when there is none.
FileFacts fileFacts(const std::filesystem::path& path, bool followLinks);

} // namespace pixtrail::base
