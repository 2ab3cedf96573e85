#include "gui_fixture.hpp"

#include "base/run_error.hpp"
#include "shell/version.hpp"
#include "support/run_program.hpp"

#include <QThread>

using namespace pixtrail;
using namespace pixtrail::testing;

const QString kTitle = QString::fromStdString(shell::windowTitle());

int pixtrail::testing::closeDuringRunChild(const char* folder) {
    gui::GuiProgram program(
        pathsIn(folder),
        [](const scrape::Endpoints& e) { return std::make_unique<scrape::CurlFetch>(e); },
        gui::realProcessControl());
    program.start({});
    program.window().findChild<QPushButton*>(QStringLiteral("cmdSync"))->click();
    if (QTest::qWaitFor([&] { return program.window().windowTitle().contains('%'); }, kWait))
        program.window().close(); // during the run: this ends the process
    return 3;
}

// Runs on their own thread as the window shows them, and the program from its command line.
class RunTest : public QObject {
    Q_OBJECT

private slots:
    void theKeyboardRunsAndStopsWhatTheRunsThreadShows() {
        GuiFixture f;
        f.writeWaypoints({"GC1AAAA", "GC2BBBB"});
        f.writeSettings();
        f.site->setFault(GuiFixture::cachePath("GC1AAAA"), kNeverAnswer);
        f.start();
        QString scrapeThread;
        sync::Scraper& scraper = f.program->app().getspoilerpics;
        scraper = [&scrapeThread, scrape = scraper](scrape::ScrapeCall& call) {
            scrapeThread = QThread::currentThread()->objectName();
            return scrape(call);
        };
        QWidget& w = f.program->window();
        QWidget* start = f.widget("cmdSync");
        QWidget* stop = f.widget("cmdStop");
        QApplication::setActiveWindow(&w);
        start->setFocus();
        QTest::keyClick(f.widget("txtDelay"), Qt::Key_Return); // Enter presses Start

        // The page request hangs on the run's thread while the window shows the run.
        QTRY_COMPARE_WITH_TIMEOUT(f.lines(), QStringList{"Processing GC1AAAA"}, kWait);
        QVERIFY(w.windowTitle().endsWith(QStringLiteral("% ") + kTitle));
        QVERIFY(stop->isVisible() && !start->isVisible());
        QCOMPARE(w.focusWidget(), stop); // the keyboard stays where Start was
        QVERIFY(QApplication::overrideCursor());
        // The run owns the settings: the window takes no edits, the model keeps its states.
        for (const char* input : {"txtDelay", "chkRecheck", "cmdSpoileropen"})
            QVERIFY2(!f.widget(input)->isEnabled() && f.control(input).enabled, input);

        QTest::keyClick(stop, Qt::Key_Escape); // presses Stop
        QCOMPARE(f.lines(), (QStringList{"Processing GC1AAAA", "Stopping in progress"}));
        QCOMPARE(f.widget<QListWidget>("lstProgress")->currentRow(), 0);
        // Stop gives up the silent request after a few seconds, not at its ten-minute limit.
        QTRY_VERIFY_WITH_TIMEOUT(!f.program->runInProgress(), kWait);
        QCOMPARE(scrapeThread, QStringLiteral("pixtrail-run"));
        QCOMPARE(f.lines(), (QStringList{"GC1AAAA page not available", "Stopping in progress"}));
        QCOMPARE(f.seen.size(), size_t(1));
        QCOMPARE(f.seen[0].text,
                 QStringLiteral("1 waypoints processed\n0 pictures downloaded\n0 files deleted\n"
                                "1 caches could not be completed"));
        QVERIFY(start->isVisible() && start->isEnabled() && !stop->isVisible());
        QVERIFY(f.widget("txtDelay")->isEnabled() && !f.widget("txtcmd")->isEnabled());
        QVERIFY(!QApplication::overrideCursor());
        QCOMPARE(w.windowTitle(), kTitle);
        QTRY_COMPARE_WITH_TIMEOUT(w.focusWidget(), start, kWait); // once the totals have gone
    }

