#include "shell/user_store.hpp"

#include "shell/ini_file.hpp"

namespace pixtrail::shell {

constexpr std::string_view kSection = "Settings";

std::string IniUserStore::read(std::string_view key) const {
    return readIniValue(m_file, kSection, key, "");
}

void IniUserStore::write(std::string_view key, std::string_view value) {
    writeIniValue(m_file, kSection, key, value);
}

} // namespace pixtrail::shell
