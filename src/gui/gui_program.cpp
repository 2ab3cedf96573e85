#include "gui/gui_program.hpp"

#include "app/startup.hpp"
#include "base/ansi_text.hpp"
#include "base/run_error.hpp"
#include "base/text.hpp"
#include "shell/debug_log.hpp"
#include "shell/ini_file.hpp"
#include "shell/settings_store.hpp"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QThread>

#include <cstdio>
#include <cstdlib>
#include <utility>

namespace pixtrail::gui {
namespace {

constexpr std::string_view kWindowSection = "Window";

} // namespace

ProcessControl realProcessControl() {
    return {[](int exitCode) { QCoreApplication::exit(exitCode); },
            [](int exitCode) {
                std::fflush(nullptr);
                std::_Exit(exitCode);
            }};
}

GuiProgram::GuiProgram(shell::ProgramPaths paths, app::FetchFactory fetchFactory,
                       ProcessControl process)
    : clearNextUpdateDate([](app::Application& a) { a.clearNextUpdateDate(); }),
      m_app(std::make_unique<app::Application>(m_frontend, std::move(paths),
                                               std::move(fetchFactory))),
      m_window(std::make_unique<MainWindow>(m_app->session.window)), m_process(std::move(process)) {
    m_frontend.attach(m_window.get());
    QThread* const windowThread = QThread::currentThread();
    MainWindow* const window = m_window.get();
    // The run changes the model on its own thread: the window gets a copy of the control,
    // never a reference into a model that another thread is changing.
    m_app->session.window.setListener([windowThread, window](const shell::Control& control) {
        if (QThread::currentThread() == windowThread)
            window->showControl(control);
        else
            QMetaObject::invokeMethod(
                window, [window, copy = control] { window->showControl(copy); },
                Qt::QueuedConnection);
    });
    connect(window, &MainWindow::startPressed, this, &GuiProgram::startPressed);
    connect(window, &MainWindow::startClicked, this, &GuiProgram::startRun);
    connect(window, &MainWindow::stopClicked, this, &GuiProgram::stopClicked);
    connect(window, &MainWindow::closeRequested, this, &GuiProgram::closeRequested);
}

GuiProgram::~GuiProgram() {
    if (m_thread) {
        // Only reached when the program is taken down without ending the process (tests):
        // let the run return on its own, answering whatever it still asks with No.
        disconnect(m_thread, nullptr, this, nullptr);
        m_frontend.detach();
        m_app->session.runActive = false;
        m_app->session.stopPressed = true;
        const QDeadlineTimer deadline(std::chrono::minutes(2));
        while (!m_thread->wait(QDeadlineTimer(std::chrono::milliseconds(50)))) {
            if (deadline.hasExpired())
                qFatal("pixtrail: the run did not return");
            QCoreApplication::processEvents();
        }
        delete m_thread;
    }
    m_frontend.detach();
    m_app->session.window.setListener(nullptr);
}

std::optional<int> GuiProgram::start(const shell::CommandLine& commandLine) {
    shell::debugLog().setPath(m_app->paths.debugFile);
    app::StartupPlan plan;
    try {
        plan = app::Form_Load(*m_app, commandLine);
    } catch (const base::ProgramEndRequested& end) {
        return end.exitCode();
    }
    if (commandLine.debug)
        shell::debugLog().setEnabled(true);
    m_window->showCentred(savedWindowSize());
    if (plan.runNow) {
        m_startupRun = true;
        m_endAfterStartupRun = plan.endAfterRun;
        startRun();
    }
    return std::nullopt;
}

// The mouse press decides debug mode before the click starts the run; a run started from
// the keyboard or the command line leaves it as it was.
void GuiProgram::startPressed(Qt::MouseButton button, Qt::KeyboardModifiers modifiers) {
    int mask = 0;
    if (modifiers & Qt::ShiftModifier)
        mask |= 1;
    if (modifiers & Qt::ControlModifier)
        mask |= 2;
    if (modifiers & Qt::AltModifier)
        mask |= 4;
    if (button != Qt::LeftButton || mask != 0)
        clearNextUpdateDate(*m_app);
    shell::debugLog().setEnabled(mask >= 3);
}

void GuiProgram::startRun() {
    if (m_thread)
        return;
    m_window->setRunOwnsModel(true);
    m_thread = QThread::create([this] { m_result = runOnThread(); });
    m_thread->setParent(this);
    m_thread->setObjectName(QStringLiteral("pixtrail-run"));
    connect(m_thread, &QThread::finished, this, &GuiProgram::runThreadFinished);
    m_thread->start();
}

GuiProgram::RunResult GuiProgram::runOnThread() {
    RunResult result;
    const std::string caption = m_app->session.caption();
    auto endFailedRun = [&](const std::string& why) {
        // A failure the core let through ends the run like a run-time failure does,
        // instead of taking the program down with the thread.
        m_app->session.runActive = false;
        m_app->session.dobuttons();
        m_app->session.frontend.busyChanged(false);
        m_app->session.setCaption(caption);
        m_app->session.message(shell::MessageKind::Warning, why);
        result.outcome = sync::RunOutcome::EndedByError;
    };
    try {
        result.outcome = m_app->cmdSync_Click();
    } catch (const base::ProgramEndRequested& end) {
        result.endCode = end.exitCode();
    } catch (const std::exception& e) {
        endFailedRun(base::utf8ToAnsi(e.what()));
    } catch (...) {
        endFailedRun("Unexpected failure");
    }
    return result;
}

void GuiProgram::runThreadFinished() {
    m_thread->wait();
    m_thread->deleteLater();
    m_thread = nullptr;
    const RunResult result = m_result;
    // Every change the run made has been mirrored by now: the thread's copies were queued
    // before its end was.
    m_window->setRunOwnsModel(false);
    emit runFinished();
    if (result.endCode) {
        m_process.exit(*result.endCode);
        return;
    }
    if (std::exchange(m_startupRun, false)) {
        emit startupRunFinished();
        if (m_endAfterStartupRun)
            m_process.exit(sync::exitStatusOf(result.outcome));
    }
}

void GuiProgram::stopClicked() {
    // A click that arrives just after the run has ended must not add a stop line.
    if (m_app->session.runActive)
        m_app->session.cmdStop_Click();
}

void GuiProgram::closeRequested() {
    m_app->session.runActive = false;
    saveWindowSize();
    if (m_thread) {
        m_process.exitAtOnce(0); // abandons the run where it stands
        return;
    }
    // What the user changed since the last run would be lost otherwise.
    const std::string& settings = m_app->paths.settingsFile;
    m_app->session.warnIfSettingsNotSaved(
        shell::SaveControlSettings(m_app->session.window, settings), settings);
    m_process.exit(0);
}

// The window's size is the user's own, kept with their other per-user settings rather than
// in the settings file several users or machines may share.
QSize GuiProgram::savedWindowSize() const {
    const shell::IniDocument user = shell::IniDocument::load(m_app->paths.userSettingsFile);
    const double width = base::leadingNumber(user.value(kWindowSection, "width", "0"));
    const double height = base::leadingNumber(user.value(kWindowSection, "height", "0"));
    if (width < 1 || height < 1 || width > 100000 || height > 100000)
        return {};
    return {static_cast<int>(width), static_cast<int>(height)};
}

void GuiProgram::saveWindowSize() {
    const QSize size = m_window->size();
    shell::updateIniFile(m_app->paths.userSettingsFile, [&](shell::IniDocument& user) {
        user.set(kWindowSection, "width", std::to_string(size.width()));
        user.set(kWindowSection, "height", std::to_string(size.height()));
    });
}

} // namespace pixtrail::gui
