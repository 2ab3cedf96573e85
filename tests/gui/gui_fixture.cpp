#include "gui_fixture.hpp"

#include "base/files.hpp"
#include "scrape/curl_fetch.hpp"
#include "shell/debug_log.hpp"

#include <QAbstractButton>
#include <QApplication>
#include <QDesktopServices>
#include <QFileDialog>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

#include <algorithm>
#include <filesystem>

namespace pixtrail::testing {

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
