#pragma once

#include <string>
#include <string_view>
#include <vector>

// The command line of both programs: the options, and what the rest names.
namespace pixtrail::shell {

/// What the command line asks of a start.
struct CommandLine {
    bool unattended = false;  ///< "-a": run once with the saved settings and end
    bool debug = false;       ///< "--debug": trace the command line's run in debug.txt
    std::string settingsFile; ///< a text ending in ".ini" (any case), quotes removed
    std::string remaining;    ///< the rest: a waypoint file, or a short text
};

/// The arguments as read: a start, a question answered by printing, or a refusal.
struct Arguments {
    enum class Action { Run, Help, Version, Refuse };
    Action action = Action::Run;
    CommandLine commandLine;
    std::string problem; ///< for Refuse, in UTF-8: what cannot be used
    /// For Refuse: a path is the problem (a window should say so, since a file manager may
    /// have passed it), not a mistyped option (which only a terminal user can make).
    bool pathRefused = false;
};

/// Reads the program's arguments as the system passes them (UTF-8). Options: "-a" (any
/// case), "--debug", "--help" or "-h", "--version", and "--" after which everything names
/// a file. Any other argument starting with "-" is refused before anything is read or
/// written, as is a path holding characters Windows-1252 cannot spell (it would name
/// another file). The other arguments, joined by spaces, name the settings file when the
/// text ends with ".ini" and a waypoint file otherwise.
Arguments parseArguments(const std::vector<std::string>& arguments);

/// The usage text both programs print for "--help" and with a refusal.
std::string usageText(std::string_view program);

} // namespace pixtrail::shell
