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

/// The per-user configuration folder: on Windows %APPDATA%\Pixtrail, elsewhere
/// $XDG_CONFIG_HOME/pixtrail, else $HOME/.config/pixtrail; nullopt when none is set.
std::optional<std::filesystem::path> userConfigFolder(const EnvironmentLookup& env);

/// What the executable's folder says about the program.
enum class Placement {
    Installed,      ///< installed with its data files (share/...): files always per user
    Portable,       ///< a folder of its own that it may write: files beside it
    ReadOnlyFolder, ///< elsewhere, unwritable: per user, unless a pixtrail.ini is beside it
};

/// Whether the executable in this folder was installed: on Windows it lies in a folder of
/// installed programs (Program Files, or the user's own Programs folder), elsewhere its
/// data files are where an installation puts them, relative to its bin folder.
/// (program_places_posix.cpp, program_places_win.cpp)
bool isInstalled(const std::filesystem::path& executableFolder, const EnvironmentLookup& env);

/// The one decision on where the files live: per user for an installed program, whoever
/// runs it and whatever its folder's permissions; beside the executable for a program
/// run from its own folder, like a portable program.
ProgramPaths resolveProgramPaths(const std::filesystem::path& executableFolder, Placement placement,
                                 const EnvironmentLookup& env);

/// The decision for this process, from its executable and environment. Creates the
/// per-user folder when it is chosen.
ProgramPaths programPaths();

} // namespace pixtrail::shell
