#include "gui_fixture.hpp"

#include "base/files.hpp"
#include "scrape/curl_fetch.hpp"
#include "shell/debug_log.hpp"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QDesktopServices>
#include <QFileDialog>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

#include <algorithm>
#include <filesystem>

namespace pixtrail::testing {

QString layoutProblem(QWidget& window) {
    QApplication::processEvents(); // the layouts settle
    const QRect inside = window.rect();
    std::vector<QWidget*> shown;
    for (QWidget* w : window.findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly))
        if (w->isVisible())
            shown.push_back(w);
    for (QWidget* w : shown) {
        const QString name = w->objectName();
        if (!inside.contains(w->geometry()))
            return name + QStringLiteral(" lies outside the window");
        // A button's own hint asks for room beyond its caption in most styles.
        QSize needed = w->sizeHint();
        if (const auto* button = qobject_cast<QPushButton*>(w))
            needed.setWidth(button->fontMetrics().horizontalAdvance(
                                QString(button->text()).remove(QLatin1Char('&'))) +
                            8);
        const bool captioned = qobject_cast<QCheckBox*>(w) || qobject_cast<QLabel*>(w) ||
                               qobject_cast<QPushButton*>(w);
        if (captioned && (w->width() < needed.width() || w->height() < needed.height()))
            return name + QStringLiteral(" is cut: %1 x %2, needs %3 x %4")
                              .arg(w->width())
                              .arg(w->height())
                              .arg(needed.width())
                              .arg(needed.height());
        for (QWidget* other : shown)
            if (other != w && w->geometry().intersects(other->geometry()))
                return name + QStringLiteral(" covers ") + other->objectName();
    }
    const char* const rows[] = {
        "txtWpFile",    "txtSpoilerFolder", "chkDelUnused",    "chkForceGC", "chkOnlySpoil",
        "txtOnlyWords", "chkIgnoreNoSpoil", "txtIgnoreWords",  "chkRecheck", "chkResize",
        "chkDohtml",    "chkNoTxt",         "chkGarminPhotos", "txtDelay",   "lstProgress",
        "ProgressBar1", "cmdSync"};
    for (std::size_t i = 1; i < std::size(rows); ++i) {
        const QWidget* above = window.findChild<QWidget*>(QString::fromLatin1(rows[i - 1]));
        const QWidget* below = window.findChild<QWidget*>(QString::fromLatin1(rows[i]));
        if (below->y() < above->geometry().bottom())
            return QString::fromLatin1(rows[i]) + QStringLiteral(" is not below ") +
                   QString::fromLatin1(rows[i - 1]);
    }
    // The list's frame, its bottom edge included, is drawn at any scale.
    const auto* list = window.findChild<QWidget*>(QStringLiteral("lstProgress"));
    const QImage picture = window.grab().toImage();
    const qreal scale = picture.devicePixelRatio();
    const QPoint edge(qRound((list->x() + list->width() / 2) * scale),
                      qRound((list->y() + list->height()) * scale) - 1);
    const QColor drawn = picture.pixelColor(edge);
    const QColor inner = picture.pixelColor(edge - QPoint(0, qRound(3 * scale)));
    if (drawn == inner)
        return QStringLiteral("the progress list's bottom border is not drawn");
    return {};
}

DialogAnswerer::DialogAnswerer() {
    connect(&m_timer, &QTimer::timeout, this, &DialogAnswerer::answer);
    m_timer.start(10);
}

QStringList DialogAnswerer::messageTexts() const {
    QStringList texts;
    for (const SeenDialog& d : seen)
        if (d.className == QLatin1String("QMessageBox"))
            texts.append(d.text);
    return texts;
}

void DialogAnswerer::answer() {
    QWidget* modal = QApplication::activeModalWidget();
    // A dialog may outlive its answer by a moment, and a new one may reuse its address.
    if (!modal || modal->property("answered").toBool())
        return;
    SeenDialog d;
    d.title = modal->windowTitle();
    if (auto* box = qobject_cast<QMessageBox*>(modal)) {
        d.className = QStringLiteral("QMessageBox");
        d.text = box->text();
        d.icon = box->icon();
        d.buttons = box->standardButtons();
        d.defaultButton = box->defaultButton() ? box->standardButton(box->defaultButton())
                                               : QMessageBox::NoButton;
        seen.push_back(d);
        if (onDialog)
            onDialog(d);
        modal->setProperty("answered", true);
        const auto button = (d.buttons & QMessageBox::Yes) ? questionAnswer : QMessageBox::Ok;
        box->button(button)->click();
    } else if (auto* files = qobject_cast<QFileDialog*>(modal)) {
        d.className = QStringLiteral("QFileDialog");
        d.nameFilters = files->nameFilters();
        d.selectedFiles = files->selectedFiles();
        d.directory = files->directory().absolutePath();
        seen.push_back(d);
        if (onDialog)
            onDialog(d);
        modal->setProperty("answered", true);
        if (fileAnswer.isEmpty()) {
            files->reject();
        } else {
            files->selectFile(fileAnswer);
            // selectFile leaves the name field alone while it has the focus, which
            // depends on how fast the window manager activates the dialog; type the
            // answer there as a user would.
            if (auto* name = files->findChild<QLineEdit*>(QStringLiteral("fileNameEdit")))
                name->setText(fileAnswer);
            static_cast<QDialog*>(files)->accept(); // checks the choice like OK does
        }
    }
}

