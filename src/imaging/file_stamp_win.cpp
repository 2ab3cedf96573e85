#include "imaging/file_stamp.hpp"

#include "base/files.hpp"

#include <windows.h>

namespace pixtrail::imaging {
namespace {

std::int64_t ticks(const FILETIME& t) {
    return static_cast<std::int64_t>((static_cast<std::uint64_t>(t.dwHighDateTime) << 32) |
                                     t.dwLowDateTime);
}

FILETIME fileTimeOf(std::int64_t ticks) {
    FILETIME t;
    t.dwLowDateTime = static_cast<DWORD>(static_cast<std::uint64_t>(ticks) & 0xFFFFFFFFu);
    t.dwHighDateTime = static_cast<DWORD>(static_cast<std::uint64_t>(ticks) >> 32);
    return t;
}

} // namespace

std::optional<FileStamp> readFileStamp(std::string_view path) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(base::nativePath(path).c_str(), GetFileExInfoStandard, &data) ||
        (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
        return std::nullopt;
    FileStamp stamp;
    stamp.created = ticks(data.ftCreationTime);
    stamp.accessed = ticks(data.ftLastAccessTime);
    stamp.modified = ticks(data.ftLastWriteTime);
    stamp.attributes = data.dwFileAttributes;
    return stamp;
}

void applyFileStamp(std::string_view path, const FileStamp& stamp) {
    const std::wstring native = base::nativePath(path).native();
    const HANDLE h = CreateFileW(native.c_str(), FILE_WRITE_ATTRIBUTES,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                 OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h != INVALID_HANDLE_VALUE) {
        const FILETIME created = fileTimeOf(stamp.created), accessed = fileTimeOf(stamp.accessed),
                       modified = fileTimeOf(stamp.modified);
        SetFileTime(h, &created, &accessed, &modified);
        CloseHandle(h);
    }
    // Attributes last: a read-only one would refuse the times.
    const DWORD keep = stamp.attributes &
                       (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                        FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED);
    SetFileAttributesW(native.c_str(), keep ? keep : FILE_ATTRIBUTE_NORMAL);
}

} // namespace pixtrail::imaging
