#include "gui_fixture.hpp"
#include "suites.hpp"

#include "base/files.hpp"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QDir>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTranslator>

#include "gui/dialogs.hpp"
#include "gui/text_edge.hpp"

#include <filesystem>

using namespace pixtrail;
using namespace pixtrail::testing;

namespace {

// A shortcut as the platform delivers it: the key with Ctrl, carrying its control
// character (Ctrl+V is 22).
void typeControlCharacter(QWidget* widget, Qt::Key key, char code) {
    const QString text(QChar::fromLatin1(code));
    QKeyEvent press(QEvent::KeyPress, key, Qt::ControlModifier, text);
    QApplication::sendEvent(widget, &press);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::ControlModifier, text);
    QApplication::sendEvent(widget, &release);
}

void clickBox(QCheckBox* box) {
    QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(6, box->height() / 2));
}

void eraseAll(QLineEdit* edit) {
    QTest::keyClick(edit, Qt::Key_End);
    for (int n = static_cast<int>(edit->text().size()); n > 0; --n)
        QTest::keyClick(edit, Qt::Key_Backspace);
}

QString qt(const std::string& ansiPath) {
    return QString::fromStdString(ansiPath);
}

std::string fromQtForTest(const QString& text) {
    return gui::fromQt(text);
}

} // namespace

class InputTest : public QObject {
    Q_OBJECT

private slots:
    void numberFieldsTakeOnlyDigitsAndBackspace();
    void sizeFieldsAreCutToFourCharacters();
    void theInterlocksFollowClicksOnTheBoxes();
    void theBrowseButtonsFillTheFieldsAndCancelChangesNothing();
    void theHomePageLinkOpensTheBrowser();
    void textTheProgramCannotSpellIsRefusedByName();
    void theKeyboardStartsAndStopsRuns();
    void messageBoxButtonsSpeakTheSystemsLanguage();
};

void InputTest::numberFieldsTakeOnlyDigitsAndBackspace() {
    GuiFixture f;
    f.start();
    auto* delay = f.widget<QLineEdit>("txtDelay");
    QCOMPARE(delay->text(), QStringLiteral("10"));
    QTest::keyClick(delay, Qt::Key_End);
    QTest::keyClicks(delay, "3a4 -b.");
    QCOMPARE(delay->text(), QStringLiteral("1034"));
    QTest::keyClick(delay, Qt::Key_Backspace);
    QCOMPARE(delay->text(), QStringLiteral("103"));
    QTest::keyClick(delay, Qt::Key_Home);
    QTest::keyClick(delay, Qt::Key_Delete); // moves nothing into the box: not filtered
    QCOMPARE(delay->text(), QStringLiteral("03"));
    QCOMPARE(f.control("txtDelay").text, "03");

    // Ctrl+V pastes into a word list, but its control character is discarded in a
    // number field, and the paste with it.
    QApplication::clipboard()->setText(QStringLiteral("99"));
    auto* words = f.widget<QLineEdit>("txtOnlyWords");
    typeControlCharacter(words, Qt::Key_V, 22);
    QCOMPARE(words->text(), QStringLiteral("99"));
    QCOMPARE(f.control("txtOnlyWords").text, "99");
    QTest::keyClick(delay, Qt::Key_End);
    typeControlCharacter(delay, Qt::Key_V, 22);
    QCOMPARE(delay->text(), QStringLiteral("03"));
    auto* height = f.widget<QLineEdit>("txtHeight");
    typeControlCharacter(height, Qt::Key_V, 22);
    QCOMPARE(height->text(), QStringLiteral("300"));

    // Pasting without typing (the context menu) is not filtered.
    QApplication::clipboard()->setText(QStringLiteral("x9"));
    delay->paste();
    QCOMPARE(delay->text(), QStringLiteral("03x9"));
    QCOMPARE(f.control("txtDelay").text, "03x9");

    // Other boxes take any character.
    auto* folder = f.widget<QLineEdit>("txtSpoilerFolder");
    QTest::keyClicks(folder, "a1-");
    QCOMPARE(f.control("txtSpoilerFolder").text, "a1-");
}

void InputTest::sizeFieldsAreCutToFourCharacters() {
    GuiFixture f;
    f.start();
    auto* width = f.widget<QLineEdit>("txtWidth");
    QCOMPARE(width->text(), QStringLiteral("300"));
    QTest::keyClick(width, Qt::Key_End);
    QTest::keyClicks(width, "456");
    QCOMPARE(width->text(), QStringLiteral("3004"));
    QCOMPARE(f.control("txtWidth").text, "3004");

    auto* height = f.widget<QLineEdit>("txtHeight");
    eraseAll(height);
    QCOMPARE(height->text(), QString());
    QApplication::clipboard()->setText(QStringLiteral("98765"));
    height->paste();
    QCOMPARE(height->text(), QStringLiteral("9876"));
    QCOMPARE(f.control("txtHeight").text, "9876");

    // The delay has no limit.
    auto* delay = f.widget<QLineEdit>("txtDelay");
    eraseAll(delay);
    QTest::keyClicks(delay, "123456");
    QCOMPARE(delay->text(), QStringLiteral("123456"));
    QCOMPARE(f.control("txtDelay").text, "123456");
}

