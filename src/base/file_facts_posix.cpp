#include "base/file_facts.hpp"

#include <sys/stat.h>

namespace pixtrail::base {

FileFacts fileFacts(const std::filesystem::path& path, bool followLinks) {
    struct stat st {};
    FileFacts facts;
    if ((followLinks ? ::stat(path.c_str(), &st) : ::lstat(path.c_str(), &st)) != 0)
        return facts;
    facts.regular = S_ISREG(st.st_mode);
    facts.link = S_ISLNK(st.st_mode);
    facts.volume = static_cast<std::uint64_t>(st.st_dev);
    facts.index = static_cast<std::uint64_t>(st.st_ino);
    facts.size = static_cast<std::uint64_t>(st.st_size);
    facts.modified = static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    return facts;
}

} // namespace pixtrail::base
