#include "shell/user_store.hpp"

namespace pixtrail::shell {

std::unique_ptr<UserStore> perUserStore(const ProgramPaths& paths) {
    return std::make_unique<IniUserStore>(paths.userSettingsFile);
}

} // namespace pixtrail::shell
