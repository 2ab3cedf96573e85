#include "base/run_error.hpp"
#include "gui_fixture.hpp"
#include "suites.hpp"

#include "shell/debug_log.hpp"
#include "shell/version.hpp"

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>

#include <QThread>
#include <algorithm>

#include <filesystem>
#include <stdexcept>

using namespace pixtrail;
using namespace pixtrail::testing;

namespace {

QString plainTitle() {
    return QString::fromStdString(shell::windowTitle());
}

} // namespace

class RunWindowTest : public QObject {
    Q_OBJECT

private slots:
    void startAndStopSwitchDuringARun();
    void aSiteThatDoesNotAnswerCanBeStoppedAtOnce();
    void stopDuringACountdownRestoresTheLineAndSkipsTheCleanup();
    void debugModeFollowsThePressOnStart();
    void theFolderQuestionHoldsTheRunUntilAnswered();
    void theUpgradeOfferIsAPlainQuestion();
    void aRunThatEndsTheProgramEndsIt();
    void anUnexpectedFailureEndsOnlyTheRun();
    void closingDuringARunEndsAtOnce();
};

void RunWindowTest::startAndStopSwitchDuringARun() {
    GuiFixture f;
    f.writeWaypoints({"GC1AAAA", "GC2BBBB"});
    f.writeSettings();
    f.site->setFault(GuiFixture::cachePath("GC1AAAA"), neverAnswer());
    f.serveCache("GC2BBBB");
    f.start();
    shell::Session& app = f.program->app().session;
    QString scrapeThread;
    sync::Scraper& scraper = f.program->app().getspoilerpics;
    scraper = [&scrapeThread, scrape = scraper](scrape::ScrapeCall& call) {
        scrapeThread = QThread::currentThread()->objectName();
        return scrape(call);
    };
    auto* start = f.widget<QPushButton>("cmdSync");
    auto* stop = f.widget<QPushButton>("cmdStop");
    QVERIFY(start->isVisible());
    QVERIFY(!stop->isVisible());

    QTest::mouseClick(start, Qt::LeftButton);
    // The page request hangs; the window goes on.
    QTRY_VERIFY_WITH_TIMEOUT(f.requested("GC1AAAA"), kWait);
    QTRY_VERIFY_WITH_TIMEOUT(stop->isVisible(), kWait);
    QVERIFY(!start->isVisible());
    QVERIFY(f.program->runInProgress());
    QCOMPARE(f.currentLine(), QStringLiteral("Processing GC1AAAA"));
    QVERIFY(f.program->window().windowTitle().endsWith(QStringLiteral("% ") + plainTitle()));
    // The run owns the settings: the window takes no edits, the model keeps its states.
    for (const char* input : {"txtDelay", "txtWidth", "chkRecheck", "cmdSpoileropen", "cmdSync"})
        QVERIFY2(!f.widget<QWidget>(input)->isEnabled(), input);
    QVERIFY(f.control("txtDelay").enabled);
    QVERIFY(f.control("cmdSpoileropen").enabled);
    QVERIFY(stop->isEnabled());
    QVERIFY(f.widget<QListWidget>("lstProgress")->isEnabled());

    QTest::mouseClick(stop, Qt::LeftButton);
    QCOMPARE(f.lines(), (QStringList{"Processing GC1AAAA", "Stopping in progress"}));
    QCOMPARE(f.progressList()->currentRow(), 0);
    QVERIFY(!app.runActive);
    QVERIFY(stop->isVisible()); // until the run has finished

    // The request is still unanswered: Stop gives it up after a few quiet seconds, leaving
    // the cache to the next run, instead of waiting for the transfer's time-out.
    const auto pressed = std::chrono::steady_clock::now();
    QTRY_VERIFY_WITH_TIMEOUT(!f.program->runInProgress(), kWait);
    QVERIFY(std::chrono::steady_clock::now() - pressed < std::chrono::seconds(9));
    QCOMPARE(f.lines().front(), QStringLiteral("GC1AAAA page not available"));
    QVERIFY(f.dir.exists("spoilers/.pixtrail-incomplete-GC1AAAA.part"));
    QVERIFY(start->isVisible());
    QVERIFY(!stop->isVisible());
    QVERIFY(start->isEnabled());
    QVERIFY(f.widget<QLineEdit>("txtDelay")->isEnabled());
    QVERIFY(!f.widget<QLineEdit>("txtcmd")->isEnabled()); // the model's own state returns
    const QStringList lines = f.lines();
    QCOMPARE(lines.size(), 2);
    QVERIFY(lines[0].startsWith(QStringLiteral("GC1AAAA "))); // its result in its own line
    QCOMPARE(lines[1], QStringLiteral("Stopping in progress"));
    QCOMPARE(scrapeThread, QStringLiteral("pixtrail-run"));
    QCOMPARE(f.program->window().windowTitle(), plainTitle());
    QCOMPARE(f.dialogs.messageTexts(),
             QStringList{"1 waypoints processed\n0 pictures downloaded\n0 files deleted\n"
                         "1 caches could not be completed"}); // the page never came
    QVERIFY(f.dir.read("log.txt").find("Stopping in progress\r\n") != std::string::npos);
}

