#pragma once

#include "sync/run.hpp"

#include <functional>
#include <string>
#include <unordered_set>

// The steps the run calls for each waypoint and at its end. Each lives with the work it
// does; the run only decides when.
namespace pixtrail::sync {

/// Turns the summary of caches without spoilers into one marker per cache.
void unpackNoSpoilerSummary(RunContext& run);
/// Decides whether an accepted waypoint needs a visit and visits it. Returns what ends the
/// visit (its result in progress line `line`, the unfinished-cache note), to be run once
/// the cache's pictures are stored.
std::function<void()> processWaypoint(RunEnvironment& env, RunContext& run, const std::string& name,
                                      int line);
/// Rewrites the cache's web page when its content changed; `cacheName` is what the scrape
/// found on its page (empty when the cache was not visited).
void writeCachePage(RunContext& run, const std::string& name, const std::string& cacheName);
/// Deletes the files of caches that are no longer in the waypoint file.
void deleteUnusedFiles(shell::RunLink& link, RunContext& run);
/// Packs the per-cache markers into the summary file.
void packNoSpoilerSummary(RunContext& run);
/// Writes index.html over the cache pages.
void writeIndex(RunContext& run);
/// Removes the cache pages and the index when web pages are switched off.
void removePages(RunContext& run);
/// Makes the cache's Spoilers folder in the Garmin tree hold exactly its stored pictures,
/// from files alone (no request), so skipped caches are completed too.
void arrangeGarminPhotos(RunContext& run, const std::string& name);
/// Removes the Garmin folders of caches that are no longer in the waypoint file.
void deleteUnusedGarminFolders(RunContext& run);
/// Removes the Garmin/GeocachePhotos tree when the Garmin option is switched off.
void removeGarminPhotos(RunContext& run);

/// The codes of the code list, in upper case, for case-insensitive "is it listed" tests.
std::unordered_set<std::string> acceptedCodes(const std::string& codeList);

/// The code a file of the folder belongs to: its name up to the first space, or up to
/// the first "." when that comes earlier.
std::string leadingCode(std::string_view fileName);

} // namespace pixtrail::sync
