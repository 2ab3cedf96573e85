#include "gui_fixture.hpp"

#include "gui/dialogs.hpp"
#include "shell/translation.hpp"
#include "support/run_program.hpp"

#include <QFile>
#include <QKeyEvent>
#include <QLibraryInfo>
#include <QTranslator>

using namespace pixtrail;
using namespace pixtrail::testing;

namespace {

QString qt(const std::string& ansi) {
    return QString::fromStdString(ansi);
}

// German captions, far longer than the English ones of a check box, a label and a button.
void writeLongTranslation(const TempFolder& dir) {
    dir.write("language.ini",
              "[Pixtrail]\r\n" +
                  shell::translationKey("Delete previous pictures not in current waypoint file") +
                  "=Fr\xFChere Bilder l\xF6schen, die nicht mehr in der Wegpunktdatei stehen\r\n" +
                  shell::translationKey("Delay between web requests") +
                  "=Wartezeit zwischen zwei Anfragen an die Webseite\r\n" +
                  shell::translationKey("Start") + "=Synchronisieren\r\n");
}

} // namespace

// The window outside runs: what it shows, what it hands the model, its dialogs and layout.
class WindowTest : public QObject {
    Q_OBJECT

private slots:
    void settingsGoFromTheFileThroughTheWindowAndBack() {
        GuiFixture f;
        f.writeSettings({{"Waypointfile", "/\xE9.gpx"}, {"onlyspoiler", "0"}, {"recheck", "2"}});
        f.start();
        QWidget& w = f.program->window();
        QCOMPARE(f.widget<QLineEdit>("txtWpFile")->text(), QString::fromUtf8("/\xC3\xA9.gpx"));
        auto* recheck = f.widget<QCheckBox>("chkRecheck");
        QCOMPARE(recheck->checkState(), Qt::PartiallyChecked);
        QVERIFY(!f.widget("txtOnlyWords")->isEnabled());
        // Clicks and typing reach the model, whose answer shows: greyed, ticked, clear, ticked.
        for (int click = 0; click < 3; ++click)
            QTest::mouseClick(recheck, Qt::LeftButton, {}, QPoint(6, 6));
        QTest::mouseClick(f.widget("chkOnlySpoil"), Qt::LeftButton, {}, QPoint(6, 6));
        QVERIFY(f.widget("txtOnlyWords")->isEnabled());
        QTest::keyClicks(f.widget("txtDelay"), "5x");
        QTest::keyClick(f.widget("txtDelay"), Qt::Key_Home);
        QKeyEvent del(QEvent::KeyPress, Qt::Key_Delete, Qt::NoModifier, QString(QChar(0x7F)));
        QApplication::sendEvent(f.widget("txtDelay"), &del); // DEL, as X11 sends it, types nothing
        QCOMPARE(f.widget<QLineEdit>("txtDelay")->text(), QStringLiteral("5"));
        // Closing keeps them, and the window's size for this user alone.
        w.resize(w.size() + QSize(40, 60));
        const QSize size = w.size();
        w.close();
        QCOMPARE(f.exits, std::vector<int>{0});
        const std::string ini = f.dir.read("pixtrail.ini");
        for (const char* saved : {"\r\nrecheck=1\r\n", "\r\nonlyspoiler=1\r\n", "\r\ndelay=5\r\n"})
            QVERIFY2(ini.find(saved) != std::string::npos, saved);
        QVERIFY(ini.find("\r\nwidth=") == std::string::npos);
        f.start();
        QCOMPARE(f.program->window().size(), size);
    }

    void aLongTranslationFitsAtEveryScale() {
        GuiFixture f;
        writeLongTranslation(f.dir);
        f.start();
        QWidget& w = f.program->window();
        QCOMPARE(f.widget<QPushButton>("cmdSync")->text(), QStringLiteral("&Synchronisieren"));
        const int listHeight = f.widget("lstProgress")->height();
        for (const QSize grown : {QSize(0, 0), QSize(100, 150)}) {
            w.resize(w.size() + grown); // a larger window gives its room to the progress list
            const QString problem = layoutProblem(w);
            QVERIFY2(problem.isEmpty(), qPrintable(problem));
            QCOMPARE(f.widget("lstProgress")->height(), listHeight + grown.height());
        }
        // The scale is the process's own: each is checked by a program of its own.
        for (const char* scale : {"1.5", "2"}) {
            const ProgramResult r = runProgram(
                QCoreApplication::applicationFilePath().toStdString(), {"--layout-check"},
                {std::chrono::seconds(60), 0, {std::string("QT_SCALE_FACTOR=") + scale}});
            QVERIFY2(r.exitCode == 0, (std::string(scale) + ": " + r.out + r.err).c_str());
        }
    }

    void typingACharacterTheProgramCannotSpellIsRefusedByName() {
        GuiFixture f;
        f.writeSettings();
        f.start();
        auto* folder = f.widget<QLineEdit>("txtSpoilerFolder");
        for (const QChar c : QString::fromUtf8("/\xC5\x81\xC3\xB3")) { // "/Łó": Ł has no place
            QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
            QApplication::sendEvent(folder, &press);
        }
        QCOMPARE(folder->text(), qt(f.dir.file("spoilers")) + QString::fromUtf8("/\xC3\xB3"));
        QCOMPARE(f.control("txtSpoilerFolder").text, f.dir.file("spoilers") + "/\xF3");
        QCOMPARE(f.seen.at(0).icon, QMessageBox::Warning);
        QVERIFY2(f.seen[0].text.contains("\"Spoiler folder\""), qPrintable(f.seen[0].text));
    }

    void messageBoxButtonsSpeakTheSystemsLanguage() {
        if (!QFile::exists(QLibraryInfo::path(QLibraryInfo::TranslationsPath) + "/qtbase_de.qm"))
            QSKIP("Qt's German translations are not installed (qt6-translations-l10n)");
        QTranslator* german = gui::loadQtTranslations(QLocale(QLocale::German));
        QVERIFY(german);
        QMessageBox box(QMessageBox::Question, "t", "q", QMessageBox::Yes | QMessageBox::No);
        QCOMPARE(box.button(QMessageBox::Yes)->text(), QStringLiteral("&Ja"));
        QCOMPARE(box.button(QMessageBox::No)->text(), QStringLiteral("&Nein"));
        QCoreApplication::removeTranslator(german);
        delete german;
    }
};

int pixtrail::testing::layoutCheckChild() {
    GuiFixture f;
    writeLongTranslation(f.dir);
    f.start();
    const QString problem = layoutProblem(f.program->window());
    std::printf("%s\n", qPrintable(problem));
    return problem.isEmpty() ? 0 : 1;
}

int pixtrail::testing::runWindowTest(int argc, char** argv) {
    WindowTest suite;
    return QTest::qExec(&suite, argc, argv);
}

#include "window_test.moc"
