#include "app/application.hpp"
#include "app/startup.hpp"
#include "base/ansi_text.hpp"
#include "base/files.hpp"
#include "base/process.hpp"
#include "base/run_error.hpp"
#include "cli/console_frontend.hpp"
#include "scrape/curl_fetch.hpp"
#include "shell/command_line.hpp"
#include "shell/console.hpp"
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
    shell::prepareConsole();
    const shell::Arguments arguments =
        shell::parseArguments(base::programArguments(argc, argv), shell::OptionSet::CommandLine);
    switch (arguments.action) {
    case shell::Arguments::Action::Help: {
        const std::string& named = arguments.commandLine.settingsFile;
        shell::writeText(
            stdout, shell::usageText("pixtrail-cli",
                                     named.empty() ? shell::programPaths().settingsFile : named));
        return kExitFinished;
    }
    case shell::Arguments::Action::Version:
        std::printf("%s\n", shell::windowTitle().c_str());
        return kExitFinished;
    case shell::Arguments::Action::Refuse:
        shell::writeText(stderr, "pixtrail-cli: " + arguments.problem + "\n" +
                                     shell::usageText("pixtrail-cli"));
        return kExitUsage;
    case shell::Arguments::Action::Run:
        break;
    }
    const shell::CommandLine& commandLine = arguments.commandLine;
    const std::string& settings = commandLine.settingsFile;
    if (!settings.empty() && !base::fileExists(settings)) {
        const std::string why = base::whyUnreadable(settings);
        shell::writeText(stderr, "pixtrail-cli: cannot read the settings file " +
                                     base::ansiToUtf8(settings) + ": " + why + "\n");
        return kExitUsage;
    }

    cli::ConsoleFrontend frontend;
    app::Application app(frontend, shell::programPaths(), [](const scrape::Endpoints& e) {
        return std::make_unique<scrape::CurlFetch>(e);
    });
    shell::debugLog().setPath(app.paths.debugFile);
    shell::Session& session = app.session;
    session.commandLineHints = true;
    shell::installInterruptHandler(&session.stopPressed);
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
