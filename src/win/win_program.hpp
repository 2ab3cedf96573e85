#pragma once

#include "app/application.hpp"
#include "app/window_program.hpp"
#include "shell/command_line.hpp"
#include "win/main_window.hpp"
#include "win/win_frontend.hpp"

#include <functional>
#include <memory>
#include <optional>
#include <thread>

namespace pixtrail::win {

/// How the program ends: leaving the message loop normally, or at once where it stands.
struct ProcessControl {
    std::function<void(int exitCode)> exit;
    std::function<void(int exitCode)> exitAtOnce;
};

/// The real ones: PostQuitMessage, and ending the process, which works even while the run's
/// thread is blocked in a network call. Every file is written under a temporary name and
/// renamed, so ending anywhere leaves no half-written file behind.
ProcessControl realProcessControl();

/// The window program: the application state, the window, the frontend and the run's
/// thread, with start-up, Start, Stop and closing.
///
/// Threads: the window's thread owns the model whenever no run is in progress. A run
/// executes `cmdSync_Click` on a thread of its own; from the press of Start until that
/// thread has finished, the run owns the model and the window takes no input that would
/// change it (Stop and closing touch only the run's atomic flags and its locked progress
/// list). The hand-over in both directions is the start and the end of that thread.
class WinProgram {
public:
    WinProgram(shell::ProgramPaths paths, app::FetchFactory fetchFactory, ProcessControl process);
    ~WinProgram();
    WinProgram(const WinProgram&) = delete;
    WinProgram& operator=(const WinProgram&) = delete;

    app::Application& app() { return *m_app; }
    MainWindow& window() { return *m_window; }

    /// Start-up: `Form_Load`, then the window is shown; a run the command line asks for
    /// starts at once. Returns the exit code when start-up itself ended the program.
    std::optional<int> start(const shell::CommandLine& commandLine);

    bool runInProgress() const { return m_thread.joinable(); }

    /// Forgets the date of the next update check (Start pressed with another button or a
    /// modifier). Tests put their own in its place.
    std::function<void(app::Application&)> clearNextUpdateDate;
    /// After every run, once the window owns the model again.
    std::function<void()> runFinished;
    /// After the run the command line asked for, before "-a" ends the program.
    std::function<void()> startupRunFinished;

private:
    void startPressed(int button, int shift);
    void startRun();
    void runThreadFinished();
    void stopClicked();
    void closeRequested();

    WinFrontend m_frontend;
    std::unique_ptr<app::Application> m_app;
    std::unique_ptr<MainWindow> m_window;
    ProcessControl m_process;
    std::thread m_thread;
    app::StartButtonResult m_result; ///< written by the run's thread, read after it ended
    bool m_startupRun = false;
    bool m_endAfterStartupRun = false;
};

/// The message loop with the dialog keys (Tab, Enter, Escape, Alt and a mnemonic) for the
/// window; returns the exit code PostQuitMessage gave.
int runMessageLoop(HWND window);

} // namespace pixtrail::win