UrlRecorder::UrlRecorder() {
    QDesktopServices::setUrlHandler(QStringLiteral("http"), this, "open");
}

UrlRecorder::~UrlRecorder() {
    QDesktopServices::unsetUrlHandler(QStringLiteral("http"));
}

GuiFixture::GuiFixture() {
    std::filesystem::create_directory(dir.path() / "spoilers");
    site->serve("/", "<html>the geocaching site</html>");
}

GuiFixture::~GuiFixture() {
    // A run waiting for the site needs the site gone before it can return; otherwise the
    // program goes first, so that the site's end need not wait out a kept-alive connection.
    if (program && program->runInProgress())
        site.reset();
    program.reset();
    site.reset();
    shell::debugLog().setEnabled(false);
}

shell::ProgramPaths GuiFixture::paths() const {
    shell::ProgramPaths p;
    p.folder = base::ansiPath(dir.path());
    p.settingsFile = dir.file("pixtrail.ini");
    p.languageFile = dir.file("language.ini");
    p.debugFile = dir.file("debug.txt");
    p.runLogFile = dir.file("log.txt");
    p.userSettingsFile = dir.file("user.ini");
    return p;
}

void GuiFixture::writeSettings(const std::map<std::string, std::string>& changes,
                               const std::string& file) {
    std::map<std::string, std::string> settings = {{"Waypointfile", dir.file("caches.gpx")},
                                                   {"Spoilerfolder", dir.file("spoilers")},
                                                   {"delay", "0"},
                                                   {"onlysummary", "0"},
                                                   {"delunused", "0"},
                                                   {"shrinkpics", "0"}};
    for (const auto& [key, value] : changes)
        settings[key] = value;
    std::string ini = "[Settings]\r\n";
    for (const auto& [key, value] : settings)
        ini += key + "=" + value + "\r\n";
    ini += "[Network]\r\n";
    for (const char* key :
         {"cachehost", "imagehost1", "imagehost2", "imagehost3", "cdnhost", "homehost"})
        ini += std::string(key) + "=" + site->host() + "\r\n";
    dir.write(file, ini);
}

void GuiFixture::writeWaypoints(const std::vector<std::string>& codes, const std::string& name) {
    std::string text = "<gpx>\r\n";
    for (const std::string& code : codes)
        text += "  <wpt><name>" + code + "</name></wpt>\r\n";
    dir.write(name, text + "</gpx>\r\n");
}

std::string GuiFixture::cachePath(const std::string& code) {
    return "/seek/cache_details.aspx?wp=" + code + "&Submit6=Find";
}

bool GuiFixture::requested(const std::string& code) const {
    const auto targets = site->targets();
    return std::find(targets.begin(), targets.end(), cachePath(code)) != targets.end();
}

void GuiFixture::serveCache(const std::string& code) {
    site->serve(cachePath(code), "<html><head><title>" + code + " A cache</title></head><body>" +
                                     std::string(1200, ' ') +
                                     "<span>end</span><h2>Logged Visits</h2></body></html>");
}

gui::GuiProgram& GuiFixture::start(const std::vector<std::string>& arguments) {
    gui::ProcessControl process{[this](int code) { exits.push_back(code); },
                                [this](int code) { exitsAtOnce.push_back(code); }};
    program = std::make_unique<gui::GuiProgram>(
        paths(), [](const scrape::Endpoints& e) { return std::make_unique<scrape::CurlFetch>(e); },
        process);
    program->clearNextUpdateDate = [this](app::Application&) { ++updateDatesCleared; };
    program->start(shell::parseArguments(arguments).commandLine);
    return *program;
}

QListWidget* GuiFixture::progressList() const {
    return widget<QListWidget>("lstProgress");
}

QStringList GuiFixture::lines() const {
    QStringList texts;
    for (int i = 0; i < progressList()->count(); ++i)
        texts.append(progressList()->item(i)->text());
    return texts;
}

QString GuiFixture::currentLine() const {
    const auto selected = progressList()->selectedItems();
    return selected.isEmpty() ? QString() : selected.front()->text();
}

} // namespace pixtrail::testing
