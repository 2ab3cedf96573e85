#include "shell/command_line.hpp"

#include "base/ansi_text.hpp"
#include "base/text.hpp"

namespace pixtrail::shell {

Arguments parseArguments(const std::vector<std::string>& arguments) {
    Arguments result;
    auto refuse = [&](std::string problem) {
        result.action = Arguments::Action::Refuse;
        result.problem = std::move(problem);
        return result;
    };
    std::string text;
    bool optionsEnded = false;
    for (const std::string& arg : arguments) {
        if (!optionsEnded && !arg.empty() && arg.front() == '-') {
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
            else
                return refuse("unknown option '" + arg + "'");
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

std::string usageText(std::string_view program) {
    const std::string p(program);
    return "Usage: " + p +
           " [-a] [--debug] [SETTINGS.ini | WAYPOINT-FILE]\n"
           "  -a          unattended: no question, no totals, end after the run\n"
           "  --debug     write a trace of the run to debug.txt\n"
           "  --version   print the version\n"
           "  --help      print this text\n"
           "  --          what follows is a file name, even when it starts with \"-\"\n"
           "A name ending in \".ini\" names the settings file; another names the waypoint\n"
           "file to use instead of the saved one.\n"
           "Exit status: 0 the run reached its end, 1 an input check or an error ended it,\n"
           "2 the command line could not be used, 3 a cache's page could not be processed\n"
           "and the program ended, 4 the run reached its end but some caches could not be\n"
           "completed (a page or pictures did not arrive), 130 a second Ctrl-C ended it.\n";
}

} // namespace pixtrail::shell