void InputTest::theInterlocksFollowClicksOnTheBoxes() {
    GuiFixture f;
    f.start();
    auto* only = f.widget<QCheckBox>("chkOnlySpoil");
    auto* onlyWords = f.widget<QLineEdit>("txtOnlyWords");
    QVERIFY(onlyWords->isEnabled()); // ticked by default
    clickBox(only);
    QVERIFY(!onlyWords->isEnabled());
    QVERIFY(!f.control("txtOnlyWords").enabled);
    QCOMPARE(f.control("chkOnlySpoil").value, 0);
    clickBox(only);
    QVERIFY(onlyWords->isEnabled());

    clickBox(f.widget<QCheckBox>("chkIgnoreNoSpoil"));
    QVERIFY(!f.widget<QLineEdit>("txtIgnoreWords")->isEnabled());

    auto* resize = f.widget<QCheckBox>("chkResize");
    clickBox(resize);
    QVERIFY(!f.widget<QLineEdit>("txtWidth")->isEnabled());
    QVERIFY(!f.widget<QLineEdit>("txtHeight")->isEnabled());
    QVERIFY(!f.control("txtWidth").enabled);
    clickBox(resize);
    QVERIFY(f.widget<QLineEdit>("txtWidth")->isEnabled());
    QVERIFY(f.widget<QLineEdit>("txtHeight")->isEnabled());

    // Keyboard space toggles as a click does.
    resize->setFocus();
    QTest::keyClick(resize, Qt::Key_Space);
    QVERIFY(!f.widget<QLineEdit>("txtWidth")->isEnabled());
}

void InputTest::theBrowseButtonsFillTheFieldsAndCancelChangesNothing() {
    GuiFixture f;
    f.writeWaypoints({"GC1AAAA"});
    f.writeWaypoints({"GC2BBBB"}, "other.loc");
    std::filesystem::create_directory(f.dir.path() / "new folder");
    f.writeSettings();
    f.start();
    auto* file = f.widget<QLineEdit>("txtWpFile");
    auto* folder = f.widget<QLineEdit>("txtSpoilerFolder");

    QTest::mouseClick(f.widget<QPushButton>("cmdWaypointopen"), Qt::LeftButton);
    QCOMPARE(f.dialogs.seen.size(), size_t(1));
    const SeenDialog opened = f.dialogs.seen.back();
    QCOMPARE(opened.className, QStringLiteral("QFileDialog"));
    QVERIFY(opened.nameFilters.contains(QStringLiteral("waypoint files (*.gpx *.loc)")));
    QVERIFY(opened.nameFilters.contains(QStringLiteral("All files (*)")));
    QCOMPARE(opened.selectedFiles, QStringList{qt(f.dir.file("caches.gpx"))});
    QCOMPARE(file->text(), qt(f.dir.file("caches.gpx"))); // cancelled

    f.dialogs.fileAnswer = qt(f.dir.file("other.loc"));
    QTest::mouseClick(f.widget<QPushButton>("cmdWaypointopen"), Qt::LeftButton);
    QCOMPARE(file->text(), qt(f.dir.file("other.loc")));
    QCOMPARE(f.control("txtWpFile").text, f.dir.file("other.loc"));

    f.dialogs.fileAnswer.clear();
    QTest::mouseClick(f.widget<QPushButton>("cmdSpoileropen"), Qt::LeftButton);
    QCOMPARE(f.dialogs.seen.size(), size_t(3));
    const SeenDialog picker = f.dialogs.seen.back();
    QCOMPARE(picker.title, QStringLiteral("Spoiler folder"));
    QCOMPARE(QDir(picker.directory), QDir(qt(f.dir.file("spoilers"))));
    QCOMPARE(folder->text(), qt(f.dir.file("spoilers"))); // cancelled

    f.dialogs.fileAnswer = qt(f.dir.file("new folder"));
    QTest::mouseClick(f.widget<QPushButton>("cmdSpoileropen"), Qt::LeftButton);
    QCOMPARE(folder->text(), qt(f.dir.file("new folder")));
    QCOMPARE(f.control("txtSpoilerFolder").text, f.dir.file("new folder"));

    // A folder whose name the settings cannot hold is refused with a warning.
    const QString polish =
        QString::fromStdString(base::ansiPath(f.dir.path())) + QString::fromUtf8("/\xC5\x81\xC3\xB3"
                                                                                 "d\xC5\xBA");
    QVERIFY(QDir().mkdir(polish));
    f.dialogs.seen.clear();
    f.dialogs.fileAnswer = polish;
    QTest::mouseClick(f.widget<QPushButton>("cmdSpoileropen"), Qt::LeftButton);
    QCOMPARE(f.dialogs.seen.size(), size_t(2));
    QCOMPARE(f.dialogs.seen[1].icon, QMessageBox::Warning);
    QVERIFY(f.dialogs.seen[1].text.endsWith(polish));
    QCOMPARE(f.control("txtSpoilerFolder").text, f.dir.file("new folder"));
    QCOMPARE(folder->text(), qt(f.dir.file("new folder")));
}

