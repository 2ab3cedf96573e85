#pragma once

#include "shell/application.hpp"

namespace pixtrail::scrape {

/// Turns one cache's web page into stored spoiler pictures; returns how many pictures the
/// cache now has in the folder, or -1 when an unexpected failure was shown to the user.
int getspoilerpics(shell::Application& app, shell::ScrapeCall& call);

} // namespace pixtrail::scrape
