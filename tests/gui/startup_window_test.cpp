#include "gui_fixture.hpp"
#include "suites.hpp"

#include "shell/translation.hpp"
#include "shell/version.hpp"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QTest>

using namespace pixtrail;
using namespace pixtrail::testing;

class StartupWindowTest : public QObject {
    Q_OBJECT

private slots:
    void theWindowShowsEveryControlInPlace();
    void anEmptyLanguageFileIsFilledAndTranslationsShow();
    void savedSettingsFillTheControlsWithTheInterlocksApplied();
    void closingOutsideARunEndsNormallyAndSavesNothing();
};

void StartupWindowTest::theWindowShowsEveryControlInPlace() {
    GuiFixture f;
    f.start();
    QWidget& w = f.program->window();
    QVERIFY(w.isVisible());
    QCOMPARE(w.windowTitle(),
             QStringLiteral("Pixtrail v") + QString::fromStdString(shell::versionText()));
    QCOMPARE(w.size(), QSize(433, 513)); // 6495 x 7695 twips
    const QPoint offCentre = w.frameGeometry().center() - w.screen()->availableGeometry().center();
    QVERIFY2(offCentre.manhattanLength() <= 2, "the window opens centred");

    struct Place {
        const char* name;
        QRect pixels; // the arrangement's twips divided by 15
    };
    const Place places[] = {
        {"txtWpFile", {136, 8, 257, 19}},       {"txtcmd", {136, 8, 257, 19}},
        {"cmdWaypointopen", {400, 8, 25, 19}},  {"txtSpoilerFolder", {136, 32, 257, 19}},
        {"cmdSpoileropen", {400, 32, 25, 19}},  {"chkDelUnused", {8, 56, 417, 17}},
        {"chkForceGC", {8, 80, 417, 17}},       {"chkOnlySpoil", {8, 104, 417, 17}},
        {"txtOnlyWords", {48, 120, 377, 19}},   {"chkIgnoreNoSpoil", {8, 144, 417, 17}},
        {"txtIgnoreWords", {48, 160, 377, 19}}, {"chkRecheck", {8, 184, 417, 17}},
        {"txtHeight", {312, 208, 33, 19}},      {"txtWidth", {392, 208, 33, 19}},
        {"chkDohtml", {8, 232, 417, 17}},       {"chkNoTxt", {8, 256, 417, 17}},
        {"chkGarminPhotos", {8, 280, 417, 17}}, {"txtDelay", {312, 304, 33, 19}},
        {"lstProgress", {8, 328, 417, 124}},    {"ProgressBar1", {8, 456, 417, 17}},
        {"cmdSync", {8, 480, 97, 25}},          {"cmdStop", {8, 480, 97, 25}},
        {"Label2", {256, 488, 169, 17}},
    };
    for (const Place& p : places) {
        const QWidget* c = f.widget<QWidget>(p.name);
        QVERIFY2(c, p.name);
        QCOMPARE(c->geometry(), p.pixels);
    }
    QCOMPARE(f.widget<QCheckBox>("chkResize")->geometry().topLeft(), QPoint(8, 208));

    for (const char* hidden : {"chkAutoUpdate", "txtcmd", "cmdStop", "lstSort"}) {
        QVERIFY2(f.widget<QWidget>(hidden), hidden);
        QVERIFY2(!f.widget<QWidget>(hidden)->isVisible(), hidden);
    }
    for (const char* shown :
         {"txtWpFile", "cmdSync", "lstProgress", "ProgressBar1", "Label2", "chkResize", "txtDelay"})
        QVERIFY2(f.widget<QWidget>(shown)->isVisible(), shown);
    QVERIFY(!f.widget<QLineEdit>("txtcmd")->isEnabled());

    const char* const labels[] = {"Waypoint file",
                                  "Spoiler folder",
                                  "height",
                                  "width",
                                  "Delay between web requests",
                                  "seconds",
                                  "or",
                                  "or"};
    for (int i = 0; i < 8; ++i) {
        const auto name = QStringLiteral("Label1_%1").arg(i).toLatin1();
        const QLabel* label = f.widget<QLabel>(name.constData());
        QVERIFY2(label && label->isVisible(), name.constData());
        QCOMPARE(label->text(), QString::fromLatin1(labels[i]));
    }
    QCOMPARE(f.widget<QPushButton>("cmdSync")->text(), QStringLiteral("Start"));
    QCOMPARE(f.widget<QPushButton>("cmdSync")->toolTip(),
             QStringLiteral("Process current waypoint file"));
    QCOMPARE(f.widget<QPushButton>("cmdStop")->text(), QStringLiteral("Stop"));
    QCOMPARE(f.widget<QPushButton>("cmdWaypointopen")->text(), QStringLiteral("..."));
    QCOMPARE(f.widget<QLineEdit>("txtcmd")->toolTip(), QStringLiteral("Choose waypoint file"));
    QCOMPARE(f.widget<QCheckBox>("chkNoTxt")->text(),
             QStringLiteral("Create a summary \"no spoiler found\" file"));
    QCOMPARE(f.widget<QLabel>("Label2")->text(), QStringLiteral("www.pixtrail.app/pixtrail"));
    QVERIFY(f.widget<QLabel>("Label2")->font().underline());

    // Without a language file nothing is translated and no file appears.
    QVERIFY(!f.dir.exists("language.ini"));
}

