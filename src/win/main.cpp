#include "base/process.hpp"
#include "scrape/curl_fetch.hpp"
#include "shell/command_line.hpp"
#include "shell/console.hpp"
#include "shell/program_paths.hpp"
#include "shell/version.hpp"
#include "win/dialogs.hpp"
#include "win/screenshot.hpp"
#include "win/wide_text.hpp"
#include "win/win_program.hpp"

#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

// pixtrail.exe: the window program.
//
// Usage: pixtrail [--screenshot FILE.png] [-a] [--debug] [SETTINGS.ini | WAYPOINT-FILE]
// With --screenshot the window's picture is saved once the command-line run has finished
// (before "-a" ends the program), or right after start-up when there is no such run.
namespace {

using namespace pixtrail;

constexpr int kExitUsage = 2;

// A window program has no console of its own: --help and --version write to the one it was
// started from, or to the pipe or file its output goes to.
void print(const std::string& utf8) {
    if (GetStdHandle(STD_OUTPUT_HANDLE) == nullptr)
        AttachConsole(ATTACH_PARENT_PROCESS);
    shell::writeText(stdout, utf8);
    std::fflush(stdout);
}

void printError(const std::string& utf8) {
    if (GetStdHandle(STD_ERROR_HANDLE) == nullptr)
        AttachConsole(ATTACH_PARENT_PROCESS);
    shell::writeText(stderr, utf8);
    std::fflush(stderr);
}

// Splits off --screenshot FILE; the rest is the command line proper.
std::vector<std::string> commandLine(std::wstring* screenshot) {
    std::vector<std::string> rest;
    const std::vector<std::string> all = base::programArguments(0, nullptr);
    for (size_t i = 0; i < all.size(); ++i) {
        if (all[i] == "--screenshot" && i + 1 < all.size())
            *screenshot = win::wideFromUtf8(all[++i]);
        else
            rest.push_back(all[i]);
    }
    return rest;
}

void saveScreenshot(HWND window, const std::wstring& file) {
    // Let the window finish drawing what the run left in it first.
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    Sleep(300);
    if (!win::saveWindowPicture(window, file))
        printError("pixtrail: cannot save the screenshot to " + win::utf8FromWide(file) + "\n");
}

} // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    base::returnLargeBlocksToSystem();
    std::wstring screenshot;
    const shell::Arguments arguments = shell::parseArguments(commandLine(&screenshot));
    switch (arguments.action) {
    case shell::Arguments::Action::Help:
        print(shell::usageText("pixtrail", shell::programPaths().settingsFile));
        return 0;
    case shell::Arguments::Action::Version:
        print(shell::windowTitle() + "\n");
        return 0;
    case shell::Arguments::Action::Refuse: {
        printError("pixtrail: " + arguments.problem + "\n" + shell::usageText("pixtrail"));
        if (arguments.pathRefused)
            win::showMessageBox(nullptr, shell::MessageKind::Warning,
                                win::toWide(shell::windowTitle()),
                                win::wideFromUtf8(arguments.problem));
        return kExitUsage;
    }
    case shell::Arguments::Action::Run:
        break;
    }

    try {
        win::WinProgram program(
            shell::programPaths(),
            [](const scrape::Endpoints& e) { return std::make_unique<scrape::CurlFetch>(e); },
            win::realProcessControl());
        const HWND window = program.window().handle();
        if (!screenshot.empty())
            program.startupRunFinished = [&] { saveScreenshot(window, screenshot); };
        if (const auto exitCode = program.start(arguments.commandLine))
            return *exitCode;
        if (!screenshot.empty() && !program.runInProgress())
            saveScreenshot(window, screenshot);
        return win::runMessageLoop(window);
    } catch (const std::exception& e) {
        win::showMessageBox(nullptr, shell::MessageKind::Critical,
                            win::toWide(shell::windowTitle()), win::wideFromUtf8(e.what()));
        return 1;
    }
}
