#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The command line of both programs: the options, and what the rest names.
namespace pixtrail::shell {

/// A setting given on the command line for one run: a control of the window and the value
/// it takes (the text of a text box, "0" or "1" for a check box).
struct SettingOverride {
    std::string control;
    std::string value; ///< Windows-1252, as the window holds it
};

/// What the command line asks of a start.
struct CommandLine {
    bool unattended = false;  ///< "-a": run once with the saved settings and end
    bool debug = false;       ///< "--debug": trace the command line's run in debug.txt
    std::string settingsFile; ///< a text ending in ".ini" (any case), quotes removed
    std::string remaining;    ///< the rest: a waypoint file, or a short text
    /// Settings for this run only, in the order given ("--delay 0", "--no-pages" ...).
    std::vector<SettingOverride> overrides;
    bool save = false; ///< "--save": the overrides are written to the settings file too
    /// "--workers N": threads that shrink pictures, a setting the window has no box for.
    std::optional<int> workers;
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

/// Which options a program takes: the window takes its settings from itself, the
/// command-line program also from setting options.
enum class OptionSet { Window, CommandLine };

/// Reads the program's arguments as the system passes them (UTF-8). Options: "-a" (any
/// case), "--debug", "--help" or "-h", "--version", "--" after which everything names a
/// file, and for the command-line program the setting options and "--save". Any other
/// argument starting with "-", and a setting option with a value the window would not
/// take, are refused before anything is read or written, as is a path holding characters
/// Windows-1252 cannot spell (it would name another file). The other arguments, joined by
/// spaces, name the settings file when the text ends with ".ini" and a waypoint file
/// otherwise.
Arguments parseArguments(const std::vector<std::string>& arguments,
                         OptionSet options = OptionSet::Window);

/// The option that gives the setting stored under `key`, with its argument
/// ("--spoiler-folder DIR"); empty when there is none.
std::string optionForSetting(std::string_view key);

/// The usage text both programs print for "--help" and with a refusal; it names the
/// settings file when one is given.
std::string usageText(std::string_view program, std::string_view settingsFile = {});

} // namespace pixtrail::shell
