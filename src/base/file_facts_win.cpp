#include "base/file_facts.hpp"

#include <windows.h>

namespace pixtrail::base {

FileFacts fileFacts(const std::filesystem::path& path, bool followLinks) {
    FileFacts facts;
    const DWORD flags =
        FILE_FLAG_BACKUP_SEMANTICS | (followLinks ? 0 : FILE_FLAG_OPEN_REPARSE_POINT);
    const HANDLE h =
        CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, flags, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return facts;
    BY_HANDLE_FILE_INFORMATION info;
    if (GetFileInformationByHandle(h, &info)) {
        const DWORD a = info.dwFileAttributes;
        facts.link = (a & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
        facts.regular = !(a & FILE_ATTRIBUTE_DIRECTORY) && !facts.link;
        facts.volume = info.dwVolumeSerialNumber;
        facts.index = (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
        facts.size = (static_cast<std::uint64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
        facts.modified = static_cast<std::int64_t>(
            (static_cast<std::uint64_t>(info.ftLastWriteTime.dwHighDateTime) << 32) |
            info.ftLastWriteTime.dwLowDateTime);
    }
    CloseHandle(h);
    return facts;
}

} // namespace pixtrail::base
