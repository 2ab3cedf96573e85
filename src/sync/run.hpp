#pragma once

#include "base/clock.hpp"
#include "base/folder_index.hpp"
#include "scrape/endpoints.hpp"
#include "scrape/getspoilerpics.hpp"
#include "scrape/web_fetch.hpp"
#include "shell/ordered_workers.hpp"
#include "shell/program_paths.hpp"
#include "shell/session.hpp"
#include "sync/pacing.hpp"

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_set>

// The run: one synchronisation of the spoiler folder with one waypoint file, from the
// input checks to the run log.
namespace pixtrail::sync {

using base::FolderIndex;

/// The scrape of one cache a run calls: the real one, or a test's.
using Scraper = std::function<int(scrape::ScrapeCall&)>;

/// What a run works with that outlives it.
struct RunEnvironment {
    shell::Session& session;
    const shell::ProgramPaths& paths;
    const scrape::Endpoints& endpoints;
    /// The network client, made on first use.
    std::function<scrape::WebFetch&()> fetch;
    Scraper getspoilerpics;
    /// The update step between the connectivity check and the waypoint file; it may end
    /// the program.
    std::function<void()> checkForUpdate;
    /// The pacing of page requests, which outlives runs.
    RequestPacing& pacing;
};

/// The options a run follows, read from the window once its inputs are checked. The run
/// owns the window's model from Start to its end, so they cannot change on the way.
struct RunOptions {
    bool deleteUnused = false;  ///< chkDelUnused
    bool onlySpoilers = false;  ///< chkOnlySpoil
    bool ignoreNoSpoil = false; ///< chkIgnoreNoSpoil
    std::string onlyWords;      ///< txtOnlyWords
    std::string ignoreWords;    ///< txtIgnoreWords
    bool recheck = false;       ///< chkRecheck
    bool shrink = false;        ///< chkResize
    int shrinkWidth = 0;        ///< txtWidth
    int shrinkHeight = 0;       ///< txtHeight
    bool pages = false;         ///< chkDohtml
    bool summary = false;       ///< chkNoTxt
    bool forceGC = false;       ///< chkForceGC
    bool garmin = false;        ///< chkGarminPhotos
    int workers = 1;            ///< threads that shrink and convert pictures
};

/// Values local to one run, shared with the steps it calls.
struct RunContext {
    RunOptions options;
    base::LocalTime startTime;
    std::string waypointFile;
    std::string spoilerFolder;           ///< always ends with the path separator
    std::unique_ptr<FolderIndex> folder; ///< the folder's files, listed once per run
    /// Shrink and convert pictures while the next ones download.
    std::unique_ptr<shell::OrderedWorkers> workers = std::make_unique<shell::OrderedWorkers>(1);
    std::string savedCaption;
    std::string lineName;
    std::string cacheName; ///< filled by the scrape of an accepted waypoint
    std::string codeList;  ///< "*" + every accepted name
    int waypointCount = 0;
    int picturesDownloaded = 0; ///< pictures newly written
    int deletedCount = 0;
    /// Caches whose page or some of whose pictures did not arrive.
    int incompleteCount = 0;
    /// First lines of the cache pages this run has read or written, so the index need
    /// not read them again.
    std::map<std::string, std::string> pageFirstLines;
    /// Shared levels of the Garmin tree (relative paths) known to be real folders this run,
    /// so that each is checked once, not once per cache.
    std::unordered_set<std::string> garminFolders;
    std::string errorText;
    std::string totalsText;
};

enum class RunOutcome {
    Finished,     ///< the run reached its end (also after Stop)
    Incomplete,   ///< it reached its end, but some caches could not be completed
    EndedAtCheck, ///< an input check ended it; nothing was written
    EndedByError, ///< the run's error handler ended it; the log holds the error
};

/// The status a program ends with after a run, when the command line asked it to end:
/// 0 the run reached its end, 4 it did but some caches could not be completed, 1 a check
/// or a failure ended it.
int exitStatusOf(RunOutcome outcome);

/// The Start button: runs the whole run before returning. May throw
/// base::ProgramEndRequested when a step ends the program.
RunOutcome cmdSync_Click(RunEnvironment& env);

/// Seconds to wait between requests from the delay text: the leading number, rounded;
/// outside 0..999 it becomes 5.
int requestDelayFrom(std::string_view delayText);

/// A shrink size brought into range: the leading number in decimal, below 10 -> "100",
/// above 2000 -> "2000".
std::string normaliseShrinkSize(std::string_view text);

/// Share of the file read, 0..100, from the 1-based position of the next byte.
int readPercentage(std::uint64_t position, std::uint64_t size);

} // namespace pixtrail::sync
