#pragma once

#include "base/files.hpp"
#include "gui/gui_program.hpp"
#include "scrape/curl_fetch.hpp"
#include "support/fixture_site.hpp"
#include "support/sample_site.hpp"
#include "support/temp_folder.hpp"

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <algorithm>

namespace pixtrail::testing {

/// A bound for waits in milliseconds, never an expectation.
constexpr int kWait = 30000;

int runWindowTest(int argc, char** argv);
int runRunTest(int argc, char** argv);
int closeDuringRunChild(const char* folder); ///< returns only if closing did not end it
int layoutCheckChild(); ///< at the environment's scale factor: 0 when the layout is sound

/// What is wrong with the window's arrangement, empty when nothing is: a caption cut short,
/// a control outside the window or over another, rows out of order, an undrawn list border.
QString layoutProblem(QWidget& window);

inline shell::ProgramPaths pathsIn(const std::string& folder) {
    auto in = [&](const char* name) { return base::joinPath(folder, name); };
    return {folder,          in("pixtrail.ini"), in("language.ini"),
            in("debug.txt"), in("log.txt"),      in("user.ini")};
}

/// A request that stays unanswered until the site is taken down.
inline const Fault kNeverAnswer = [] {
    Fault fault;
    fault.kind = Fault::Kind::NeverAnswer;
    return fault;
}();

/// A message box as the user saw it.
struct SeenDialog {
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QMessageBox::StandardButton defaultButton = QMessageBox::NoButton;
};

/// A program folder, a local web site and the window program over them; how the program
/// would end is recorded. Every modal dialog is answered from inside its own event loop and
/// remembered: message boxes get OK, questions `questionAnswer`.
struct GuiFixture {
    TempFolder dir;
    std::unique_ptr<FixtureSite> site = std::make_unique<FixtureSite>();
    std::unique_ptr<gui::GuiProgram> program;
    std::vector<int> exits, exitsAtOnce;
    std::vector<SeenDialog> seen;
    QMessageBox::StandardButton questionAnswer = QMessageBox::No;
    QTimer answerer;

    GuiFixture() {
        QObject::connect(&answerer, &QTimer::timeout, [this] { answerDialog(); });
        answerer.start(10);
        std::filesystem::create_directory(dir.path() / "spoilers");
        site->serve("/", "<html>the geocaching site</html>");
    }
    ~GuiFixture() {
        // A run waiting for the site needs the site gone before it can return; otherwise the
        // program goes first, so that the site's end need not wait out a kept-alive connection.
        if (program && program->runInProgress())
            site.reset();
        program.reset();
    }

    /// pixtrail.ini (or `file`) reading caches.gpx into the folder "spoilers", without delay,
    /// shrinking, cleanup or summary, every host on the site; `changes` win over these.
    void writeSettings(const std::map<std::string, std::string>& changes = {},
                       const std::string& file = "pixtrail.ini") {
        std::string extra;
        for (const auto& [key, value] : changes)
            extra += key + "=" + value + "\r\n";
        dir.write(file, siteSettings(site->host(), dir.file("caches.gpx"), dir.file("spoilers"),
                                     extra + "delunused=0\r\nshrinkpics=0\r\n"));
    }
    void writeWaypoints(const std::vector<std::string>& codes, const char* file = "caches.gpx") {
        std::string gpx;
        for (const std::string& code : codes)
            gpx += "<wpt><name>" + code + "</name></wpt>\r\n";
        dir.write(file, gpx);
    }
    static std::string cachePath(const std::string& code) { return cacheTarget(code); }
    void serveCache(const std::string& code) { site->serve(cachePath(code), cachePage(code, "")); }
    bool requested(const std::string& code) const {
        const auto targets = site->targets();
        return std::find(targets.begin(), targets.end(), cachePath(code)) != targets.end();
    }

    void start(const std::vector<std::string>& arguments = {}) {
        program = std::make_unique<gui::GuiProgram>(
            pathsIn(base::ansiPath(dir.path())),
            [](const scrape::Endpoints& e) { return std::make_unique<scrape::CurlFetch>(e); },
            gui::ProcessControl{[this](int code) { exits.push_back(code); },
                                [this](int code) { exitsAtOnce.push_back(code); }});
        program->start(shell::parseArguments(arguments).commandLine);
    }

    template <class Widget = QWidget> Widget* widget(const char* objectName) const {
        return program->window().findChild<Widget*>(QString::fromLatin1(objectName));
    }
    const shell::Control& control(const char* name) const {
        return program->app().session.window.control(name);
    }
    QStringList lines() const {
        QStringList texts;
        for (int i = 0; i < widget<QListWidget>("lstProgress")->count(); ++i)
            texts.append(widget<QListWidget>("lstProgress")->item(i)->text());
        return texts;
    }
    void answerDialog();
};

} // namespace pixtrail::testing