    void aCommandLineRunCanBeStoppedWhileTheConnectionCheckWaits() {
        GuiFixture f;
        f.writeWaypoints({"GC1AAAA"}, "week.gpx");
        f.writeSettings();
        f.site->setFault("/", kNeverAnswer);
        f.start({f.dir.file("week.gpx")});
        QTRY_VERIFY_WITH_TIMEOUT(f.widget("cmdStop")->isVisible() && QApplication::overrideCursor(),
                                 kWait);
        QTest::mouseClick(f.widget("cmdStop"), Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(!f.program->runInProgress(), kWait);
        QVERIFY(f.seen.empty()); // stopped, not "Cannot connect"
        QVERIFY(f.widget("cmdSync")->isVisible() && !QApplication::overrideCursor());
        QVERIFY(f.exits.empty() && f.program->window().isVisible()); // no "-a": the window stays
    }

    void aQuestionHoldsTheRunUntilAnswered() {
        GuiFixture f;
        f.writeWaypoints({"GC1AAAA"});
        f.writeSettings({{"Spoilerfolder", f.dir.file("new/spoilers")}});
        f.serveCache("GC1AAAA");
        f.start();
        for (const auto answer : {QMessageBox::No, QMessageBox::Yes}) {
            f.seen.clear();
            f.questionAnswer = answer;
            QTest::mouseClick(f.widget("cmdSync"), Qt::LeftButton);
            QTRY_VERIFY_WITH_TIMEOUT(!f.program->runInProgress(), kWait);
            QCOMPARE(f.seen.at(0).icon, QMessageBox::Question);
            QCOMPARE(f.seen.at(0).defaultButton, QMessageBox::No);
            QCOMPARE(f.dir.exists("new/spoilers"), answer == QMessageBox::Yes);
            QCOMPARE(f.requested("GC1AAAA"), answer == QMessageBox::Yes);
        }
        QCOMPARE(f.lines(), QStringList{"GC1AAAA no spoilers found"});
        QCOMPARE(f.seen.size(), size_t(2));
        QCOMPARE(f.seen[1].icon, QMessageBox::Information); // the totals
    }

    void whatEscapesTheRunEndsTheRunOrTheProgram() {
        GuiFixture f;
        f.writeWaypoints({"GC1AAAA"});
        f.writeSettings();
        f.start();
        sync::Scraper& scraper = f.program->app().getspoilerpics;
        scraper = [](scrape::ScrapeCall&) -> int { throw std::runtime_error("disk on fire"); };
        QTest::mouseClick(f.widget("cmdSync"), Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(!f.program->runInProgress(), kWait);
        QCOMPARE(f.seen.at(0).text, QStringLiteral("disk on fire"));
        QVERIFY(f.exits.empty() && !f.widget("cmdStop")->isVisible());
        QVERIFY(!QApplication::overrideCursor());
        // The next run starts, and one that asks to end the program ends it without a word.
        scraper = [](scrape::ScrapeCall&) -> int { throw base::ProgramEndRequested(42); };
        QTest::mouseClick(f.widget("cmdSync"), Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(!f.program->runInProgress(), kWait);
        QCOMPARE(f.exits, std::vector<int>{42});
        QCOMPARE(f.seen.size(), size_t(1)); // the warning above, nothing since
    }

    void theProgramAnswersItsCommandLine() {
        GuiFixture f;
        const std::string exe = f.dir.file("pixtrail");
        std::filesystem::copy_file(PIXTRAIL_GUI_PATH, exe);
        std::filesystem::create_directory(f.dir.path() / "my settings");
        const std::string settings = f.dir.file("my settings/run.ini");
        f.writeWaypoints({"GC1AAAA"});
        f.writeSettings({}, "my settings/run.ini");
        f.serveCache("GC1AAAA");
        // Asked as pixtrail-cli is asked, it answers alike, without needing a display; a
        // mistyped option starts nothing.
        ProgramResult r = runProgram(
            exe, {"--version"}, {std::chrono::seconds(60), 0, {"DISPLAY=", "QT_QPA_PLATFORM="}});
        QVERIFY(r.exitCode == 0 && r.out == shell::windowTitle() + "\n");
        r = runProgram(exe, {"--help"});
        QVERIFY(r.exitCode == 0 && r.out.rfind("Usage: pixtrail ", 0) == 0);
        r = runProgram(exe, {"-v", settings});
        QVERIFY(r.exitCode == 2 && r.err.find("unknown option '-v'") != std::string::npos);
        // "-a": one run with the named settings, no totals to answer, then the end.
        r = runProgram(exe, {"-a", settings});
        QCOMPARE(r.exitCode, 0);
        QVERIFY(f.dir.read("log.txt").find("\nGC1AAAA no spoilers found\r\n") != std::string::npos);
        QVERIFY(!f.dir.exists("pixtrail.ini"));
    }

    void closingDuringARunEndsTheProcessAtOnce() {
        GuiFixture f;
        f.writeWaypoints({"GC1AAAA"});
        f.writeSettings();
        f.site->setFault(GuiFixture::cachePath("GC1AAAA"), kNeverAnswer);
        const ProgramResult r = runProgram(QCoreApplication::applicationFilePath().toStdString(),
                                           {"--close-during-run", base::ansiPath(f.dir.path())});
        QCOMPARE(r.exitCode, 0);
        QTRY_VERIFY_WITH_TIMEOUT(f.requested("GC1AAAA"), kWait); // it ended inside the request,
        QVERIFY(!f.dir.exists("log.txt"));                       // so the run wrote no log
    }
};

int pixtrail::testing::runRunTest(int argc, char** argv) {
    RunTest suite;
    return QTest::qExec(&suite, argc, argv);
}

#include "run_test.moc"
