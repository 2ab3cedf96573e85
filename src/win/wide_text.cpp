#include "win/wide_text.hpp"

#include "base/ansi_text.hpp"

#include <windows.h>

namespace pixtrail::win {

std::wstring wideFromUtf8(std::string_view utf8) {
    if (utf8.empty())
        return {};
    const int size =
        MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring out(static_cast<size_t>(size), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), out.data(), size);
    return out;
}

std::string utf8FromWide(std::wstring_view wide) {
    if (wide.empty())
        return {};
    const int size = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()),
                                         nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), out.data(), size,
                        nullptr, nullptr);
    return out;
}

std::wstring toWide(std::string_view ansi) {
    return wideFromUtf8(base::ansiToUtf8(ansi));
}

std::string fromWide(std::wstring_view wide, bool* ok) {
    return base::utf8ToAnsi(utf8FromWide(wide), '?', ok);
}

} // namespace pixtrail::win
