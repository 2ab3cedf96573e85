#pragma once

#include "shell/application.hpp"

#include <string_view>

namespace pixtrail::sync {

/// Counts `seconds` down in the current progress line (its text, a space and `countdown`
/// with "%s" replaced by the seconds left), letting events run every 100 ms; ends at the
/// next whole second once the run is no longer active, and restores the line.
void countDown(shell::Application& app, int seconds, std::string_view countdown);

/// Waits `seconds` seconds between page requests, with the "(Sleeping %s seconds)"
/// countdown.
void WaitDelay(shell::Application& app, int seconds);

/// The pacing rule before a cache page request: every request but the first since the
/// program started waits the run's delay first.
void pacePageRequest(shell::Application& app);

} // namespace pixtrail::sync
