#pragma once

#include "shell/application.hpp"

namespace pixtrail::sync {

/// Waits `seconds` seconds, counting down in the current progress line, letting events
/// run every 100 ms; ends at the next whole second once the run is no longer active.
void WaitDelay(shell::Application& app, int seconds);

/// The pacing rule before a cache page request: every request but the first since the
/// program started waits the run's delay first.
void pacePageRequest(shell::Application& app);

} // namespace pixtrail::sync
