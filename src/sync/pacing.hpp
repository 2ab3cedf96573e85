#pragma once

#include "scrape/getspoilerpics.hpp"
#include "shell/run_link.hpp"

#include <functional>
#include <string>
#include <string_view>

namespace pixtrail::sync {

/// The spacing of cache page requests: every request but the first since the program
/// started waits the run's delay, counting down in the current progress line. Lives as long
/// as the program, so a second run waits before its first request too.
class RequestPacing : public scrape::Pacing {
public:
    explicit RequestPacing(shell::RunLink& run) : m_run(run) {}

    /// Seconds to wait between requests, 0..999, set by each run.
    int requestDelay = 0;

    /// The pacing rule before a cache page request.
    void beforePageRequest() override;

    /// Counts `seconds` down in the current progress line (its text, a space and
    /// `countdown` with "%s" replaced by the seconds left), letting events run every
    /// 100 ms; ends at the next whole second once the run is no longer active, and restores
    /// the line.
    void countDown(int seconds, std::string_view countdown) override;

    /// Waits `seconds` seconds with the "(Sleeping %s seconds)" countdown.
    void WaitDelay(int seconds);

    /// Called every 100 ms of a countdown: a run lets caches whose pictures are stored
    /// meanwhile show their results.
    std::function<void()> whileWaiting;

private:
    shell::RunLink& m_run;
    bool m_pacingFlag = false; ///< set after the first cache page request; outlives runs
    std::string m_countdownTemplate;
};

} // namespace pixtrail::sync
