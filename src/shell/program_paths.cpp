#include "shell/program_paths.hpp"

#include "base/files.hpp"
#include "base/process.hpp"

namespace fs = std::filesystem;

namespace pixtrail::shell {
namespace {

ProgramPaths pathsIn(const fs::path& folder) {
    const std::string f = base::ansiPath(folder);
    return {f, base::joinPath(f, "pixtrail.ini"), base::joinPath(f, "language.ini"),
            base::joinPath(f, "debug.txt"), base::joinPath(f, "log.txt")};
}

} // namespace

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
    const EnvironmentLookup env = base::environmentVariable;
    const Placement placement = isInstalled(exeFolder, env)            ? Placement::Installed
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
