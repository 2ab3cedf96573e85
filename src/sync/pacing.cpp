#include "sync/pacing.hpp"

#include "base/clock.hpp"
#include "base/text.hpp"
#include "shell/debug_log.hpp"

namespace pixtrail::sync {

void countDown(shell::Application& app, int seconds, std::string_view countdown) {
    const int line = app.progress.currentIndex();
    const std::string text = app.progress.line(line);
    for (int n = seconds; n > 0 && app.runActive; --n) {
        app.progress.setLine(line, text + " " +
                                       base::replaceAllNoCase(countdown, "%s", std::to_string(n)));
        app.frontend.pumpEvents();
        // One tick of the window's one-second timer, watched every 100 ms.
        for (int step = 0; step < 10; ++step) {
            app.frontend.pumpEvents();
            base::clock().sleepFor(std::chrono::milliseconds(100));
        }
    }
    app.progress.setLine(line, text);
    app.frontend.pumpEvents();
}

void WaitDelay(shell::Application& app, int seconds) {
    if (app.countdownTemplate.empty())
        app.countdownTemplate = app.tr("(Sleeping %s seconds)");
    if (seconds <= 0)
        return;
    shell::WriteDebug("Sleeping for " + std::to_string(seconds) + " seconds");
    countDown(app, seconds, app.countdownTemplate);
}

void pacePageRequest(shell::Application& app) {
    if (app.pacingFlag)
        WaitDelay(app, app.requestDelay);
    app.pacingFlag = true;
}

} // namespace pixtrail::sync
