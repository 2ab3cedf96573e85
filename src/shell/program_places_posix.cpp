#include "shell/program_paths.hpp"

#include "base/files.hpp"

namespace fs = std::filesystem;

namespace pixtrail::shell {

std::optional<fs::path> userConfigFolder(const EnvironmentLookup& env) {
    if (auto xdg = env("XDG_CONFIG_HOME"); xdg && !xdg->empty())
        return base::nativePath(*xdg) / "pixtrail";
    if (auto home = env("HOME"); home && !home->empty())
        return base::nativePath(*home) / ".config" / "pixtrail";
    return std::nullopt;
}

bool isInstalled(const fs::path& executableFolder, const EnvironmentLookup&) {
    std::error_code ec;
    return fs::is_regular_file(executableFolder / PIXTRAIL_DATADIR_FROM_BINDIR / "metainfo" /
                                   "app.pixtrail.Pixtrail.metainfo.xml",
                               ec);
}

} // namespace pixtrail::shell
