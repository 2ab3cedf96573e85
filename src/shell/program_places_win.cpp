#include "shell/program_paths.hpp"

#include "base/files.hpp"
#include "base/text.hpp"

namespace fs = std::filesystem;

namespace pixtrail::shell {

std::optional<fs::path> userConfigFolder(const EnvironmentLookup& env) {
    if (auto appData = env("APPDATA"); appData && !appData->empty())
        return base::nativePath(*appData) / "Pixtrail";
    return std::nullopt;
}

bool isInstalled(const fs::path& executableFolder, const EnvironmentLookup& env) {
    const std::string folder = base::ansiPath(executableFolder.lexically_normal()) + "\\";
    for (const char* name : {"ProgramFiles", "ProgramW6432", "ProgramFiles(x86)"}) {
        const auto root = env(name);
        if (root && !root->empty() && base::startsWithNoCase(folder, *root + "\\"))
            return true;
    }
    // A per-user installation lands in the user's own Programs folder.
    const auto local = env("LOCALAPPDATA");
    return local && !local->empty() && base::startsWithNoCase(folder, *local + "\\Programs\\");
}

} // namespace pixtrail::shell
