#include "gui_fixture.hpp"
#include "suites.hpp"

#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <filesystem>

using namespace pixtrail;
using namespace pixtrail::testing;

// The three ways a command line starts a run.
class CommandLineTest : public QObject {
    Q_OBJECT

private slots:
    void theCommandLineStartsRuns();
};

void CommandLineTest::theCommandLineStartsRuns() {
    {
        // Only "-a": one run with the saved settings, then the end, without totals.
        GuiFixture f;
        f.writeWaypoints({"GC1AAAA"});
        f.writeSettings();
        f.serveCache("GC1AAAA");
        f.start({"-a"});
        QVERIFY(f.program->window().isVisible());
        QVERIFY(f.program->runInProgress());
        QTRY_VERIFY_WITH_TIMEOUT(!f.exits.empty(), kWait);
        QCOMPARE(f.exits, std::vector<int>{0});
        QCOMPARE(f.lines(), QStringList{"GC1AAAA no spoilers found"});
        QVERIFY(f.dialogs.seen.empty());
    }
    {
        // "-a" and a quoted settings file whose path holds spaces.
        GuiFixture f;
        std::filesystem::create_directory(f.dir.path() / "my settings");
        f.writeWaypoints({"GC2BBBB"}, "other.gpx");
        f.writeSettings({{"Waypointfile", f.dir.file("other.gpx")}}, "my settings/other.ini");
        f.serveCache("GC2BBBB");
        f.start({"-a", f.dir.file("my settings/other.ini")});
        QTRY_VERIFY_WITH_TIMEOUT(!f.exits.empty(), kWait);
        QCOMPARE(f.exits, std::vector<int>{0});
        QCOMPARE(f.lines(), QStringList{"GC2BBBB no spoilers found"});
        QVERIFY(!f.dir.exists("pixtrail.ini")); // the run saved to the named file
        QVERIFY(f.dir.read("my settings/other.ini").find("delay=0\r\n") != std::string::npos);
    }
    {
        // A quoted waypoint file: shown in txtcmd, run at once, and the window stays.
        GuiFixture f;
        std::filesystem::create_directory(f.dir.path() / "geo caches");
        f.writeWaypoints({"GC1AAAA"});
        f.writeWaypoints({"GC3CCCC"}, "geo caches/week.gpx");
        f.writeSettings();
        f.serveCache("GC3CCCC");
        const std::string week = f.dir.file("geo caches/week.gpx");
        f.start({week});
        auto* cmd = f.widget<QLineEdit>("txtcmd");
        QVERIFY(cmd->isVisible());
        QCOMPARE(cmd->text(), QString::fromStdString(week));
        QTRY_VERIFY_WITH_TIMEOUT(!f.program->runInProgress(), kWait);
        QVERIFY(f.exits.empty());
        QVERIFY(f.program->window().isVisible());
        QCOMPARE(f.lines(), QStringList{"GC3CCCC no spoilers found"});
        QCOMPARE(f.dialogs.messageTexts().size(), 1); // the totals
        QVERIFY(cmd->isVisible());
        QVERIFY(!cmd->isEnabled());
        QVERIFY(!f.widget<QPushButton>("cmdWaypointopen")->isEnabled());
        QCOMPARE(f.widget<QLineEdit>("txtWpFile")->text(),
                 QString::fromStdString(f.dir.file("caches.gpx")));

        // Later runs of this process use that file too.
        f.site->clearRequests();
        QTest::mouseClick(f.widget<QPushButton>("cmdSync"), Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(!f.program->runInProgress(), kWait);
        QCOMPARE(f.lines().size(), 1);
        QVERIFY(f.lines().front().startsWith(QStringLiteral("GC3CCCC ")));
    }
}

int runCommandLineTest(int argc, char** argv) {
    CommandLineTest suite;
    return QTest::qExec(&suite, argc, argv);
}

#include "command_line_test.moc"
