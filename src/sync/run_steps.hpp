#pragma once

#include "shell/application.hpp"
#include "sync/run.hpp"

#include <string>

// The steps the run calls for each waypoint and at its end. Each lives with the work it
// does; the run only decides when.
namespace pixtrail::sync {

/// Turns the summary of caches without spoilers into one marker per cache.
void unpackNoSpoilerSummary(shell::Application& app, RunContext& run);
/// Decides whether an accepted waypoint needs a visit, visits it and writes its result
/// into the current progress line.
void processWaypoint(shell::Application& app, RunContext& run, const std::string& name);
/// Rewrites the cache's web page when its content changed.
void writeCachePage(shell::Application& app, RunContext& run, const std::string& name);
/// Deletes the files of caches that are no longer in the waypoint file.
void deleteUnusedFiles(shell::Application& app, RunContext& run);
/// Packs the per-cache markers into the summary file.
void packNoSpoilerSummary(shell::Application& app, RunContext& run);
/// Writes index.html over the cache pages.
void writeIndex(shell::Application& app, RunContext& run);
/// Removes the cache pages and the index when web pages are switched off.
void removePages(shell::Application& app, RunContext& run);

/// The code a file of the folder belongs to: its name up to the first space, or up to
/// the first "." when that comes earlier.
std::string leadingCode(std::string_view fileName);

} // namespace pixtrail::sync
