#pragma once

#include "app/application.hpp"
#include "sync/run.hpp"

#include <optional>

// What every window front end does around the core, whatever its toolkit: the run behind
// Start, closing, and the window size the user gave it.
namespace pixtrail::app {

struct StartButtonResult {
    sync::RunOutcome outcome = sync::RunOutcome::Finished;
    std::optional<int> endCode; ///< the run asked to end the program
};

/// The Start button's run on the run's thread. A failure the core let through ends the run
/// as a run-time failure does (a warning, Start back), instead of taking the program down
/// with the thread.
StartButtonResult runStartButton(Application& app);

/// The Stop button. A click that arrives just after the run has ended adds no stop line.
void pressStop(Application& app);

/// Closing the window: the run is told to stop; with no run in progress, what the user
/// changed since the last run is saved (a run saves at its start anyway).
void closeWindow(Application& app, bool runInProgress);

/// The window's client size in device-independent pixels, kept with the user's other
/// per-user settings rather than in a settings file several users or machines may share.
struct WindowSize {
    int width = 0;
    int height = 0;
};
/// The size saved before, or nullopt when there is none that makes sense.
std::optional<WindowSize> savedWindowSize(const Application& app);
void saveWindowSize(const Application& app, WindowSize size);

} // namespace pixtrail::app
