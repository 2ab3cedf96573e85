#pragma once

#include "base/folder_index.hpp"
#include "scrape/endpoints.hpp"
#include "scrape/web_fetch.hpp"
#include "shell/ordered_workers.hpp"
#include "shell/run_link.hpp"

#include <string>
#include <string_view>

namespace pixtrail::scrape {

/// The options of the run that the scrape of a cache follows.
struct ScrapeOptions {
    bool forceGC = false; ///< request codes with another prefix as "GC" codes
    bool shrink = false;  ///< shrink JPEG pictures to the box below
    int shrinkWidth = 0;  ///< pixels
    int shrinkHeight = 0; ///< pixels
};

/// One call of the scrape of a cache: its inputs and what it found.
struct ScrapeCall {
    std::string code;                    ///< the accepted name as read
    base::FolderIndex* folder = nullptr; ///< the spoiler folder of the run
    /// The run's workers for shrinking pictures; nullptr: the pictures are shrunk in turn.
    shell::OrderedWorkers* workers = nullptr;
    bool applyOnlyWords = false;
    bool applyIgnoreWords = false;
    std::string onlyWords;   ///< "spoiler," + the only-words box, trimmed
    std::string ignoreWords; ///< "no spoil,not spoil," + the ignore-words box, trimmed
    ScrapeOptions options;

    std::string cacheName;   ///< out: the cache's title on its page
    int failedDownloads = 0; ///< out: accepted pictures that did not arrive
    int newPictures = 0;     ///< out: pictures newly written
    /// out: a cache page arrived. False when the request failed in any way, the site kept
    /// throttling, or what came back was some other page.
    bool pageAvailable = true;
};

/// The run's pacing of page requests, as the scrape needs it.
class Pacing {
public:
    virtual ~Pacing() = default;
    /// The wait the run asks for before a cache page request.
    virtual void beforePageRequest() = 0;
    /// Counts `seconds` down in the current progress line with `countdown` ("%s" standing
    /// for the seconds left); ends early when the run is stopped.
    virtual void countDown(int seconds, std::string_view countdown) = 0;
};

/// What the scrape works with besides the call itself.
struct ScrapeContext {
    shell::RunLink& run;
    WebFetch& fetch;
    const Endpoints& endpoints;
    Pacing& pacing;
};

/// Turns one cache's web page into stored spoiler pictures; returns how many pictures the
/// cache now has in the folder, or -1 when an unexpected failure was shown to the user.
/// With the call's workers, pictures (and a "no spoiler found" marker) may still be being
/// stored when it returns: their jobs finish in turn, before anything submitted later.
int getspoilerpics(ScrapeCall& call, const ScrapeContext& context);

} // namespace pixtrail::scrape
