#include "gui_fixture.hpp"
#include "suites.hpp"

#include "shell/translation.hpp"
#include "shell/version.hpp"
#include "support/run_program.hpp"

#include <QApplication>
#include <QCheckBox>
#include <QCoreApplication>
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
    void closingOutsideARunKeepsSettingsAndSize();
    void aLongTranslationIsShownWhole();
    void everyScaleDrawsTheWholeWindow();
};

void StartupWindowTest::theWindowShowsEveryControlInPlace() {
    GuiFixture f;
    f.start();
    QWidget& w = f.program->window();
    QVERIFY(w.isVisible());
    QCOMPARE(w.windowTitle(),
             QStringLiteral("Pixtrail v") + QString::fromStdString(shell::versionText()));
    // The designed 6495 x 7695 twips are the smallest the window gets.
    QVERIFY(w.minimumWidth() >= 433 && w.minimumHeight() >= 513);
    QCOMPARE(w.size(), w.minimumSize());
    const QPoint offCentre = w.frameGeometry().center() - w.screen()->availableGeometry().center();
    QVERIFY2(offCentre.manhattanLength() <= 2, "the window opens centred");
    const QString problem = layoutProblem(w);
    QVERIFY2(problem.isEmpty(), qPrintable(problem));

    // A larger window gives its room to the progress list.
    const int listHeight = f.widget<QWidget>("lstProgress")->height();
    w.resize(w.width() + 100, w.height() + 150);
    QApplication::processEvents();
    QCOMPARE(f.widget<QWidget>("lstProgress")->height(), listHeight + 150);
    QVERIFY(layoutProblem(w).isEmpty());

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
    QCOMPARE(f.widget<QPushButton>("cmdSync")->text(), QStringLiteral("&Start"));
    QCOMPARE(f.widget<QPushButton>("cmdSync")->toolTip(),
             QStringLiteral("Process current waypoint file"));
    QCOMPARE(f.widget<QPushButton>("cmdStop")->text(), QStringLiteral("&Stop"));
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
        QCOMPARE(f.widget<QPushButton>("cmdSync")->text(), QStringLiteral("&Los"));
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

void StartupWindowTest::closingOutsideARunKeepsSettingsAndSize() {
    GuiFixture f;
    f.start();
    auto* recheck = f.widget<QCheckBox>("chkRecheck");
    QTest::mouseClick(recheck, Qt::LeftButton, {}, QPoint(6, recheck->height() / 2));
    QCOMPARE(f.control("chkRecheck").value, 1);
    QWidget& w = f.program->window();
    w.resize(w.width() + 40, w.height() + 60);
    const QSize size = w.size();
    w.close();
    QCOMPARE(f.exits, std::vector<int>{0});
    QVERIFY(f.exitsAtOnce.empty());
    QVERIFY(f.dir.read("pixtrail.ini").find("recheck=1\r\n") != std::string::npos);
    // The size is the user's own, not the shared settings file's.
    QVERIFY(f.dir.read("pixtrail.ini").find("width=" + std::to_string(size.width())) ==
            std::string::npos);

    f.start();
    QCOMPARE(f.program->window().size(), size);
    QCOMPARE(f.control("chkRecheck").value, 1);
}

void StartupWindowTest::aLongTranslationIsShownWhole() {
    GuiFixture f;
    f.writeSettings();
    std::string german = "[Pixtrail]\r\n";
    const std::pair<const char*, const char*> texts[] = {
        {"Delete previous pictures not in current waypoint file",
         "Fr\xFChere Bilder l\xF6schen, die nicht mehr in der aktuellen Wegpunktdatei stehen"},
        {"Only download pictures with \"spoiler\" in the caption",
         "Nur Bilder herunterladen, deren Beschriftung \"Spoiler\" enth\xE4lt"},
        {"Force waypoint names to GC prefix when processing GPX files",
         "Wegpunktnamen beim Verarbeiten von GPX-Dateien auf das Pr\xE4"
         "fix GC umstellen"},
        {"Check for new spoilers on previously processed",
         "Bei bereits verarbeiteten Caches erneut nach neuen Spoilern suchen"},
        {"Delay between web requests", "Wartezeit zwischen zwei Anfragen an die Webseite"},
        {"Waypoint file", "Wegpunktdatei"},
        {"Spoiler folder", "Spoiler-Ordner"},
        {"Start", "Synchronisieren"},
    };
    for (const auto& [english, translated] : texts)
        german += shell::translationKey(english) + "=" + translated + "\r\n";
    f.dir.write("language.ini", german);
    f.start();
    QWidget& w = f.program->window();
    QVERIFY(w.width() > 433); // the captions made it wider than designed
    const QString problem = layoutProblem(w);
    QVERIFY2(problem.isEmpty(), qPrintable(problem));
}

void StartupWindowTest::everyScaleDrawsTheWholeWindow() {
    // The scale is the process's own: each is checked by a program of its own.
    for (const char* scale : {"1.5", "2"}) {
        const ProgramResult r =
            runProgram(QCoreApplication::applicationFilePath().toStdString(), {"--layout-check"},
                       {std::chrono::seconds(60), 0, {std::string("QT_SCALE_FACTOR=") + scale}});
        QVERIFY2(r.exitCode == 0, (std::string(scale) + ": " + r.out + r.err).c_str());
    }
}

int runStartupWindowTest(int argc, char** argv) {
    StartupWindowTest suite;
    return QTest::qExec(&suite, argc, argv);
}

#include "startup_window_test.moc"

int layoutCheckChild() {
    GuiFixture f;
    f.start();
    const QString problem = layoutProblem(f.program->window());
    std::printf("%s\n", qPrintable(problem));
    return problem.isEmpty() ? 0 : 1;
}
