#include "base/files.hpp"
#include "base/run_error.hpp"
#include "base/text.hpp"
#include "shell/debug_log.hpp"
#include "sync/run_steps.hpp"
#include "sync/waypoint_reader.hpp"

#include <fstream>
#include <functional>

// Which waypoints need a visit, and the markers of caches without spoilers.
namespace pixtrail::sync {
namespace {

using shell::WriteDebug;

constexpr std::string_view kSummary = "no spoiler found.txt";
constexpr std::string_view kMarkerSuffix = " - no spoiler found.txt";
constexpr std::string_view kMarkers = "*- no spoiler found.txt";
constexpr std::string_view kIncompletePrefix = ".pixtrail-incomplete-";
constexpr std::string_view kIncompleteSuffix = ".part";

// Shows a waypoint's result in its line, once the cache is done.
std::function<void()> result(RunEnvironment& env, int line, std::string text) {
    return [&env, line, text = std::move(text)] { env.session.progressList.setLine(line, text); };
}

[[noreturn]] void fileError(const std::string& what, const std::string& path) {
    throw base::RunError(base::err::kFileAccess, "sync", what + " '" + path + "'");
}

void deleteFile(FolderIndex& folder, const std::string& name) {
    if (!base::removeFile(folder.path(name)) && base::fileExists(folder.path(name)))
        fileError("Cannot delete", folder.path(name));
    folder.removed(name);
}

// The summary's lines, whatever line ends a hand edit gave them.
std::vector<std::string> summaryLines(const std::string& content) {
    std::vector<std::string> lines;
    size_t pos = 0;
    while (pos < content.size()) {
        const size_t end = content.find_first_of("\r\n", pos);
        lines.push_back(content.substr(pos, end == std::string::npos ? end : end - pos));
        if (end == std::string::npos)
            break;
        pos = end + (content.compare(end, 2, "\r\n") == 0 ? 2 : 1);
    }
    return lines;
}

// The note that a cache's pictures are being stored; it stays when they were not all.
std::string incompleteMarker(const std::string& code) {
    return std::string(kIncompletePrefix) + code + std::string(kIncompleteSuffix);
}

} // namespace

std::function<void()> processWaypoint(RunEnvironment& env, RunContext& run, const std::string& code,
                                      int line) {
    FolderIndex& folder = *run.folder;
    const RunOptions& options = run.options;
    const shell::Session& session = env.session;
    // A cache whose pictures were not all stored (the program was killed, a picture did
    // not arrive) has some of them: the skip tests would take it for done.
    const std::string incomplete = folder.resolve(incompleteMarker(code));
    if (!options.recheck && !folder.contains(incomplete)) {
        const std::pair<const char*, const char*> tests[] = {
            {" *.txt", "no spoilers found"},
            {" *.jpg", "spoilers already downloaded"},
            {" *.gif", "spoilers already downloaded"},
            {" *.png", "spoilers already downloaded"},
        };
        for (const auto& [pattern, message] : tests) {
            if (const auto found = folder.first(code + pattern)) {
                WriteDebug("Waypoint ignored - found '" + folder.path(*found) + "'");
                return result(env, line, code + " " + session.tr(message));
            }
        }
    }

    scrape::ScrapeCall call;
    call.code = code;
    call.folder = &folder;
    call.workers = run.workers.get();
    call.applyOnlyWords = options.onlySpoilers;
    call.applyIgnoreWords = options.ignoreNoSpoil;
    call.onlyWords = "spoiler," + base::trimSpaces(options.onlyWords);
    call.ignoreWords = "no spoil,not spoil," + base::trimSpaces(options.ignoreWords);
    call.options = {options.forceGC, options.shrink, options.shrinkWidth, options.shrinkHeight};
    if (!folder.contains(incomplete)) {
        base::writeFileAtomically(folder.path(incomplete), "");
        folder.added(incomplete);
    }
    const int pictures = env.getspoilerpics(call);
    run.cacheName = call.cacheName;
    run.picturesDownloaded += call.newPictures;
    if (pictures < 0)
        throw base::ProgramEndRequested(3); // the scrape has told the user already
    // A page that did not arrive, or pictures that did not, are no result: the cache stays
    // noted as unfinished, so the next run asks again.
    if (!call.pageAvailable) {
        ++run.incompleteCount;
        return result(env, line, code + " " + session.tr("page not available"));
    }
    if (call.failedDownloads > 0) {
        ++run.incompleteCount;
        return result(env, line,
                      code + " " + session.tr("%s spoilers", std::to_string(pictures)) + ", " +
                          session.tr("%s failed", std::to_string(call.failedDownloads)));
    }
    const std::string text = code + " " +
                             (pictures == 0 ? session.tr("no spoilers found")
                                            : session.tr("%s spoilers", std::to_string(pictures)));
    return [&folder, incomplete, show = result(env, line, text)] {
        deleteFile(folder, incomplete); // only now are all its pictures stored
        show();
    };
}

void unpackNoSpoilerSummary(RunContext& run) {
    FolderIndex& folder = *run.folder;
    const auto summary = folder.first(kSummary);
    if (!summary)
        return;
    const std::string summaryPath = folder.path(*summary);
    WriteDebug("Unpacking summary " + summaryPath);
    const auto content = base::readFile(summaryPath);
    if (!content)
        fileError("Cannot read", summaryPath);
    for (const std::string& code : summaryLines(*content)) {
        const std::string marker = folder.resolve(code + std::string(kMarkerSuffix));
        // A hand-edited line must not reach outside the folder.
        if (!code.empty() && !isSafeFileName(marker)) {
            WriteDebug("Skipped summary line '" + code + "'");
            continue;
        }
        if (!folder.contains(marker)) {
            std::ofstream create(base::nativePath(folder.path(marker)), std::ios::app);
            if (!create)
                fileError("Cannot create", folder.path(marker));
            folder.added(marker);
        }
        WriteDebug("Created file '" + folder.path(marker) + "'");
    }
    deleteFile(folder, *summary);
}

void packNoSpoilerSummary(RunContext& run) {
    FolderIndex& folder = *run.folder;
    WriteDebug("Creating summary 'no spoiler found' file");
    const std::vector<std::string> markers = folder.find(kMarkers);
    std::string content;
    for (const std::string& name : markers)
        content += base::trimSpaces(name.substr(0, name.find(' '))) + "\r\n";
    const std::string summary = folder.resolve(kSummary);
    const std::string summaryPath = folder.path(summary);
    base::writeFileAtomically(summaryPath, content);
    folder.added(summary);
    WriteDebug(std::to_string(content.size()) + " bytes written to '" + summaryPath + "'");
    for (const std::string& name : markers)
        deleteFile(folder, name);
}

} // namespace pixtrail::sync
