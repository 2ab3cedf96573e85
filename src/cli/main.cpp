#include "base/ansi_text.hpp"
#include "base/files.hpp"
#include "cli/console_frontend.hpp"
#include "scrape/curl_fetch.hpp"
#include "shell/application.hpp"
#include "shell/debug_log.hpp"
#include "shell/startup.hpp"
#include "shell/version.hpp"
#include "sync/run.hpp"

#include <cstdio>
#include <cstring>
#include <string>

// pixtrail-cli: the same run as the window's Start button, for scripts and schedulers.
namespace {

using namespace pixtrail;

constexpr int kExitFinished = 0;
constexpr int kExitRunFailed = 1;
constexpr int kExitUsage = 2;

void printUsage(std::FILE* to) {
    std::fprintf(to, "Usage: pixtrail-cli [-a] [--debug] [SETTINGS.ini | WAYPOINT-FILE]\n"
                     "  -a          unattended: no question, no totals\n"
                     "  --debug     write a trace of the run to debug.txt\n"
                     "  --version   print the version\n"
                     "A text containing \".ini\" names the settings file; a longer text names the\n"
                     "waypoint file to use instead of the saved one.\n");
}

} // namespace

int main(int argc, char** argv) {
    bool debug = false;
    std::string commandLine;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--debug") {
            debug = true;
            continue;
        }
        if (arg == "--version") {
            std::printf("%s\n", shell::windowTitle().c_str());
            return kExitFinished;
        }
        if (arg == "--help" || arg == "-h") {
            printUsage(stdout);
            return kExitFinished;
        }
        if (arg.rfind("--", 0) == 0) {
            std::fprintf(stderr, "pixtrail-cli: unknown option '%s'\n", arg.c_str());
            printUsage(stderr);
            return kExitUsage;
        }
        if (!commandLine.empty())
            commandLine += ' ';
        // Paths are Windows-1252 inside the program; a character it cannot spell would
        // silently name another file.
        bool spelled = false;
        commandLine += base::utf8ToAnsi(arg, '?', &spelled);
        if (!spelled) {
            std::fprintf(stderr,
                         "pixtrail-cli: '%s' holds characters Pixtrail cannot use in a path\n",
                         arg.c_str());
            return kExitUsage;
        }
    }

    const shell::CommandLine parsed = shell::parseCommandLine(commandLine);
    if (!parsed.settingsFile.empty() && !base::fileExists(parsed.settingsFile)) {
        std::fprintf(stderr, "pixtrail-cli: settings file not found: %s\n",
                     base::ansiToUtf8(parsed.settingsFile).c_str());
        return kExitUsage;
    }

    cli::ConsoleFrontend frontend;
    shell::Application app(frontend, shell::programPaths(), [](const scrape::Endpoints& e) {
        return std::make_unique<scrape::CurlFetch>(e);
    });
    shell::debugLog().setPath(app.paths.debugFile);
    cli::installInterruptHandler(&app.stopPressed);
    frontend.setInterruptHandler([&app] {
        if (app.runActive)
            app.cmdStop_Click();
    });

    try {
        shell::Form_Load(app, commandLine);
        // The terminal has no Start button: a command-line program always runs once.
        shell::debugLog().setEnabled(debug);
        const sync::RunOutcome outcome = sync::cmdSync_Click(app);
        frontend.flush();
        return outcome == sync::RunOutcome::Finished ? kExitFinished : kExitRunFailed;
    } catch (const shell::ProgramEndRequested& end) {
        frontend.flush();
        return end.exitCode();
    }
}