void StartupWindowTest::anEmptyLanguageFileIsFilledAndTranslationsShow() {
    {
        GuiFixture f;
        f.writeSettings();
        f.dir.write("language.ini", "");
        f.start();
        // Which texts the file collects is the translator's business; here the window
        // must have been handed to it at start-up.
        const std::string collected = f.dir.read("language.ini");
        for (const char* text : {"Start", "Process current waypoint file", "Progress bar"})
            QVERIFY2(collected.find(shell::translationKey(text) + "=" + text + "\r\n") !=
                         std::string::npos,
                     text);
        // The browse buttons and the link keep their captions and look nothing up.
        QCOMPARE(f.widget<QPushButton>("cmdSpoileropen")->text(), QStringLiteral("..."));
        QCOMPARE(f.widget<QLabel>("Label2")->text(),
                 QString::fromStdString(f.site->host() + "/pixtrail"));
    }
    {
        GuiFixture f;
        f.writeSettings();
        f.dir.write("language.ini", "[Pixtrail]\r\n" + shell::translationKey("Start") + "=Los\r\n" +
                                        shell::translationKey("or") + "=oder\r\n" +
                                        shell::translationKey("Process current waypoint file") +
                                        "=Wegpunktdatei \xF6" + "ffnen\r\n");
        f.start();
        QCOMPARE(f.widget<QPushButton>("cmdSync")->text(), QStringLiteral("Los"));
        QCOMPARE(f.widget<QPushButton>("cmdSync")->toolTip(),
                 QString::fromUtf8("Wegpunktdatei \xC3\xB6"
                                   "ffnen"));
        QCOMPARE(f.widget<QLabel>("Label1_6")->text(), QStringLiteral("oder"));
        QCOMPARE(f.widget<QLabel>("Label1_7")->text(), QStringLiteral("oder"));
        QCOMPARE(f.widget<QLabel>("Label1_0")->text(), QStringLiteral("Waypoint file"));
        QCOMPARE(f.widget<QPushButton>("cmdWaypointopen")->text(), QStringLiteral("..."));
    }
}

void StartupWindowTest::savedSettingsFillTheControlsWithTheInterlocksApplied() {
    GuiFixture f;
    f.writeSettings({{"Waypointfile", "/data/cach\xE9s.gpx"},
                     {"onlyspoiler", "0"},
                     {"onlywords", "final"},
                     {"ignorenospoiler", "1"},
                     {"ignorewords", "log,trail"},
                     {"shrinkpics", "1"},
                     {"shrinkwidth", "123456"},
                     {"shrinkheight", "80"},
                     {"delay", "7"},
                     {"dohtml", "0"},
                     {"recheck", "2"}});
    f.start();
    QCOMPARE(f.widget<QLineEdit>("txtWpFile")->text(),
             QString::fromUtf8("/data/cach\xC3\xA9s.gpx"));
    QCOMPARE(f.widget<QCheckBox>("chkOnlySpoil")->checkState(), Qt::Unchecked);
    QVERIFY(!f.widget<QLineEdit>("txtOnlyWords")->isEnabled());
    QCOMPARE(f.widget<QLineEdit>("txtOnlyWords")->text(), QStringLiteral("final"));
    QCOMPARE(f.widget<QCheckBox>("chkIgnoreNoSpoil")->checkState(), Qt::Checked);
    QVERIFY(f.widget<QLineEdit>("txtIgnoreWords")->isEnabled());
    QCOMPARE(f.widget<QLineEdit>("txtIgnoreWords")->text(), QStringLiteral("log,trail"));
    QCOMPARE(f.widget<QCheckBox>("chkResize")->checkState(), Qt::Checked);
    QVERIFY(f.widget<QLineEdit>("txtWidth")->isEnabled());
    QVERIFY(f.widget<QLineEdit>("txtHeight")->isEnabled());
    QCOMPARE(f.widget<QLineEdit>("txtWidth")->text(), QStringLiteral("1234")); // the cut
    QCOMPARE(f.control("txtWidth").text, "1234");
    QCOMPARE(f.widget<QLineEdit>("txtHeight")->text(), QStringLiteral("80"));
    QCOMPARE(f.widget<QLineEdit>("txtDelay")->text(), QStringLiteral("7"));
    QCOMPARE(f.widget<QCheckBox>("chkDohtml")->checkState(), Qt::Unchecked);
    QCOMPARE(f.widget<QCheckBox>("chkRecheck")->checkState(), Qt::PartiallyChecked);

    // A click on the greyed box ticks it.
    auto* recheck = f.widget<QCheckBox>("chkRecheck");
    QTest::mouseClick(recheck, Qt::LeftButton, {}, QPoint(6, recheck->height() / 2));
    QCOMPARE(recheck->checkState(), Qt::Checked);
    QCOMPARE(f.control("chkRecheck").value, 1);
}

void StartupWindowTest::closingOutsideARunEndsNormallyAndSavesNothing() {
    GuiFixture f;
    f.start();
    auto* recheck = f.widget<QCheckBox>("chkRecheck");
    QTest::mouseClick(recheck, Qt::LeftButton, {}, QPoint(6, recheck->height() / 2));
    QCOMPARE(f.control("chkRecheck").value, 1);
    f.program->window().close();
    QCOMPARE(f.exits, std::vector<int>{0});
    QVERIFY(f.exitsAtOnce.empty());
    QVERIFY(!f.dir.exists("pixtrail.ini"));
}

int runStartupWindowTest(int argc, char** argv) {
    StartupWindowTest suite;
    return QTest::qExec(&suite, argc, argv);
}

#include "startup_window_test.moc"
