#include "support/file_stamps.hpp"

#include <fcntl.h>
#include <sys/stat.h>

namespace pixtrail::testing {
namespace {
const timespec kTimes[2] = {{981'173'106, 123'456'789}, {1'012'345'678, 987'654'321}};
constexpr mode_t kMode = 0604;
} // namespace

bool putTestStamp(const std::string& path) {
    return ::chmod(path.c_str(), kMode) == 0 && ::utimensat(AT_FDCWD, path.c_str(), kTimes, 0) == 0;
}

bool carriesTestStamp(const std::string& path, bool accessToo) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        return false;
    return (st.st_mode & 07777) == kMode && st.st_mtim.tv_sec == kTimes[1].tv_sec &&
           st.st_mtim.tv_nsec == kTimes[1].tv_nsec &&
           (!accessToo || st.st_atim.tv_nsec == kTimes[0].tv_nsec);
}

} // namespace pixtrail::testing
