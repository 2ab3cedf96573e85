#include "gui/gui_program.hpp"

#include "app/startup.hpp"
#include "base/run_error.hpp"
#include "shell/debug_log.hpp"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QThread>

#include <cstdio>
#include <cstdlib>
#include <utility>

namespace pixtrail::gui {
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
    int shift = 0;
    if (modifiers & Qt::ShiftModifier)
        shift |= 1;
    if (modifiers & Qt::ControlModifier)
        shift |= 2;
    if (modifiers & Qt::AltModifier)
        shift |= 4;
    const shell::StartPress press =
        shell::cmdSync_MouseDown(button == Qt::LeftButton ? 1 : 2, shift);
    if (press.clearNextUpdateDate)
        clearNextUpdateDate(*m_app);
    shell::debugLog().setEnabled(press.debugMode);
}

void GuiProgram::startRun() {
    if (m_thread)
        return;
    m_window->setRunOwnsModel(true);
    m_thread = QThread::create([this] { m_result = app::runStartButton(*m_app); });
    m_thread->setParent(this);
    m_thread->setObjectName(QStringLiteral("pixtrail-run"));
    connect(m_thread, &QThread::finished, this, &GuiProgram::runThreadFinished);
    m_thread->start();
}

void GuiProgram::runThreadFinished() {
    m_thread->wait();
    m_thread->deleteLater();
    m_thread = nullptr;
    const app::StartButtonResult result = m_result;
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
    app::pressStop(*m_app);
}

void GuiProgram::closeRequested() {
    const QSize size = m_window->size();
    app::saveWindowSize(*m_app, {size.width(), size.height()});
    app::closeWindow(*m_app, m_thread != nullptr);
    if (m_thread)
        m_process.exitAtOnce(0); // abandons the run where it stands
    else
        m_process.exit(0);
}

QSize GuiProgram::savedWindowSize() const {
    const auto size = app::savedWindowSize(*m_app);
    return size ? QSize(size->width, size->height) : QSize();
}

} // namespace pixtrail::gui
