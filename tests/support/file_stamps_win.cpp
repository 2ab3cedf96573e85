#include "support/file_stamps.hpp"

#include "base/files.hpp"

#include <windows.h>

namespace pixtrail::testing {
namespace {

// 100-ns ticks since 1601: creation, access (before the modification) and modification.
const FILETIME kCreated{0x2F1A0B00, 0x01C08F3A}, kAccessed{0x1234567F, 0x01C08F3B},
    kModified{0x7654321F, 0x01C1A2B3};
// Wine keeps only the attributes a Unix file system can hold (read-only, from the write
// bits), so the test looks at what every Windows file system keeps too.
constexpr DWORD kAttributes = FILE_ATTRIBUTE_ARCHIVE;

bool same(const FILETIME& a, const FILETIME& b) {
    return a.dwLowDateTime == b.dwLowDateTime && a.dwHighDateTime == b.dwHighDateTime;
}

} // namespace

bool putTestStamp(const std::string& path) {
    const std::wstring native = base::nativePath(path).native();
    const HANDLE h = CreateFileW(native.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ, nullptr,
                                 OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    const bool timesSet = SetFileTime(h, &kCreated, &kAccessed, &kModified);
    CloseHandle(h);
    return timesSet && SetFileAttributesW(native.c_str(), kAttributes);
}

bool carriesTestStamp(const std::string& path, bool accessToo) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(base::nativePath(path).c_str(), GetFileExInfoStandard, &data))
        return false;
    // The creation time is set, but Wine has no place to keep it, so it is not compared.
    return (data.dwFileAttributes & ~FILE_ATTRIBUTE_NORMAL) == kAttributes &&
           same(data.ftLastWriteTime, kModified) &&
           (!accessToo || same(data.ftLastAccessTime, kAccessed));
}

} // namespace pixtrail::testing
