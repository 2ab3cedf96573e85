#include "shell/command_line.hpp"

#include "base/ansi_text.hpp"
#include "base/files.hpp"
#include "base/text.hpp"

#include <algorithm>
#include <filesystem>
#include <optional>

namespace pixtrail::shell {
namespace {

/// What a setting option's value must be, checked as the window checks what is typed.
enum class Value {
    None,   ///< a switch
    Path,   ///< a file or folder, made absolute so that a saved one still names it
    Words,  ///< a comma-separated word list
    Digits, ///< a whole number, as the number fields take it
    Size,   ///< WIDTHxHEIGHT, each as the size fields take it (at most four digits)
};

struct SettingOption {
    const char* name;
    const char* argument; ///< shown in the usage text; nullptr for a switch
    const char* key;      ///< where the settings file keeps it
    Value value;
    /// The controls it sets: "$" stands for the value, "$1" and "$2" for a size's parts.
    std::vector<std::pair<const char*, const char*>> sets;
    const char* help;
};

const std::vector<SettingOption>& settingOptions() {
    // clang-format off
    static const std::vector<SettingOption> options = {
        {"--waypoint-file", "FILE", "Waypointfile", Value::Path, {{"txtWpFile", "$"}},
         "the waypoint file (GPX, LOC or cache codes)"},
        {"--spoiler-folder", "DIR", "Spoilerfolder", Value::Path, {{"txtSpoilerFolder", "$"}},
         "the folder the spoilers are stored in"},
        {"--delay", "SECONDS", "delay", Value::Digits, {{"txtDelay", "$"}},
         "seconds to wait between page requests"},
        {"--shrink", "WxH", "shrinkpics", Value::Size,
         {{"chkResize", "1"}, {"txtWidth", "$1"}, {"txtHeight", "$2"}},
         "shrink JPEG pictures to fit W x H pixels"},
        {"--no-shrink", nullptr, "shrinkpics", Value::None, {{"chkResize", "0"}},
         "keep pictures as they come"},
        {"--pages", nullptr, "dohtml", Value::None, {{"chkDohtml", "1"}},
         "write a web page per cache and index.html"},
        {"--no-pages", nullptr, "dohtml", Value::None, {{"chkDohtml", "0"}}, nullptr},
        {"--summary", nullptr, "onlysummary", Value::None, {{"chkNoTxt", "1"}},
         "list caches without spoilers in one file"},
        {"--no-summary", nullptr, "onlysummary", Value::None, {{"chkNoTxt", "0"}},
         "mark each of them with a file of its own"},
        {"--delete-unused", nullptr, "delunused", Value::None, {{"chkDelUnused", "1"}},
         "delete files of caches no longer listed"},
        {"--keep-unused", nullptr, "delunused", Value::None, {{"chkDelUnused", "0"}}, nullptr},
        {"--recheck", nullptr, "recheck", Value::None, {{"chkRecheck", "1"}},
         "look for new spoilers of caches done before"},
        {"--no-recheck", nullptr, "recheck", Value::None, {{"chkRecheck", "0"}}, nullptr},
        {"--only-spoilers", nullptr, "onlyspoiler", Value::None, {{"chkOnlySpoil", "1"}},
         "only pictures whose caption says \"spoiler\""},
        {"--all-pictures", nullptr, "onlyspoiler", Value::None, {{"chkOnlySpoil", "0"}},
         "the owner's pictures whatever their caption"},
        {"--only-words", "WORDS", "onlywords", Value::Words,
         {{"chkOnlySpoil", "1"}, {"txtOnlyWords", "$"}},
         "only captions with one of WORDS (a,b,c)"},
        {"--skip-no-spoiler", nullptr, "ignorenospoiler", Value::None,
         {{"chkIgnoreNoSpoil", "1"}}, "skip captions saying \"no/not spoiler\""},
        {"--keep-no-spoiler", nullptr, "ignorenospoiler", Value::None,
         {{"chkIgnoreNoSpoil", "0"}}, nullptr},
        {"--ignore-words", "WORDS", "ignorewords", Value::Words,
         {{"chkIgnoreNoSpoil", "1"}, {"txtIgnoreWords", "$"}},
         "skip captions with one of WORDS (a,b,c)"},
        {"--force-gc", nullptr, "forcegc", Value::None, {{"chkForceGC", "1"}},
         "read names such as TS1234 as GC codes"},
        {"--no-force-gc", nullptr, "forcegc", Value::None, {{"chkForceGC", "0"}}, nullptr},
        {"--garmin", nullptr, "garminphotos", Value::None, {{"chkGarminPhotos", "1"}},
         "also arrange them for Garmin handhelds"},
        {"--no-garmin", nullptr, "garminphotos", Value::None, {{"chkGarminPhotos", "0"}}, nullptr},
        // The one setting without a box in the window: it sets CommandLine::workers.
        {"--workers", "N", "workers", Value::Digits, {},
         "threads that shrink pictures (0: one per core)"},
    };
    // clang-format on
    return options;
}

const SettingOption* findSettingOption(std::string_view name) {
    const auto& options = settingOptions();
    const auto it = std::find_if(options.begin(), options.end(),
                                 [&](const SettingOption& o) { return name == o.name; });
    return it == options.end() ? nullptr : &*it;
}

bool allDigits(std::string_view text, size_t maxLength) {
    return !text.empty() && text.size() <= maxLength &&
           std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

/// The controls' values for an option and its argument, or why the argument is refused.
std::optional<std::string> applyOption(const SettingOption& option, const std::string& argument,
                                       std::vector<SettingOverride>& overrides) {
    std::string value; // Windows-1252
    std::string parts[2];
    const std::string quoted = "'" + argument + "'";
    switch (option.value) {
    case Value::None:
        break;
    case Value::Path:
    case Value::Words: {
        bool spelled = false;
        value = base::utf8ToAnsi(argument, '?', &spelled);
        if (!spelled || argument.find_first_of("\r\n") != std::string::npos)
            return quoted + " holds characters Pixtrail cannot use";
        if (option.value == Value::Path) {
            if (argument.empty())
                return std::string(option.name) + " needs a " + option.argument;
            std::error_code ec;
            const auto absolute = std::filesystem::absolute(base::nativePath(value), ec);
            if (!ec)
                value = base::ansiPath(absolute.lexically_normal());
        }
        break;
    }
    case Value::Digits:
        if (!allDigits(argument, 9))
            return std::string("takes a whole number") +
                   (option.sets.empty() ? "" : " of seconds") + ", not " + quoted;
        value = argument;
        break;
    case Value::Size: {
        const size_t x = argument.find_first_of("xX");
        parts[0] = argument.substr(0, x);
        parts[1] = x == std::string::npos ? "" : argument.substr(x + 1);
        if (!allDigits(parts[0], 4) || !allDigits(parts[1], 4))
            return "takes WIDTHxHEIGHT in pixels, such as 300x300, not " + quoted;
        break;
    }
    }
    for (const auto& [control, what] : option.sets) {
        const std::string_view w = what;
        overrides.push_back({control, w == "$"    ? value
                                      : w == "$1" ? parts[0]
                                      : w == "$2" ? parts[1]
                                                  : what});
    }
    return std::nullopt;
}

} // namespace

Arguments parseArguments(const std::vector<std::string>& arguments, OptionSet options) {
    Arguments result;
    auto refuse = [&](std::string problem) {
        result.action = Arguments::Action::Refuse;
        result.problem = std::move(problem);
        return result;
    };
    std::string text;
    bool optionsEnded = false;
    for (size_t i = 0; i < arguments.size(); ++i) {
        const std::string& arg = arguments[i];
        if (!optionsEnded && !arg.empty() && arg.front() == '-') {
            const size_t equals = arg.find('=');
            const std::string name = arg.substr(0, equals);
            const SettingOption* setting =
                options == OptionSet::CommandLine ? findSettingOption(name) : nullptr;
            if (arg == "--")
                optionsEnded = true;
            else if (base::equalsNoCase(arg, "-a"))
                result.commandLine.unattended = true;
            else if (arg == "--debug")
                result.commandLine.debug = true;
            else if (arg == "--help" || arg == "-h")
                result.action = Arguments::Action::Help;
            else if (arg == "--version")
                result.action = Arguments::Action::Version;
            else if (arg == "--save" && options == OptionSet::CommandLine)
                result.commandLine.save = true;
            else if (!setting)
                return refuse("unknown option '" + arg + "'");
            else if (!setting->argument && equals != std::string::npos)
                return refuse(name + " takes no value");
            else {
                std::string value;
                if (setting->argument && equals != std::string::npos)
                    value = arg.substr(equals + 1);
                else if (setting->argument && i + 1 < arguments.size())
                    value = arguments[++i];
                else if (setting->argument)
                    return refuse(name + " needs a " + setting->argument);
                if (auto problem = applyOption(*setting, value, result.commandLine.overrides))
                    return refuse(name + " " + *problem);
                if (setting->sets.empty())
                    result.commandLine.workers = std::stoi(value);
            }
            continue;
        }
        bool spelled = false;
        const std::string ansi = base::utf8ToAnsi(arg, '?', &spelled);
        if (!spelled) {
            result.pathRefused = true;
            return refuse("'" + arg + "' holds characters Pixtrail cannot use in a path");
        }
        if (!text.empty())
            text += ' ';
        text += ansi;
    }
    text = base::trimSpaces(text);
    if (base::endsWithNoCase(base::replaceAll(text, "\"", ""), ".ini"))
        result.commandLine.settingsFile = base::replaceAll(text, "\"", "");
    else
        result.commandLine.remaining = text;
    return result;
}

std::string optionForSetting(std::string_view key) {
    for (const SettingOption& o : settingOptions())
        if (o.argument && base::equalsNoCase(o.key, key))
            return std::string(o.name) + " " + o.argument;
    return {};
}

std::string usageText(std::string_view program, std::string_view settingsFile) {
    const std::string p(program);
    const bool cli = p == "pixtrail-cli";
    std::string usage =
        "Usage: " + p + (cli ? " [OPTION]..." : " [-a] [--debug]") +
        " [SETTINGS.ini | WAYPOINT-FILE]\n"
        "  -a          unattended: no question, no totals, end after the run\n"
        "  --debug     write a trace of the run to debug.txt\n"
        "  --version   print the version\n"
        "  --help      print this text\n"
        "  --          what follows is a file name, even when it starts with \"-\"\n"
        "A name ending in \".ini\" names the settings file; another names the waypoint\n"
        "file to use instead of the saved one.\n";
    if (cli) {
        usage += "\nSetting options change a setting for this run only:\n";
        for (const SettingOption& o : settingOptions()) {
            std::string left = std::string("  ") + o.name + (o.argument ? " " : "") +
                               (o.argument ? o.argument : "");
            const SettingOption* next = &o + 1;
            if (next != settingOptions().data() + settingOptions().size() && !next->help &&
                next->key == std::string_view(o.key))
                left += " | " + std::string(next->name);
            if (!o.help)
                continue;
            constexpr size_t kColumn = 34;
            if (left.size() >= kColumn)
                left += "\n";
            left.resize(left.size() < kColumn ? kColumn : left.size() + kColumn, ' ');
            usage += left + o.help + "\n";
        }
        usage += "  --save                          also write them to the settings file\n";
    }
    usage += "Exit status: 0 the run reached its end, 1 an input check or an error ended it,\n"
             "2 the command line could not be used, 3 a cache's page could not be processed\n"
             "and the program ended, 4 the run reached its end but some caches could not be\n"
             "completed (a page or pictures did not arrive), 130 a second Ctrl-C ended it.\n";
    if (!settingsFile.empty())
        usage += "Settings file: " + base::ansiToUtf8(settingsFile) + "\n";
    return usage;
}

} // namespace pixtrail::shell
