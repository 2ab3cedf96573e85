#include "imaging/file_stamp.hpp"

#include "base/files.hpp"

#include <fcntl.h>
#include <sys/stat.h>

namespace pixtrail::imaging {

std::optional<FileStamp> readFileStamp(std::string_view path) {
    struct stat st {};
    if (::stat(base::nativePath(path).c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        return std::nullopt;
    return FileStamp{st.st_atim, st.st_mtim};
}

void replaceFileKeepingStamp(std::string_view path, std::string_view content,
                             const std::optional<FileStamp>& stamp) {
    base::writeFileAtomically(path, content);
    if (!stamp)
        return;
    // Set after the rename, as the atomic write has no step before it; a kill in between
    // leaves a whole picture that merely carries today's date.
    const timespec times[2] = {stamp->accessed, stamp->modified};
    ::utimensat(AT_FDCWD, base::nativePath(path).c_str(), times, 0);
}

} // namespace pixtrail::imaging
