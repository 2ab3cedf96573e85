#pragma once

#include "gui/gui_program.hpp"
#include "support/fixture_site.hpp"
#include "support/temp_folder.hpp"

#include <QMessageBox>
#include <QObject>
#include <QStringList>
#include <QTimer>
#include <QUrl>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

class QListWidget;

namespace pixtrail::testing {

/// A bound for waits in milliseconds, never an expectation.
constexpr int kWait = 30000;

/// What is wrong with the window's arrangement, empty when nothing is: a caption shown cut
/// short, a control outside the window or over another, rows out of their designed order,
/// a progress list whose bottom border is not drawn.
QString layoutProblem(QWidget& window);

/// A request that stays unanswered until the site is taken down.
inline Fault neverAnswer() {
    Fault fault;
    fault.kind = Fault::Kind::NeverAnswer;
    return fault;
}

/// A modal dialog as the user saw it.
struct SeenDialog {
    QString className; ///< "QMessageBox" or "QFileDialog"
    QString title;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons buttons;
    QMessageBox::StandardButton defaultButton = QMessageBox::NoButton;
    QStringList nameFilters;   ///< file dialogs
    QStringList selectedFiles; ///< file dialogs, as they opened
    QString directory;         ///< file dialogs, as they opened
};

/// Answers every modal dialog the window opens, from inside the dialog's own event loop,
/// and remembers what it saw: message boxes get OK (questions `questionAnswer`), file
/// dialogs choose `fileAnswer` or are cancelled when it is empty.
class DialogAnswerer : public QObject {
    Q_OBJECT

public:
    DialogAnswerer();

    std::vector<SeenDialog> seen;
    QMessageBox::StandardButton questionAnswer = QMessageBox::No;
    QString fileAnswer;
    /// Called with each dialog before it is answered.
    std::function<void(const SeenDialog&)> onDialog;

    /// Texts of the message boxes seen so far.
    QStringList messageTexts() const;

private:
    void answer();
    QTimer m_timer;
};

/// Records what is opened in the user's browser.
class UrlRecorder : public QObject {
    Q_OBJECT

public:
    UrlRecorder();
    ~UrlRecorder() override;
    QList<QUrl> opened;

public slots:
    void open(const QUrl& url) { opened.append(url); }
};

/// A program folder, a local web site and the window program over them, with the ways the
/// program would end recorded instead of ending the test.
class GuiFixture {
public:
    DialogAnswerer dialogs;
    TempFolder dir;
    std::vector<int> exits;
    std::vector<int> exitsAtOnce;
    int updateDatesCleared = 0;
    std::unique_ptr<gui::GuiProgram> program;
    std::unique_ptr<FixtureSite> site = std::make_unique<FixtureSite>();

    GuiFixture();
    ~GuiFixture();

    shell::ProgramPaths paths() const;
    /// pixtrail.ini (or `file`) with the waypoint file caches.gpx, the folder "spoilers",
    /// no delay, no shrinking, no cleanup and every host pointing at the site; `changes`
    /// replace or add keys of section Settings.
    void writeSettings(const std::map<std::string, std::string>& changes = {},
                       const std::string& file = "pixtrail.ini");
    /// A GPX file with these cache codes.
    void writeWaypoints(const std::vector<std::string>& codes,
                        const std::string& name = "caches.gpx");
    /// A cache page without pictures at the cache's address on the site.
    void serveCache(const std::string& code);
    static std::string cachePath(const std::string& code);
    /// True once the site has been asked for the cache's page.
    bool requested(const std::string& code) const;

    /// Makes the program and runs its start-up with this command line.
    gui::GuiProgram& start(const std::vector<std::string>& arguments = {});

    template <class Widget> Widget* widget(const char* objectName) const {
        return program->window().findChild<Widget*>(QString::fromLatin1(objectName));
    }
    QListWidget* progressList() const;
    QStringList lines() const;
    /// Text of the selected line of the progress list, empty when none.
    QString currentLine() const;
    const shell::Control& control(const char* name) const {
        return program->app().session.window.control(name);
    }
};

} // namespace pixtrail::testing
