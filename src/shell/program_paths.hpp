#pragma once

#include <filesystem>
#include <functional>
#include <optional>
#include <string>

namespace pixtrail::shell {

/// Where the program keeps its own files: the settings file, the language file, the debug
/// trace and the run log, all in one folder.
struct ProgramPaths {
    std::string folder;
    std::string settingsFile; ///< pixtrail.ini
    std::string languageFile; ///< language.ini
    std::string debugFile;    ///< debug.txt
    std::string runLogFile;   ///< log.txt
    /// The per-user settings (the date of the next update check): user.ini in the per-user
    /// configuration folder, whichever folder the program's own files live in.
    std::string userSettingsFile = {};
};

using EnvironmentLookup = std::function<std::optional<std::string>(const char* name)>;

/// The per-user configuration folder: $XDG_CONFIG_HOME/pixtrail, else
/// $HOME/.config/pixtrail; nullopt when neither variable is set.
std::optional<std::filesystem::path> userConfigFolder(const EnvironmentLookup& env);

/// The one decision on where the files live. Beside the executable, like a portable
/// program, unless that folder cannot be written and holds no pixtrail.ini (an installed
/// program): then in the per-user configuration folder.
ProgramPaths resolveProgramPaths(const std::filesystem::path& executableFolder,
                                 bool executableFolderWritable, const EnvironmentLookup& env);

/// The decision for this process, from its executable and environment. Creates the
/// per-user folder when it is chosen.
ProgramPaths programPaths();

} // namespace pixtrail::shell
