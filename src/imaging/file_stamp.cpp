#include "imaging/file_stamp.hpp"

#include "base/files.hpp"

namespace pixtrail::imaging {

void replaceFileKeepingStamp(std::string_view path, std::string_view content,
                             const std::optional<FileStamp>& stamp) {
    base::writeFileAtomically(path, content);
    // Set after the rename, as the atomic write has no step before it; a kill in between
    // leaves a whole picture that merely carries today's date.
    if (stamp)
        applyFileStamp(path, *stamp);
}

} // namespace pixtrail::imaging
