#include "sync/pacing.hpp"

#include "base/clock.hpp"
#include "base/text.hpp"
#include "shell/debug_log.hpp"

namespace pixtrail::sync {

void RequestPacing::countDown(int seconds, std::string_view countdown) {
    shell::ProgressList& progress = m_run.progress();
    const int line = progress.currentIndex();
    const std::string text = progress.line(line);
    for (int n = seconds; n > 0 && m_run.active(); --n) {
        progress.setLine(line,
                         text + " " + base::replaceAllNoCase(countdown, "%s", std::to_string(n)));
        m_run.pumpEvents();
        // One tick of the window's one-second timer, watched every 100 ms.
        for (int step = 0; step < 10; ++step) {
            if (whileWaiting)
                whileWaiting();
            m_run.pumpEvents();
            base::clock().sleepFor(std::chrono::milliseconds(100));
        }
    }
    progress.setLine(line, text);
    m_run.pumpEvents();
}

void RequestPacing::WaitDelay(int seconds) {
    if (m_countdownTemplate.empty())
        m_countdownTemplate = m_run.tr("(Sleeping %s seconds)");
    if (seconds <= 0)
        return;
    shell::WriteDebug("Sleeping for " + std::to_string(seconds) + " seconds");
    countDown(seconds, m_countdownTemplate);
}

void RequestPacing::beforePageRequest() {
    if (m_pacingFlag)
        WaitDelay(requestDelay);
    m_pacingFlag = true;
}

} // namespace pixtrail::sync
