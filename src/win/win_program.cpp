#include "win/win_program.hpp"

#include "app/startup.hpp"
#include "base/run_error.hpp"
#include "shell/debug_log.hpp"
#include "win/wide_text.hpp"

#include <cstdio>
#include <utility>

namespace pixtrail::win {

ProcessControl realProcessControl() {
    return {[](int exitCode) { PostQuitMessage(exitCode); },
            [](int exitCode) {
                std::fflush(nullptr);
                ExitProcess(static_cast<UINT>(exitCode));
            }};
}

WinProgram::WinProgram(shell::ProgramPaths paths, app::FetchFactory fetchFactory,
                       ProcessControl process)
    : clearNextUpdateDate([](app::Application& a) { a.clearNextUpdateDate(); }),
      m_app(std::make_unique<app::Application>(m_frontend, std::move(paths),
                                               std::move(fetchFactory))),
      m_process(std::move(process)) {
    MainWindow::Events events;
    events.startPressed = [this](int button, int shift) { startPressed(button, shift); };
    events.startClicked = [this] { startRun(); };
    events.stopClicked = [this] { stopClicked(); };
    events.closeRequested = [this] { closeRequested(); };
    m_window = std::make_unique<MainWindow>(m_app->session.window, std::move(events));
    m_frontend.attach(m_window.get());
    // The run changes the model on its own thread: the window gets a copy of the control,
    // never a reference into a model that another thread is changing.
    MainWindow* const window = m_window.get();
    m_app->session.window.setListener([window](const shell::Control& control) {
        postToWindow(window->handle(), [window, copy = control] { window->showControl(copy); });
    });
}

WinProgram::~WinProgram() {
    if (m_thread.joinable()) {
        // Only reached when the program is taken down without ending the process (tests):
        // let the run return on its own, answering whatever it still asks with No.
        m_frontend.detach();
        m_app->session.runActive = false;
        m_app->session.stopPressed = true;
        m_thread.join();
    }
    m_frontend.detach();
    m_app->session.window.setListener(nullptr);
    // Calls still queued for the window are dropped with it.
    MSG message;
    while (PeekMessageW(&message, m_window->handle(), WM_APP, WM_APP + 16, PM_REMOVE))
        if (message.message == kCallMessage)
            delete reinterpret_cast<std::function<void()>*>(message.lParam);
}

std::optional<int> WinProgram::start(const shell::CommandLine& commandLine) {
    shell::debugLog().setPath(m_app->paths.debugFile);
    app::StartupPlan plan;
    try {
        plan = app::Form_Load(*m_app, commandLine);
    } catch (const base::ProgramEndRequested& end) {
        return end.exitCode();
    }
    if (commandLine.debug)
        shell::debugLog().setEnabled(true);
    const auto size = app::savedWindowSize(*m_app);
    m_window->showCentred(size ? size->width : 0, size ? size->height : 0);
    if (plan.runNow) {
        m_startupRun = true;
        m_endAfterStartupRun = plan.endAfterRun;
        startRun();
    }
    return std::nullopt;
}

void WinProgram::startPressed(int button, int shift) {
    const shell::StartPress press = shell::cmdSync_MouseDown(button, shift);
    if (press.clearNextUpdateDate)
        clearNextUpdateDate(*m_app);
    shell::debugLog().setEnabled(press.debugMode);
}

void WinProgram::startRun() {
    if (m_thread.joinable())
        return;
    m_window->setRunOwnsModel(true);
    const HWND window = m_window->handle();
    m_thread = std::thread([this, window] {
        m_result = app::runStartButton(*m_app);
        // Behind every change the run posted: the window has shown them all by then.
        postToWindow(window, [this] { runThreadFinished(); });
    });
}

void WinProgram::runThreadFinished() {
    m_thread.join();
    const app::StartButtonResult result = m_result;
    m_window->setRunOwnsModel(false);
    if (runFinished)
        runFinished();
    if (result.endCode) {
        m_process.exit(*result.endCode);
        return;
    }
    if (std::exchange(m_startupRun, false)) {
        if (startupRunFinished)
            startupRunFinished();
        if (m_endAfterStartupRun)
            m_process.exit(sync::exitStatusOf(result.outcome));
    }
}

void WinProgram::stopClicked() {
    app::pressStop(*m_app);
}

void WinProgram::closeRequested() {
    const SIZE size = m_window->clientSizeAt96();
    app::saveWindowSize(*m_app, {size.cx, size.cy});
    const bool running = m_thread.joinable();
    app::closeWindow(*m_app, running);
    if (running)
        m_process.exitAtOnce(0); // abandons the run where it stands
    else
        m_process.exit(0);
}

int runMessageLoop(HWND window) {
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (IsDialogMessageW(window, &message))
            continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return static_cast<int>(message.wParam);
}

} // namespace pixtrail::win
