#include "shell/user_store.hpp"

#include "base/ansi_text.hpp"

#include <windows.h>

namespace pixtrail::shell {
namespace {

constexpr const wchar_t* kKey = L"Software\\Pixtrail\\Settings";

std::wstring wide(std::string_view ansi) {
    std::wstring out;
    for (char c : ansi)
        out += static_cast<wchar_t>(base::ansiToCodePoint(static_cast<unsigned char>(c)));
    return out;
}

// The registry, as the program's settings have always been kept per user on Windows.
class RegistryUserStore : public UserStore {
public:
    std::string read(std::string_view key) const override {
        wchar_t buffer[1024];
        DWORD bytes = sizeof buffer - sizeof(wchar_t);
        DWORD type = 0;
        if (RegGetValueW(HKEY_CURRENT_USER, kKey, wide(key).c_str(), RRF_RT_REG_SZ, &type, buffer,
                         &bytes) != ERROR_SUCCESS)
            return {};
        std::string out;
        for (size_t i = 0; i < bytes / sizeof(wchar_t) && buffer[i]; ++i) {
            const int a = base::codePointToAnsi(static_cast<char32_t>(buffer[i]));
            out += a < 0 ? '?' : static_cast<char>(a);
        }
        return out;
    }

    void write(std::string_view key, std::string_view value) override {
        HKEY handle = nullptr;
        if (RegCreateKeyExW(HKEY_CURRENT_USER, kKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &handle,
                            nullptr) != ERROR_SUCCESS)
            return;
        const std::wstring v = wide(value);
        RegSetValueExW(handle, wide(key).c_str(), 0, REG_SZ,
                       reinterpret_cast<const BYTE*>(v.c_str()),
                       static_cast<DWORD>((v.size() + 1) * sizeof(wchar_t)));
        RegCloseKey(handle);
    }
};

} // namespace

std::unique_ptr<UserStore> perUserStore(const ProgramPaths&) {
    return std::make_unique<RegistryUserStore>();
}

} // namespace pixtrail::shell