void RunWindowTest::aSiteThatDoesNotAnswerCanBeStoppedAtOnce() {
    GuiFixture f;
    f.writeWaypoints({"GC1AAAA"});
    f.writeSettings();
    f.site->setFault("/", neverAnswer()); // the connection check hangs
    f.start();
    auto* stop = f.widget<QPushButton>("cmdStop");
    QTest::mouseClick(f.widget<QPushButton>("cmdSync"), Qt::LeftButton);
    // While it waits, the window says it is busy and offers Stop.
    QTRY_VERIFY_WITH_TIMEOUT(stop->isVisible() && stop->isEnabled(), kWait);
    QVERIFY(QApplication::overrideCursor());
    const auto pressed = std::chrono::steady_clock::now();
    QTest::mouseClick(stop, Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(!f.program->runInProgress(), kWait);
    QVERIFY(std::chrono::steady_clock::now() - pressed < std::chrono::seconds(9));
    QVERIFY(f.dialogs.messageTexts().isEmpty()); // stopped, not "Cannot connect"
    QVERIFY(f.widget<QPushButton>("cmdSync")->isVisible());
    QVERIFY(!QApplication::overrideCursor());
}

void RunWindowTest::stopDuringACountdownRestoresTheLineAndSkipsTheCleanup() {
    GuiFixture f;
    f.writeWaypoints({"GC1AAAA", "GC2BBBB", "GC3CCCC"});
    f.writeSettings({{"delay", "600"}, {"delunused", "1"}});
    for (const char* code : {"GC1AAAA", "GC2BBBB", "GC3CCCC"})
        f.serveCache(code);
    f.dir.write("spoilers/GCZZZZZ - Spoiler 1.jpg", "an old cache's picture");
    f.start();

    QTest::mouseClick(f.widget<QPushButton>("cmdSync"), Qt::LeftButton);
    // The first page is requested at once, the second after the delay, counted down.
    QTRY_VERIFY_WITH_TIMEOUT(f.currentLine().contains(QStringLiteral("Sleeping")), kWait);
    QVERIFY(QRegularExpression(QStringLiteral("^Processing GC2BBBB \\(Sleeping \\d+ seconds\\)$"))
                .match(f.currentLine())
                .hasMatch());
    QCOMPARE(f.lines().front(), QStringLiteral("GC1AAAA no spoilers found"));
    QVERIFY(!f.requested("GC2BBBB"));

    QTest::mouseClick(f.widget<QPushButton>("cmdStop"), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(!f.program->runInProgress(), kWait);
    QCOMPARE(f.lines(), (QStringList{"GC1AAAA no spoilers found", "GC2BBBB no spoilers found",
                                     "Stopping in progress"}));
    QVERIFY(f.requested("GC2BBBB")); // the wait's request is still made
    QVERIFY(!f.requested("GC3CCCC"));
    QVERIFY(f.dir.exists("spoilers/GCZZZZZ - Spoiler 1.jpg")); // no cleanup after Stop
}

void RunWindowTest::debugModeFollowsThePressOnStart() {
    GuiFixture f;
    f.start(); // no waypoint file: every run ends at its first check
    auto* start = f.widget<QPushButton>("cmdSync");
    const QString noFile = QStringLiteral("Please choose a waypoint file to open !");
    const QString notice = QStringLiteral("Debug mode active.\n\nFiles will be written to: \n") +
                           QString::fromStdString(f.dir.file("debug.txt"));
    auto press = [&](Qt::MouseButton button, Qt::KeyboardModifiers modifiers) {
        f.dialogs.seen.clear();
        QTest::mouseClick(start, button, modifiers);
    };

    press(Qt::LeftButton, Qt::ControlModifier | Qt::ShiftModifier);
    QTRY_VERIFY_WITH_TIMEOUT(!f.program->runInProgress(), kWait);
    QCOMPARE(f.dialogs.messageTexts(), (QStringList{notice, noFile}));
    QCOMPARE(f.dialogs.seen[0].icon, QMessageBox::Information);
    QCOMPARE(f.dialogs.seen[0].title, plainTitle());
    QCOMPARE(f.dialogs.seen[1].icon, QMessageBox::Warning);
    QVERIFY(shell::debugLog().enabled());
    const std::string trace = f.dir.read("debug.txt");
    QVERIFY(trace.rfind("Pixtrail Debug file ", 0) == 0);
    QVERIFY(trace.find(" No waypoint file\r\n") != std::string::npos);
    QCOMPARE(f.updateDatesCleared, 1);

    press(Qt::LeftButton, Qt::NoModifier);
    QTRY_VERIFY_WITH_TIMEOUT(!f.program->runInProgress(), kWait);
    QCOMPARE(f.dialogs.messageTexts(), QStringList{noFile});
    QVERIFY(!shell::debugLog().enabled());
    QCOMPARE(f.dir.read("debug.txt"), trace);
    QCOMPARE(f.updateDatesCleared, 1);

    press(Qt::LeftButton, Qt::AltModifier);
    QTRY_VERIFY_WITH_TIMEOUT(!f.program->runInProgress(), kWait);
    QCOMPARE(f.dialogs.messageTexts(), (QStringList{notice, noFile}));
    QCOMPARE(f.updateDatesCleared, 2);

    press(Qt::LeftButton, Qt::ShiftModifier);
    QTRY_VERIFY_WITH_TIMEOUT(!f.program->runInProgress(), kWait);
    QCOMPARE(f.dialogs.messageTexts(), QStringList{noFile});
    QVERIFY(!shell::debugLog().enabled());
    QCOMPARE(f.updateDatesCleared, 3);

    // Another button clears the date and starts nothing.
    press(Qt::RightButton, Qt::NoModifier);
    QVERIFY(!f.program->runInProgress()); // a run would have started inside the click
    QVERIFY(f.dialogs.seen.empty());
    QCOMPARE(f.updateDatesCleared, 4);
}

void RunWindowTest::theFolderQuestionHoldsTheRunUntilAnswered() {
    GuiFixture f;
    f.writeWaypoints({"GC1AAAA"});
    f.writeSettings({{"Spoilerfolder", f.dir.file("new/spoilers")}});
    f.serveCache("GC1AAAA");
    f.start();
    size_t requestsWhenAsked = 99;
    f.dialogs.onDialog = [&](const SeenDialog& d) {
        if (d.icon == QMessageBox::Question)
            requestsWhenAsked = f.site->requests().size();
    };
    auto* start = f.widget<QPushButton>("cmdSync");

    QTest::mouseClick(start, Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(!f.program->runInProgress(), kWait);
    QCOMPARE(f.dialogs.seen.size(), size_t(1));
    const SeenDialog question = f.dialogs.seen[0];
    QCOMPARE(question.icon, QMessageBox::Question);
    QCOMPARE(question.buttons, QMessageBox::Yes | QMessageBox::No);
    QCOMPARE(question.defaultButton, QMessageBox::No);
    QCOMPARE(question.title, plainTitle());
    QCOMPARE(question.text,
             QStringLiteral("Spoiler folder does not exist.\n\nDo you wish to create it ?"));
    QVERIFY(!f.dir.exists("new"));
    QVERIFY(f.site->requests().empty());

    f.dialogs.seen.clear();
    f.dialogs.questionAnswer = QMessageBox::Yes;
    QTest::mouseClick(start, Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(!f.program->runInProgress(), kWait);
    QCOMPARE(requestsWhenAsked, size_t(0)); // nothing went on while the question was open
    QVERIFY(f.dir.exists("new/spoilers"));
    QCOMPARE(f.lines(), QStringList{"GC1AAAA no spoilers found"});
    QCOMPARE(f.dialogs.seen.size(), size_t(2));
    const SeenDialog totals = f.dialogs.seen[1];
    QCOMPARE(totals.icon, QMessageBox::Information);
    QCOMPARE(totals.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    QCOMPARE(totals.text,
             QStringLiteral("1 waypoints processed\n0 pictures downloaded\n0 files deleted"));
}

void RunWindowTest::theUpgradeOfferIsAPlainQuestion() {
    GuiFixture f;
    f.writeWaypoints({"GC1AAAA"});
    f.writeSettings();
    f.serveCache("GC1AAAA");
    f.site->serve("/pixtrail/index.htm", "<version>99.0.0</version><download>http://" +
                                             f.site->host() + "/pixtrail/pixtrail</download>");
    f.start();
    QTest::mouseClick(f.widget<QPushButton>("cmdSync"), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(!f.program->runInProgress(), kWait);
    const auto offer =
        std::find_if(f.dialogs.seen.begin(), f.dialogs.seen.end(),
                     [](const SeenDialog& d) { return d.text.startsWith("Version"); });
    QVERIFY(offer != f.dialogs.seen.end());
    QCOMPARE(offer->icon, QMessageBox::NoIcon);
    QCOMPARE(offer->buttons, QMessageBox::Yes | QMessageBox::No);
    QCOMPARE(offer->defaultButton, QMessageBox::No);
    QCOMPARE(offer->text, QStringLiteral("Version 99.0.0 of Pixtrail is now available\n\nWould "
                                         "you like to upgrade ?"));
    const auto targets = f.site->targets();
    QVERIFY(std::count(targets.begin(), targets.end(), "/pixtrail/index.htm") > 0);
    QCOMPARE(std::count(targets.begin(), targets.end(), "/pixtrail/pixtrail"), 0); // answered No
}

void RunWindowTest::aRunThatEndsTheProgramEndsIt() {
    GuiFixture f;
    f.writeWaypoints({"GC1AAAA", "GC2BBBB"});
    f.writeSettings();
    f.start();
    int calls = 0;
    f.program->app().getspoilerpics = [&calls](scrape::ScrapeCall&) -> int {
        ++calls;
        throw base::ProgramEndRequested(42);
    };
    QTest::mouseClick(f.widget<QPushButton>("cmdSync"), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(!f.program->runInProgress(), kWait);
    QCOMPARE(f.exits, std::vector<int>{42});
    QCOMPARE(calls, 1);
    QVERIFY(f.dialogs.seen.empty());
}

void RunWindowTest::anUnexpectedFailureEndsOnlyTheRun() {
    GuiFixture f;
    f.writeWaypoints({"GC1AAAA", "GC2BBBB"});
    f.writeSettings();
    f.start();
    app::Application& app = f.program->app();
    app.getspoilerpics = [](scrape::ScrapeCall&) -> int {
        throw std::runtime_error("disk on fire");
    };
    auto* start = f.widget<QPushButton>("cmdSync");
    QTest::mouseClick(start, Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(!f.program->runInProgress(), kWait);
    QCOMPARE(f.dialogs.messageTexts(), QStringList{"disk on fire"});
    QCOMPARE(f.dialogs.seen[0].icon, QMessageBox::Warning);
    QVERIFY(f.exits.empty());
    QVERIFY(!app.session.runActive);
    QVERIFY(start->isVisible());
    QVERIFY(start->isEnabled());
    QVERIFY(!f.widget<QPushButton>("cmdStop")->isVisible());
    QCOMPARE(f.program->window().windowTitle(), plainTitle());

    // The next run works.
    app.getspoilerpics = [](scrape::ScrapeCall&) { return 0; };
    f.dialogs.seen.clear();
    QTest::mouseClick(start, Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(!f.program->runInProgress(), kWait);
    QCOMPARE(f.lines(), (QStringList{"GC1AAAA no spoilers found", "GC2BBBB no spoilers found"}));
}

void RunWindowTest::closingDuringARunEndsAtOnce() {
    GuiFixture f;
    f.writeWaypoints({"GC1AAAA"});
    f.writeSettings();
    f.site->setFault(GuiFixture::cachePath("GC1AAAA"), neverAnswer());
    f.start();
    QTest::mouseClick(f.widget<QPushButton>("cmdSync"), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(f.requested("GC1AAAA"), kWait);
    f.program->window().close();
    QCOMPARE(f.exitsAtOnce, std::vector<int>{0});
    QVERIFY(f.exits.empty());
    QVERIFY(!f.program->app().session.runActive);
}

int runRunWindowTest(int argc, char** argv) {
    RunWindowTest suite;
    return QTest::qExec(&suite, argc, argv);
}

#include "run_window_test.moc"
