#include "gui/dialogs.hpp"
#include "gui/gui_program.hpp"
#include "gui/text_edge.hpp"
#include "scrape/curl_fetch.hpp"
#include "shell/command_line.hpp"
#include "shell/program_paths.hpp"
#include "shell/version.hpp"

#include <QApplication>
#include <QLocale>
#include <QMessageBox>
#include <QPixmap>
#include <QTimer>

#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

// pixtrail: the window program.
//
// Usage: pixtrail [--screenshot FILE.png] [-a] [--debug] [SETTINGS.ini | WAYPOINT-FILE]
// With --screenshot the window's picture is saved once the command-line run has finished
// (before "-a" ends the program), or right after start-up when there is no such run.
namespace {

using namespace pixtrail;

constexpr int kExitUsage = 2;

void saveScreenshot(QWidget& window, const QString& file) {
    if (!window.grab().save(file, "PNG"))
        std::fprintf(stderr, "pixtrail: cannot save the screenshot to %s\n",
                     file.toLocal8Bit().constData());
}

// Splits off --screenshot FILE; the rest is the command line proper.
std::vector<std::string> commandLine(int argc, char** argv, QString* screenshot) {
    std::vector<std::string> rest;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--screenshot") == 0 && i + 1 < argc)
            *screenshot = QString::fromLocal8Bit(argv[++i]);
        else
            rest.emplace_back(argv[i]);
    }
    return rest;
}

// --help and --version print and end: they need no display, so they are answered before
// the toolkit looks for one.
std::optional<int> printedAnswer(const shell::Arguments& arguments) {
    if (arguments.action == shell::Arguments::Action::Help)
        std::fputs(shell::usageText("pixtrail", shell::programPaths().settingsFile).c_str(),
                   stdout);
    else if (arguments.action == shell::Arguments::Action::Version)
        std::printf("%s\n", shell::windowTitle().c_str());
    else
        return std::nullopt;
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    QString screenshot;
    if (const auto answered =
            printedAnswer(shell::parseArguments(commandLine(argc, argv, &screenshot))))
        return *answered;
    // Takes Qt's own options (-platform, -style, ...) out of argv.
    QApplication qt(argc, argv);
    QApplication::setApplicationName(QString::fromLatin1(shell::kProductName));
    gui::loadQtTranslations(QLocale::system());

    const shell::Arguments arguments = shell::parseArguments(commandLine(argc, argv, &screenshot));
    if (const auto answered = printedAnswer(arguments))
        return *answered;
    if (arguments.action == shell::Arguments::Action::Refuse) {
        std::fprintf(stderr, "pixtrail: %s\n%s", arguments.problem.c_str(),
                     shell::usageText("pixtrail").c_str());
        if (arguments.pathRefused)
            QMessageBox::warning(nullptr, gui::toQt(shell::windowTitle()),
                                 QString::fromUtf8(arguments.problem.c_str()));
        return kExitUsage;
    }

    try {
        gui::GuiProgram program(
            shell::programPaths(),
            [](const scrape::Endpoints& e) { return std::make_unique<scrape::CurlFetch>(e); },
            gui::realProcessControl());
        if (!screenshot.isEmpty())
            QObject::connect(&program, &gui::GuiProgram::startupRunFinished,
                             [&] { saveScreenshot(program.window(), screenshot); });
        if (const auto exitCode = program.start(arguments.commandLine))
            return *exitCode;
        if (!screenshot.isEmpty() && !program.runInProgress())
            QTimer::singleShot(0, &program, [&] { saveScreenshot(program.window(), screenshot); });
        return QApplication::exec();
    } catch (const std::exception& e) {
        QMessageBox::critical(nullptr, gui::toQt(shell::windowTitle()),
                              QString::fromLocal8Bit(e.what()));
        return 1;
    }
}
