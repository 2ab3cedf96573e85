#include "gui/command_line.hpp"
#include "gui/gui_program.hpp"
#include "gui/text_edge.hpp"
#include "scrape/curl_fetch.hpp"
#include "shell/program_paths.hpp"
#include "shell/version.hpp"

#include <QApplication>
#include <QMessageBox>
#include <QPixmap>
#include <QTimer>

#include <cstdio>
#include <cstring>
#include <string>

// pixtrail: the window program.
//
// Usage: pixtrail [--screenshot FILE.png] [-a] [SETTINGS.ini | WAYPOINT-FILE]
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

} // namespace

int main(int argc, char** argv) {
    // Takes Qt's own options (-platform, -style, ...) out of argv.
    QApplication qt(argc, argv);
    QApplication::setApplicationName(QString::fromLatin1(shell::kProductName));

    QString screenshot;
    QStringList arguments;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--screenshot") == 0 && i + 1 < argc)
            screenshot = QString::fromLocal8Bit(argv[++i]);
        else
            arguments.append(QString::fromLocal8Bit(argv[i]));
    }
    QString refused;
    const std::optional<std::string> commandLine = gui::commandLineText(arguments, &refused);
    if (!commandLine) {
        const QString why = QStringLiteral("Pixtrail cannot use this argument, because it "
                                           "contains characters outside the Western European "
                                           "character set:\n") +
                            refused;
        std::fprintf(stderr, "pixtrail: %s\n", why.toLocal8Bit().constData());
        QMessageBox::warning(nullptr, gui::toQt(shell::windowTitle()), why);
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
        if (const auto exitCode = program.start(*commandLine))
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
