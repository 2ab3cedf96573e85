#include "app/application.hpp"
#include "app/startup.hpp"
#include "base/ansi_text.hpp"
#include "base/files.hpp"
#include "base/run_error.hpp"
#include "cli/console_frontend.hpp"
#include "scrape/curl_fetch.hpp"
#include "shell/command_line.hpp"
#include "shell/debug_log.hpp"
#include "shell/version.hpp"
#include "sync/run.hpp"

#include <cstdio>
#include <string>
#include <vector>

// pixtrail-cli: the same run as the window's Start button, for scripts and schedulers.
namespace {

using namespace pixtrail;

constexpr int kExitFinished = 0;
constexpr int kExitUsage = 2;

} // namespace

int main(int argc, char** argv) {
    const shell::Arguments arguments = shell::parseArguments(
        std::vector<std::string>(argv + 1, argv + argc), shell::OptionSet::CommandLine);
    switch (arguments.action) {
    case shell::Arguments::Action::Help: {
        const std::string& named = arguments.commandLine.settingsFile;
        std::fputs(shell::usageText("pixtrail-cli",
                                    named.empty() ? shell::programPaths().settingsFile : named)
                       .c_str(),
                   stdout);
        return kExitFinished;
    }
    case shell::Arguments::Action::Version:
        std::printf("%s\n", shell::windowTitle().c_str());
        return kExitFinished;
    case shell::Arguments::Action::Refuse:
        std::fprintf(stderr, "pixtrail-cli: %s\n%s", arguments.problem.c_str(),
                     shell::usageText("pixtrail-cli").c_str());
        return kExitUsage;
    case shell::Arguments::Action::Run:
        break;
    }
    const shell::CommandLine& commandLine = arguments.commandLine;
    const std::string& settings = commandLine.settingsFile;
    if (!settings.empty() && !base::fileExists(settings)) {
        const std::string why = base::whyUnreadable(settings);
        std::fprintf(stderr, "pixtrail-cli: cannot read the settings file %s: %s\n",
                     base::ansiToUtf8(settings).c_str(), why.c_str());
        return kExitUsage;
    }

    cli::ConsoleFrontend frontend;
    app::Application app(frontend, shell::programPaths(), [](const scrape::Endpoints& e) {
        return std::make_unique<scrape::CurlFetch>(e);
    });
    shell::debugLog().setPath(app.paths.debugFile);
    shell::Session& session = app.session;
    session.commandLineHints = true;
    cli::installInterruptHandler(&session.stopPressed);
    frontend.setInterruptHandler([&session] {
        if (session.runActive)
            session.cmdStop_Click();
    });

    try {
        app::Form_Load(app, commandLine);
        // The terminal has no Start button: a command-line program always runs once.
        shell::debugLog().setEnabled(commandLine.debug);
        const sync::RunOutcome outcome = app.cmdSync_Click();
        frontend.flush();
        return sync::exitStatusOf(outcome);
    } catch (const base::ProgramEndRequested& end) {
        frontend.flush();
        return end.exitCode();
    }
}
