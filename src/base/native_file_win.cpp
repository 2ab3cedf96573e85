#include "base/native_file.hpp"

#include "base/ansi_text.hpp"
#include "base/files.hpp"

#include <cerrno>
#include <fcntl.h>
#include <io.h>
#include <windows.h>

namespace fs = std::filesystem;

namespace pixtrail::base {

// Names cross into the system as UTF-16, one Windows-1252 character at a time, so a name
// means the same file whatever code page the machine is set to.
fs::path nativePath(std::string_view ansi) {
    std::wstring wide;
    wide.reserve(ansi.size());
    for (char c : ansi)
        wide += static_cast<wchar_t>(ansiToCodePoint(static_cast<unsigned char>(c)));
    return fs::path(wide);
}

std::string ansiPath(const fs::path& path) {
    std::string out;
    for (wchar_t w : path.native()) {
        const int a = codePointToAnsi(static_cast<char32_t>(w));
        out += a < 0 ? '?' : static_cast<char>(a);
    }
    return out;
}

std::FILE* openNativeFile(const fs::path& path, const char* mode) {
    std::wstring wideMode;
    for (const char* c = mode; *c; ++c)
        wideMode += static_cast<wchar_t>(*c);
    return _wfopen(path.c_str(), wideMode.c_str());
}

std::FILE* createNewFile(const fs::path& path) {
    // The C runtime's "x" mode is missing from older runtimes; CREATE_NEW is the same promise.
    const HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE,
                                 nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        errno = error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS ? EEXIST
                : error == ERROR_ACCESS_DENIED                              ? EACCES
                : error == ERROR_PATH_NOT_FOUND                             ? ENOENT
                                                                            : EIO;
        return nullptr;
    }
    const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(h), _O_BINARY | _O_WRONLY);
    if (fd < 0) {
        CloseHandle(h);
        return nullptr;
    }
    std::FILE* f = _fdopen(fd, "wb");
    if (!f)
        _close(fd);
    return f;
}

bool entryNameInAnsi(const fs::path& name, std::string& ansi) {
    ansi = ansiPath(name);
    for (wchar_t w : name.native())
        if (codePointToAnsi(static_cast<char32_t>(w)) < 0)
            return false;
    return true;
}

} // namespace pixtrail::base
