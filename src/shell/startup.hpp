#pragma once

#include "shell/application.hpp"

#include <string>
#include <string_view>

namespace pixtrail::shell {

/// What the command line asks for.
struct CommandLine {
    bool unattended = false;  ///< "-a": run once with the saved settings and end
    std::string settingsFile; ///< a text containing ".ini", quotes removed; empty: default
    std::string remaining;    ///< what is left: a waypoint file, or a short text
};

/// Reads the text after the program's path. "-a" (any case) counts where it stands as a
/// word of its own, so a path such as "my-apps/caches.gpx" keeps its characters.
CommandLine parseCommandLine(std::string_view text);

/// What start-up leaves for the front end to do.
struct StartupPlan {
    bool runNow = false;      ///< press Start in code, with debug mode left as it is
    bool endAfterRun = false; ///< end the program when that run returns
};

/// The start-up of the main window, in order: title, translation flag, a pending
/// self-update, translation of the window, command line, endpoints and settings; then,
/// for a waypoint file on the command line, txtcmd shows it and the file button is
/// disabled. The front end shows the window and starts the run the plan asks for.
StartupPlan Form_Load(Application& app, std::string_view commandLine);

} // namespace pixtrail::shell
