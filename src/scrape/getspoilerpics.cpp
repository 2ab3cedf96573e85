#include "scrape/getspoilerpics.hpp"

#include "base/ansi_text.hpp"
#include "base/files.hpp"
#include "base/run_error.hpp"
#include "base/text.hpp"
#include "imaging/picture_format.hpp"
#include "imaging/shrink.hpp"
#include "scrape/caption_filter.hpp"
#include "scrape/page_walk.hpp"
#include "shell/debug_log.hpp"

#include <algorithm>
#include <fstream>
#include <functional>
#include <memory>
#include <unordered_set>

namespace pixtrail::scrape {
namespace {

using shell::WriteDebug;

// One call's state: the page's pictures as they are stored.
struct Storage {
    const ScrapeContext& context;
    ScrapeCall& call;
    base::FolderIndex& folder;
    int line = -1; ///< the cache's progress line
    std::string rememberedLine;
    std::unordered_set<std::string> usedCaptions; ///< in lower case
    int count = 0;
    int failedDownloads = 0;
};

// A link that was not followed by a space keeps its closing quote; the address must not.
std::string address(std::string link) {
    while (!link.empty() && link.back() == '"')
        link.pop_back();
    return link;
}

// The content-delivery copy of a picture: its file name on that host with "_l" before
// the extension. Empty when the link has no extension to put it before.
std::string contentDeliveryAddress(const std::string& link, const std::string& host) {
    const std::string tail = link.substr(link.rfind('/') + 1);
    auto pieces = base::splitLimited("http://" + host + "/" + tail, '.', std::string::npos);
    if (pieces.size() < 2)
        return {};
    pieces[pieces.size() - 2] += "_l";
    std::string joined = pieces[0];
    for (size_t i = 1; i < pieces.size(); ++i)
        joined += "." + pieces[i];
    return joined;
}

bool skippable(const base::RunError& e) {
    return base::equalsNoCase(e.description(), "Invalid picture") ||
           base::equalsNoCase(e.description(), "Type mismatch");
}

bool wantsShrink(const ScrapeOptions& options, const std::string& link, const std::string& path) {
    return options.shrink &&
           (base::endsWithNoCase(address(link), "jpg") || base::endsWithNoCase(path, "jpg"));
}

// Runs a shrink step; a picture that cannot be decoded stays as it came.
template <typename Step> void shrinkStep(Step step) {
    try {
        step();
    } catch (const base::RunError& e) {
        if (!skippable(e))
            throw;
        WriteDebug("Error: " + e.description());
    }
}

// Names the program stores pictures under; a link may also end in ".txt" or ".htm", whose
// body is whatever the owner linked.
bool isPictureName(std::string_view name) {
    for (const char* extension : {".jpg", ".png", ".gif", ".bmp"})
        if (base::endsWithNoCase(name, extension))
            return true;
    return false;
}

// The picture's bytes, from its link or else from the content-delivery host; empty when
// neither gave a picture.
std::string downloadPicture(Storage& s, const std::string& link, const std::string& path) {
    const std::string source = base::replaceAllNoCase(link, "/display/", "/");
    WriteDebug("Downloading image '" + source + "' to file '" + path + "'");
    WebFetch& fetch = s.context.fetch;
    const bool picture = isPictureName(path);
    auto download = [&](const std::string& url) {
        FetchResult got = fetch.fetch(url, DataType::Bytes);
        std::string& bytes = got.body;
        if (bytes.empty() || !picture)
            return std::move(bytes);
        // A login or error page answered with 200, or a captive portal, must not be stored
        // as a spoiler that every later run would take for done; nor may half a picture
        // whose connection broke where no announced length could show it.
        if (imaging::pictureFormat(bytes) == imaging::PictureFormat::None) {
            WriteDebug("Not a picture: '" + url + "' (" + std::to_string(bytes.size()) + " bytes)");
            bytes.clear();
        } else if (!got.lengthAnnounced && !imaging::endsWithItsPicture(bytes)) {
            WriteDebug("Picture cut short: '" + url + "' (" + std::to_string(bytes.size()) +
                       " bytes)");
            bytes.clear();
        }
        return std::move(bytes);
    };
    std::string bytes = download(address(source));
    if (bytes.empty()) {
        const std::string retry =
            contentDeliveryAddress(address(source), s.context.endpoints.contentDeliveryHost);
        if (!retry.empty())
            bytes = download(retry);
    }
    return bytes;
}

// The picture's progress: the cache's line counts its stored pictures.
std::function<void()> showStored(const Storage& s, int stored) {
    shell::RunLink& run = s.context.run;
    return [&run, line = s.line,
            text = s.rememberedLine + " " + std::to_string(stored) + " spoilers"] {
        run.progress().setLine(line, text);
        run.pumpEvents();
    };
}

// Stores a picture the filter kept. The download happens here; shrinking it, writing it and
// showing it happen in a job of the run's workers, whose finish may come after this cache's
// scrape has returned: it keeps nothing of the scrape but copies and the run's folder.
void storePicture(Storage& s, std::string caption, const std::string& link) {
    if (s.usedCaptions.count(base::ansiLower(caption)))
        caption += std::to_string(s.count);
    s.usedCaptions.insert(base::ansiLower(caption));

    // A file of the same name in other letter case is the same picture, as on Windows.
    const std::string name = s.folder.resolve(pictureFileName(s.call.code, caption, link));
    const std::string path = s.folder.path(name);
    const ScrapeOptions& options = s.call.options;
    const int width = options.shrinkWidth, height = options.shrinkHeight;
    const bool shrink = wantsShrink(options, link, path);
    shell::OrderedWorkers& workers = *s.call.workers;
    if (s.folder.contains(name)) {
        WriteDebug("File '" + path + "' already exists and is " +
                   std::to_string(base::fileSize(path).value_or(0)) + " bytes");
        workers.submit(nullptr, [path, width, height, shrink, show = showStored(s, ++s.count)] {
            if (shrink)
                shrinkStep([&] { imaging::shrinkJpegFile(path, width, height); });
            show();
        });
        return;
    }
    auto bytes = std::make_shared<std::string>(downloadPicture(s, link, path));
    if (bytes->empty()) {
        // Nothing arrived: no empty "picture" that later runs would take for done.
        WriteDebug("No picture received for '" + path + "'");
        ++s.failedDownloads;
        return;
    }
    WriteDebug("File size is " + std::to_string(bytes->size()));
    ++s.call.newPictures;
    // Shrunk before it gets its name: a kill in between must not leave a full-size picture
    // that later runs would skip and never shrink. The shrink is the slow part: a worker
    // does it while the next picture downloads.
    const std::size_t working = shrink ? imaging::shrinkMemory(*bytes, width, height) : 0;
    workers.submit(
        [bytes, path, width, height, shrink] {
            if (!shrink)
                return;
            shrinkStep([&] {
                if (auto smaller = imaging::shrinkJpegBytes(*bytes, width, height)) {
                    WriteDebug("Resizing picture " + path);
                    *bytes = std::move(*smaller);
                    WriteDebug("File size is " + std::to_string(bytes->size()));
                }
            });
        },
        [&folder = s.folder, bytes, name, path, show = showStored(s, ++s.count)] {
            base::writeFileAtomically(path, *bytes);
            folder.added(name);
            show();
        },
        bytes->size(), working);
}

void errorWordScan(const std::string& page) {
    if (!base::containsNoCase(page, "error"))
        return;
    WriteDebug("Returned HTML contains the word 'error'");
    for (size_t at = base::findNoCase(page, "error"); at != std::string::npos;
         at = base::findNoCase(page, "error", at + 1)) {
        std::string excerpt = page.substr(at, 500);
        excerpt = base::replaceAll(excerpt, "\t", " ");
        excerpt = base::replaceAll(excerpt, "\r\n", " ");
        excerpt = base::replaceAll(excerpt, "  ", " ");
        excerpt = base::replaceAll(excerpt, "  ", " ");
        WriteDebug("200 bytes of error text at position " + std::to_string(at + 1) + ": \r\n" +
                   excerpt.substr(0, 200));
    }
}

void createMarker(base::FolderIndex& folder, const std::string& code) {
    WriteDebug("No pictures found so creating a 'no spoiler found' file");
    const std::string name = folder.resolve(code + " - no spoiler found.txt");
    if (!folder.contains(name)) {
        std::ofstream create(base::nativePath(folder.path(name)), std::ios::app);
        if (!create)
            throw base::RunError(base::err::kFileAccess, "getspoilerpics",
                                 "Cannot create '" + folder.path(name) + "'");
        folder.added(name);
    }
    WriteDebug(folder.path(name) + " created.");
}

bool throttled(const FetchResult& answer) {
    return answer.status == 429 || base::containsNoCase(answer.finalUrl, "/error/throttled.aspx");
}

// The cache page, asked again after a pause while the site throttles: as long as its
// Retry-After says (at most kMaxThrottleWait), else 1, 2, 4 and 8 minutes. Empty when it
// did not arrive; when the site still throttles after the last pause, or Stop ended a
// pause, the run stops as Stop stops it.
std::string fetchCachePage(const ScrapeContext& context, const std::string& address) {
    constexpr int kWaits[] = {60, 120, 240, 480};
    constexpr int kMaxThrottleWait = 900;
    shell::RunLink& run = context.run;
    for (int pause = 0;; ++pause) {
        FetchResult answer = context.fetch.fetch(address, DataType::Text);
        if (!throttled(answer))
            return std::move(answer.body);
        if (!run.active())
            return {};
        if (pause == static_cast<int>(std::size(kWaits))) {
            WriteDebug("Throttled: giving up");
            run.stopRun(run.tr("The site is throttling requests: the run stops here"));
            run.warn(run.tr("The site is throttling requests. Please try again later."));
            return {};
        }
        const long long asked = answer.retryAfter ? answer.retryAfter->count() : kWaits[pause];
        const int seconds = static_cast<int>(std::clamp<long long>(asked, 1, kMaxThrottleWait));
        WriteDebug("Throttled: waiting " + std::to_string(seconds) + " seconds");
        context.pacing.countDown(seconds, run.tr("(Throttled: waiting %s seconds)"));
    }
}

} // namespace

int getspoilerpics(ScrapeCall& call, const ScrapeContext& context) {
    std::string workingCode = call.code;
    if (call.options.forceGC && workingCode.size() > 5)
        workingCode = "GC" + workingCode.substr(2);
    call.cacheName.clear();
    call.pageAvailable = false;
    call.newPictures = 0;
    shell::OrderedWorkers serial(1);
    if (!call.workers)
        call.workers = &serial;
    Storage s{context, call, *call.folder, -1, {}, {}, 0, 0};
    int result = 0;
    try {
        context.pacing.beforePageRequest();
        const std::string pageAddress = "http://" + context.endpoints.cachePageHost +
                                        "/seek/cache_details.aspx?wp=" + workingCode +
                                        "&Submit6=Find";
        WriteDebug("Opening " + pageAddress);
        const std::string page = fetchCachePage(context, pageAddress);
        WriteDebug(std::to_string(page.size()) + " bytes returned.");
        if (shell::debugLog().enabled())
            errorWordScan(page);
        // What arrived when no cache page did (an error, sign-in or rate-limit page) says
        // nothing about the cache: no name, no pictures, no marker.
        call.pageAvailable = isCachePage(page, workingCode);
        if (!call.pageAvailable) {
            if (!page.empty())
                WriteDebug("Not a cache page");
        } else {
            call.cacheName = findCacheName(page);
            shell::ProgressList& progress = context.run.progress();
            s.line = progress.currentIndex();
            s.rememberedLine = progress.line(s.line);
            CaptionFilter filter(call.applyOnlyWords, call.onlyWords, call.applyIgnoreWords,
                                 call.ignoreWords);
            const Endpoints& e = context.endpoints;
            walkPictureLinks(page, pictureLinkPrefixes(e.imageHost1, e.imageHost2, e.imageHost3),
                             [&](const std::string& link, const std::string& caption) {
                                 const std::string kept = filter.judge(caption, link);
                                 if (!kept.empty())
                                     storePicture(s, kept, link);
                             });
            // A picture that did not arrive is not "no spoilers": leave the cache for next
            // time. In turn with the pictures stored before, as every file is written.
            if (s.count == 0 && page.size() > 1000 && s.failedDownloads == 0)
                call.workers->submit(nullptr, [&folder = s.folder, code = call.code] {
                    createMarker(folder, code);
                });
        }
        result = s.count;
        call.failedDownloads = s.failedDownloads;
    } catch (const base::RunError& e) {
        call.workers->abandon(); // nothing that was still to be stored is, after a failure
        WriteDebug("Error: " + e.description());
        context.run.warn(e.description());
        result = -1;
    }
    WriteDebug(std::to_string(s.count) + " spoilers found for waypoint '" + workingCode + "'");
    if (call.workers == &serial)
        call.workers = nullptr;
    return result;
}

} // namespace pixtrail::scrape
