#pragma once

#include "app/application.hpp"
#include "shell/command_line.hpp"

namespace pixtrail::app {

/// What start-up leaves for the front end to do.
struct StartupPlan {
    bool runNow = false;      ///< press Start in code, with debug mode left as it is
    bool endAfterRun = false; ///< end the program when that run returns
};

/// The start-up of the main window, in order: title, translation flag, a pending
/// self-update, translation of the window, command line, endpoints and settings (with a
/// warning for a settings file that cannot be read, and for each value that cannot be
/// used); then, for a waypoint file on the command line, txtcmd shows it and the file
/// button is disabled. The front end shows the window and starts the run the plan asks
/// for.
StartupPlan Form_Load(Application& app, const shell::CommandLine& commandLine);

} // namespace pixtrail::app
