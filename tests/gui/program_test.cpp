#include "gui_fixture.hpp"
#include "shell/version.hpp"
#include "suites.hpp"

#include "base/files.hpp"
#include "scrape/curl_fetch.hpp"
#include "support/run_program.hpp"

#include <QCoreApplication>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

#include <cstdlib>
#include <filesystem>

using namespace pixtrail;
using namespace pixtrail::testing;

namespace fs = std::filesystem;

namespace {

shell::ProgramPaths pathsIn(const std::string& folder) {
    shell::ProgramPaths p;
    p.folder = folder;
    p.settingsFile = base::joinPath(folder, "pixtrail.ini");
    p.languageFile = base::joinPath(folder, "language.ini");
    p.debugFile = base::joinPath(folder, "debug.txt");
    p.runLogFile = base::joinPath(folder, "log.txt");
    p.userSettingsFile = base::joinPath(folder, "user.ini");
    return p;
}

} // namespace

int closeDuringRunChild(const char* folder) {
    gui::GuiProgram program(
        pathsIn(folder),
        [](const scrape::Endpoints& e) { return std::make_unique<scrape::CurlFetch>(e); },
        gui::realProcessControl());
    program.start({});
    program.window().findChild<QPushButton*>(QStringLiteral("cmdSync"))->click();
    auto* list = program.window().findChild<QListWidget*>(QStringLiteral("lstProgress"));
    if (!QTest::qWaitFor([&] { return list->count() > 0; }, 30000))
        return 2;
    program.window().close();
    return 3;
}

// The programs as the user starts them, each in its own process.
class ProgramTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void anUnattendedRunEndsTheProgram();
    void closingDuringARunEndsTheProcessAtOnce();

private:
    TempFolder m_config; // the per-user folder of the programs started here
};

void ProgramTest::initTestCase() {
    qputenv("XDG_CONFIG_HOME", m_config.path().string().c_str());
}

void ProgramTest::anUnattendedRunEndsTheProgram() {
    GuiFixture f;
    const std::string exe = f.dir.file("pixtrail");
    fs::copy_file(PIXTRAIL_GUI_PATH, exe);
    fs::create_directory(f.dir.path() / "my settings");
    f.writeWaypoints({"GC1AAAA", "GC2BBBB"});
    f.writeSettings({}, "my settings/run.ini");
    f.serveCache("GC1AAAA");
    f.serveCache("GC2BBBB");

    // Questions a terminal user asks are answered as pixtrail-cli answers them, and a
    // mistyped option starts nothing.
    ProgramResult r = runProgram(exe, {"--version"});
    QCOMPARE(r.exitCode, 0);
    QCOMPARE(r.out, shell::windowTitle() + "\n");
    r = runProgram(exe, {"--help"});
    QCOMPARE(r.exitCode, 0);
    QVERIFY(r.out.rfind("Usage: pixtrail ", 0) == 0);
    r = runProgram(exe, {"-v", f.dir.file("my settings/run.ini")});
    QCOMPARE(r.exitCode, 2);
    QVERIFY(r.err.find("unknown option '-v'") != std::string::npos);
    QVERIFY(!f.dir.exists("log.txt"));

    r = runProgram(exe, {"-a", f.dir.file("my settings/run.ini")});
    QCOMPARE(r.exitCode, 0);
    const std::string log = f.dir.read("log.txt");
    QVERIFY2(log.find("\r\nGC1AAAA no spoilers found\r\nGC2BBBB no spoilers found\r\nFinished: ") !=
                 std::string::npos,
             log.c_str());
    QVERIFY(!f.dir.exists("pixtrail.ini"));
}

void ProgramTest::closingDuringARunEndsTheProcessAtOnce() {
    GuiFixture f;
    f.writeWaypoints({"GC1AAAA"});
    f.writeSettings();
    f.site->setFault(GuiFixture::cachePath("GC1AAAA"), neverAnswer());

    const ProgramResult r = runProgram(QCoreApplication::applicationFilePath().toStdString(),
                                       {"--close-during-run", base::ansiPath(f.dir.path())});
    QCOMPARE(r.exitCode, 0);
    // It ended inside the request: the run never reached its log.
    QVERIFY(f.requested("GC1AAAA"));
    QVERIFY(!f.dir.exists("log.txt"));
}

int runProgramTest(int argc, char** argv) {
    ProgramTest suite;
    return QTest::qExec(&suite, argc, argv);
}

#include "program_test.moc"
