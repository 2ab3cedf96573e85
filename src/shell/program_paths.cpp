#include "shell/program_paths.hpp"

#include "base/files.hpp"

#include <cstdlib>

namespace fs = std::filesystem;

namespace pixtrail::shell {
namespace {

ProgramPaths pathsIn(const fs::path& folder) {
    const std::string f = base::ansiPath(folder);
    return {f, base::joinPath(f, "pixtrail.ini"), base::joinPath(f, "language.ini"),
            base::joinPath(f, "debug.txt"), base::joinPath(f, "log.txt")};
}

} // namespace

std::optional<fs::path> userConfigFolder(const EnvironmentLookup& env) {
    if (auto xdg = env("XDG_CONFIG_HOME"); xdg && !xdg->empty())
        return fs::path(*xdg) / "pixtrail";
    if (auto home = env("HOME"); home && !home->empty())
        return fs::path(*home) / ".config" / "pixtrail";
    return std::nullopt;
}

bool isInstalled(const fs::path& executableFolder) {
    std::error_code ec;
    return fs::is_regular_file(executableFolder / PIXTRAIL_DATADIR_FROM_BINDIR / "metainfo" /
                                   "app.pixtrail.Pixtrail.metainfo.xml",
                               ec);
}

ProgramPaths resolveProgramPaths(const fs::path& executableFolder, Placement placement,
                                 const EnvironmentLookup& env) {
    std::error_code ec;
    const bool hasSettings = fs::is_regular_file(executableFolder / "pixtrail.ini", ec);
    const auto user = userConfigFolder(env);
    const bool beside =
        placement == Placement::Portable || (placement == Placement::ReadOnlyFolder && hasSettings);
    ProgramPaths paths = beside || !user ? pathsIn(executableFolder) : pathsIn(*user);
    paths.userSettingsFile =
        base::joinPath(base::ansiPath(user ? *user : executableFolder), "user.ini");
    return paths;
}

ProgramPaths programPaths() {
    const fs::path exeFolder = base::executableDirectory();
    const EnvironmentLookup env = [](const char* name) -> std::optional<std::string> {
        if (const char* v = std::getenv(name))
            return std::string(v);
        return std::nullopt;
    };
    const Placement placement = isInstalled(exeFolder)                 ? Placement::Installed
                                : base::isDirectoryWritable(exeFolder) ? Placement::Portable
                                                                       : Placement::ReadOnlyFolder;
    ProgramPaths paths = resolveProgramPaths(exeFolder, placement, env);
    std::error_code ec;
    fs::create_directories(base::nativePath(paths.folder), ec);
    if (const auto user = userConfigFolder(env))
        fs::create_directories(*user, ec);
    return paths;
}

} // namespace pixtrail::shell