void InputTest::theHomePageLinkOpensTheBrowser() {
    GuiFixture f;
    f.writeSettings();
    f.start();
    UrlRecorder browser;
    auto* link = f.widget<QLabel>("Label2");
    QCOMPARE(link->cursor().shape(), Qt::PointingHandCursor);
    QTest::mouseClick(link, Qt::LeftButton);
    QCOMPARE(browser.opened,
             QList<QUrl>{QUrl(QString::fromStdString("http://" + f.site->host() + "/pixtrail"))});
    QTest::mouseClick(link, Qt::RightButton);
    QCOMPARE(browser.opened.size(), 1);
}

void InputTest::textTheProgramCannotSpellIsRefusedByName() {
    GuiFixture f;
    f.start();
    auto* folder = f.widget<QLineEdit>("txtSpoilerFolder");
    const QString before = folder->text();
    folder->setFocus();
    QTest::keyClick(folder, Qt::Key_End);
    for (const QChar c : QString::fromUtf8("/geo/\xC5\x81\xC3\xB3"
                                           "d\xC5\xBA")) { // "Łódź"
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
        QApplication::sendEvent(folder, &press);
    }
    QCOMPARE(folder->text(), before + QString::fromUtf8("/geo/\xC3\xB3"
                                                        "d")); // no Ł, no ź
    QCOMPARE(f.control("txtSpoilerFolder").text, fromQtForTest(before) + "/geo/\xF3"
                                                                         "d");
    QVERIFY(!f.dialogs.seen.empty());
    QVERIFY2(f.dialogs.seen.front().text.contains(QStringLiteral("\"Spoiler folder\"")),
             qPrintable(f.dialogs.seen.front().text));
}

void InputTest::theKeyboardStartsAndStopsRuns() {
    GuiFixture f;
    f.writeWaypoints({"GC1AAAA"});
    f.writeSettings();
    f.site->setFault(GuiFixture::cachePath("GC1AAAA"), neverAnswer());
    f.start();
    auto* start = f.widget<QPushButton>("cmdSync");
    auto* stop = f.widget<QPushButton>("cmdStop");
    QCOMPARE(start->text(), QStringLiteral("&Start")); // Alt+S
    QVERIFY(start->isDefault());
    // Enter in a field presses Start, which keeps the keyboard when it turns into Stop.
    QApplication::setActiveWindow(&f.program->window());
    start->setFocus();
    QTest::keyClick(f.widget<QLineEdit>("txtDelay"), Qt::Key_Return);
    QTRY_VERIFY_WITH_TIMEOUT(stop->isVisible(), kWait);
    QTRY_VERIFY_WITH_TIMEOUT(f.requested("GC1AAAA"), kWait);
    QCOMPARE(f.program->window().focusWidget(), stop);
    // Escape presses Stop.
    QTest::keyClick(stop, Qt::Key_Escape);
    QVERIFY(f.lines().contains(QStringLiteral("Stopping in progress")));
    QTRY_VERIFY_WITH_TIMEOUT(!f.program->runInProgress(), kWait);
    QVERIFY(start->isVisible());
    QCOMPARE(f.program->window().focusWidget(), start); // once the window is active again
}

void InputTest::messageBoxButtonsSpeakTheSystemsLanguage() {
    QTranslator* german = gui::loadQtTranslations(QLocale(QLocale::German));
    if (!german)
        QSKIP("Qt's German translations are not installed (qt6-translations-l10n)");
    QMessageBox box(QMessageBox::Question, QStringLiteral("t"), QStringLiteral("q"),
                    QMessageBox::Yes | QMessageBox::No);
    QCOMPARE(box.button(QMessageBox::Yes)->text(), QStringLiteral("&Ja"));
    QCOMPARE(box.button(QMessageBox::No)->text(), QStringLiteral("&Nein"));
    QCoreApplication::removeTranslator(german);
    delete german;
}

int runInputTest(int argc, char** argv) {
    InputTest suite;
    return QTest::qExec(&suite, argc, argv);
}

#include "input_test.moc"
