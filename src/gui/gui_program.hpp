#pragma once

#include "app/application.hpp"
#include "app/window_program.hpp"
#include "gui/main_window.hpp"
#include "gui/qt_frontend.hpp"
#include "shell/command_line.hpp"
#include "sync/run.hpp"

#include <QObject>

#include <functional>
#include <memory>
#include <optional>
#include <string_view>

class QThread;

namespace pixtrail::gui {

/// How the program ends: leaving the event loop normally, or at once where it stands.
struct ProcessControl {
    std::function<void(int exitCode)> exit;
    std::function<void(int exitCode)> exitAtOnce;
};

/// The real ones: QCoreApplication::exit, and std::_Exit, which ends the process even while
/// the run's thread is blocked in a network call. Every file is written under a temporary
/// name and renamed, so ending anywhere leaves no half-written file behind.
ProcessControl realProcessControl();

/// The window program: the application state, the window, the frontend and the run's
/// thread, with start-up, Start, Stop and closing.
///
/// Threads: the window's thread owns the model whenever no run is in progress. A run
/// executes `cmdSync_Click` on the thread "pixtrail-run"; from the press of Start until that
/// thread has finished, the run owns the model and the window takes no input that would
/// change it (Stop and closing touch only the run's atomic flags and its locked progress
/// list). The hand-over in both directions is the start and the end of that thread.
class GuiProgram : public QObject {
    Q_OBJECT

public:
    GuiProgram(shell::ProgramPaths paths, app::FetchFactory fetchFactory, ProcessControl process);
    ~GuiProgram() override;

    app::Application& app() { return *m_app; }
    MainWindow& window() { return *m_window; }

    /// Start-up: `Form_Load`, then the window is shown; a run the command line asks for
    /// starts at once. Returns the exit code when start-up itself ended the program.
    std::optional<int> start(const shell::CommandLine& commandLine);

    bool runInProgress() const { return m_thread != nullptr; }

    /// Forgets the date of the next update check (Start pressed with another button or a
    /// modifier). Tests put their own in its place.
    std::function<void(app::Application&)> clearNextUpdateDate;

signals:
    /// After every run, once the window owns the model again.
    void runFinished();
    /// After the run the command line asked for, before "-a" ends the program.
    void startupRunFinished();

private:
    void startPressed(Qt::MouseButton button, Qt::KeyboardModifiers modifiers);
    void startRun();
    void runThreadFinished();
    void stopClicked();
    void closeRequested();
    QSize savedWindowSize() const;

    QtFrontend m_frontend;
    std::unique_ptr<app::Application> m_app;
    std::unique_ptr<MainWindow> m_window;
    ProcessControl m_process;
    QThread* m_thread = nullptr;
    app::StartButtonResult m_result; ///< written by the run's thread, read after it has finished
    bool m_startupRun = false;
    bool m_endAfterStartupRun = false;
};

} // namespace pixtrail::gui
