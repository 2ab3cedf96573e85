#include "imaging/file_stamp.hpp"

#include "base/files.hpp"

#include <fcntl.h>
#include <sys/stat.h>

namespace pixtrail::imaging {
namespace {

constexpr std::int64_t kNano = 1000000000;

std::int64_t nanoseconds(const timespec& t) {
    return static_cast<std::int64_t>(t.tv_sec) * kNano + t.tv_nsec;
}

timespec timespecOf(std::int64_t ns) {
    timespec t{};
    t.tv_sec = static_cast<time_t>(ns / kNano);
    t.tv_nsec = static_cast<long>(ns % kNano);
    return t;
}

} // namespace

std::optional<FileStamp> readFileStamp(std::string_view path) {
    struct stat st {};
    if (::stat(base::nativePath(path).c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        return std::nullopt;
    FileStamp stamp;
    stamp.accessed = nanoseconds(st.st_atim);
    stamp.modified = nanoseconds(st.st_mtim);
    return stamp;
}

void applyFileStamp(std::string_view path, const FileStamp& stamp) {
    const timespec times[2] = {timespecOf(stamp.accessed), timespecOf(stamp.modified)};
    ::utimensat(AT_FDCWD, base::nativePath(path).c_str(), times, 0);
}

} // namespace pixtrail::imaging
