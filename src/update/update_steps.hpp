#pragma once

#include "shell/application.hpp"

// The self-update's places in start-up and in the run.
namespace pixtrail::update {

/// Start-up: finishes a pending self-update (may end the program).
void completePendingUpdate(shell::Application& app);
/// Inside a run: reads the update feed when the next check is due (may end the program).
void checkForUpdate(shell::Application& app);
/// Forgets the date of the next update check, so the next run reads the feed.
void clearNextUpdateDate(shell::Application& app);

} // namespace pixtrail::update
