#pragma once

#include "shell/program_paths.hpp"

#include <memory>
#include <string>
#include <string_view>

// The per-user settings store, apart from the settings file: it keeps the date of the next
// update check, so that every settings file and every copy of the program shares it.
namespace pixtrail::shell {

/// Values of section "Settings" of application "Pixtrail" for the current user.
class UserStore {
public:
    virtual ~UserStore() = default;
    /// The value of `key`; empty text when there is none.
    virtual std::string read(std::string_view key) const = 0;
    /// Sets `key` to `value` (empty text included); failures are not the caller's concern.
    virtual void write(std::string_view key, std::string_view value) = 0;
};

/// The store as a small INI file, as Linux keeps per-user settings.
class IniUserStore : public UserStore {
public:
    explicit IniUserStore(std::string file) : m_file(std::move(file)) {}
    std::string read(std::string_view key) const override;
    void write(std::string_view key, std::string_view value) override;

private:
    std::string m_file;
};

/// The store of this platform: on Windows the registry, key
/// HKEY_CURRENT_USER\Software\Pixtrail\Settings; elsewhere the per-user file of `paths`.
std::unique_ptr<UserStore> perUserStore(const ProgramPaths& paths);

} // namespace pixtrail::shell
