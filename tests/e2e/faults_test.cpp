#include "base/files.hpp"
#include "e2e/cli_folder.hpp"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace fs = std::filesystem;
using namespace pixtrail::testing;

namespace {

// Under AddressSanitizer every allocation carries its shadow and red zones.
#if defined(__SANITIZE_ADDRESS__)
constexpr long kMemoryBoundKiB = 400 * 1024;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr long kMemoryBoundKiB = 400 * 1024;
#else
constexpr long kMemoryBoundKiB = 160 * 1024;
#endif
#else
constexpr long kMemoryBoundKiB = 160 * 1024;
#endif

Fault fault(Fault::Kind kind, int times = -1) {
    Fault f;
    f.kind = kind;
    f.times = times;
    return f;
}

Fault status(int code, const std::string& retryAfter = "", int times = -1) {
    Fault f = fault(Fault::Kind::Status, times);
    f.status = code;
    f.size = 5000; // a long error, sign-in or maintenance page
    f.retryAfter = retryAfter;
    return f;
}

std::string readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Whole runs of pixtrail-cli against a site that misbehaves in one way per cache. With a
// short transfer limit every run ends in seconds; none may leave a marker for a page that
// did not arrive, a half picture, or an empty one, and each such cache is reported.
class Faults : public CliFolder {
protected:
    std::string page(const std::string& code, const std::string& picture) {
        return "<html><head><title>" + code + " A cache</title></head><body>" +
               std::string(1200, ' ') + "<li><a href=\"" + site.url(picture) +
               "\" rel=\"lightbox\">Spoiler</a></li>"
               "<span>end</span><h2>Logged Visits</h2></body></html>";
    }
    static std::string target(const std::string& code) {
        return "/seek/cache_details.aspx?wp=" + code + "&Submit6=Find";
    }

    ProgramResult run(const std::vector<std::string>& codes, const std::string& extra = "",
                      bool debug = false) {
        std::string gpx;
        for (const std::string& c : codes)
            gpx += "<wpt><name>" + c + "</name></wpt>\r\n";
        dir.write("caches.gpx", gpx);
        writeSettings("onlysummary=0\r\ndohtml=0\r\nshrinkpics=0\r\n" + extra, "timeout=3\r\n");
        std::vector<std::string> args{"-a"};
        if (debug)
            args.push_back("--debug");
        return runProgram(exe, args, options(std::chrono::seconds(90)));
    }

    // The folder's files as a user sees them (the program's hidden notes left out).
    std::vector<std::string> spoilers() {
        std::vector<std::string> names;
        for (const std::string& n : pixtrail::base::listFiles(dir.file("spoilers"), "*"))
            if (n.rfind(".pixtrail-", 0) != 0)
                names.push_back(n);
        return names;
    }
    long requestsFor(const std::string& target) {
        const auto seen = site.targets();
        return std::count(seen.begin(), seen.end(), target);
    }
};

} // namespace

TEST_F(Faults, PagesThatDoNotArriveAreReportedAndLeaveNoMarker) {
    const std::vector<std::string> lost = {"GC1STAL", "GC2RSET", "GC3E500", "GC4E404",
                                           "GC5LOOP", "GC6MUTE", "GC7SIGN"};
    for (const std::string& c : lost)
        site.serve(target(c), page(c, "/cache/x.jpg"));
    Fault stall = fault(Fault::Kind::StallMidBody);
    stall.delay = std::chrono::seconds(30);
    site.setFault(target("GC1STAL"), stall);
    site.setFault(target("GC2RSET"), fault(Fault::Kind::ResetMidBody));
    site.setFault(target("GC3E500"), status(500));
    site.setFault(target("GC4E404"), status(404));
    site.setFault(target("GC5LOOP"), fault(Fault::Kind::RedirectLoop));
    site.setFault(target("GC6MUTE"), fault(Fault::Kind::NeverAnswer));
    site.setFault(target("GC7SIGN"), status(200)); // a sign-in page answered with 200
    // Throttled for a while, in both ways the site throttles; then the pages arrive.
    site.serve(target("GC8SLOW"), page("GC8SLOW", "/cache/none.jpg"));
    site.setFault(target("GC8SLOW"), status(429, "1", 2));
    site.serve(target("GC9REDR"), page("GC9REDR", "/cache/none.jpg"));
    Fault throttle = fault(Fault::Kind::Redirect, 1);
    throttle.location = site.url("/error/throttled.aspx?aspxerrorpath=/seek/cache_details.aspx");
    site.setFault(target("GC9REDR"), throttle);
    site.setFault("/error/throttled.aspx?aspxerrorpath=/seek/cache_details.aspx", status(200, "1"));
    site.serve("/cache/none.jpg", readFile(PIXTRAIL_SOURCE_DIR "/demo/site/cache/bridge-a.jpg"),
               "image/jpeg");

    std::vector<std::string> codes = lost;
    codes.insert(codes.end(), {"GC8SLOW", "GC9REDR"});
    const ProgramResult r = run(codes, "", true);
    EXPECT_EQ(r.exitCode, 4) << r.err;
    for (const std::string& c : lost)
        EXPECT_NE(r.out.find(c + " page not available\n"), std::string::npos) << c;
    EXPECT_NE(r.out.find("GC8SLOW 1 spoilers\nGC9REDR 1 spoilers\n"), std::string::npos);
    EXPECT_EQ(requestsFor(target("GC8SLOW")), 3);
    EXPECT_EQ(spoilers(),
              (std::vector<std::string>{"GC8SLOW - Spoiler.jpg", "GC9REDR - Spoiler.jpg"}));
    EXPECT_NE(dir.read("log.txt").find("\r\n7 caches could not be completed\r\nFinished: "),
              std::string::npos);
    const std::string trace = dir.read("debug.txt");
    EXPECT_NE(trace.find(" Throttled: waiting 1 seconds\r\n"), std::string::npos);

    // The next run asks for each lost page again.
    site.clearRequests();
    run(codes);
    for (const std::string& c : lost)
        EXPECT_GE(requestsFor(target(c)), 1) << c;
    EXPECT_EQ(requestsFor(target("GC8SLOW")), 0);
}

TEST_F(Faults, ASiteThatKeepsThrottlingEndsTheRunAsStopDoes) {
    site.serve(target("GC1THRO"), page("GC1THRO", "/cache/x.jpg"));
    site.setFault(target("GC1THRO"), status(429, "1"));
    site.serve(target("GC2NEXT"), page("GC2NEXT", "/cache/x.jpg"));
    dir.write("spoilers/GC9OLD - x.jpg", "an old cache's picture");

    const ProgramResult r = run({"GC1THRO", "GC2NEXT"}, "delunused=1\r\n");
    EXPECT_EQ(r.exitCode, 4) << r.err;
    EXPECT_EQ(r.out, "GC1THRO page not available\n"
                     "The site is throttling requests: the run stops here\n");
    EXPECT_NE(r.err.find("The site is throttling requests."), std::string::npos);
    EXPECT_EQ(requestsFor(target("GC1THRO")), 5); // the request and four retries
    EXPECT_EQ(requestsFor(target("GC2NEXT")), 0);
    EXPECT_TRUE(dir.exists("spoilers/GC9OLD - x.jpg")); // a stopped run deletes nothing
}

TEST_F(Faults, PicturesThatAreTooBigBrokenCutShortOrNotPicturesAreNotStored) {
    const std::string jpeg = readFile(PIXTRAIL_SOURCE_DIR "/demo/site/cache/bridge-a.jpg");
    const std::vector<std::string> codes = {"GC1HUGE", "GC2HTML", "GC3TRNC",
                                            "GC4GOOD", "GC5CUTS", "GC6WHOL"};
    for (const std::string& c : codes) {
        site.serve(target(c), page(c, "/cache/" + c + ".jpg"));
        site.serve("/cache/" + c + ".jpg", jpeg, "image/jpeg");
    }
    Fault huge = fault(Fault::Kind::Oversized);
    huge.size = std::size_t{200} << 20;
    site.setFault("/cache/GC1HUGE.jpg", huge);
    site.serve("/cache/GC2HTML.jpg", "<html>Please sign in to see this picture</html>");
    site.setFault("/cache/GC3TRNC.jpg", fault(Fault::Kind::Truncated));
    Fault cut = fault(Fault::Kind::Unannounced);
    cut.size = jpeg.size() - 100; // the connection broke; no length could show it
    site.setFault("/cache/GC5CUTS.jpg", cut);
    site.setFault("/cache/GC6WHOL.jpg", fault(Fault::Kind::Unannounced));
    // A link that is no picture's is stored as it comes.
    site.serve(target("GC7TEXT"), page("GC7TEXT", "/cache/notes.htm"));
    site.serve("/cache/notes.htm", "<p>the final is under the bridge</p>");

    std::vector<std::string> all = codes;
    all.push_back("GC7TEXT");
    const ProgramResult r = run(all);
    EXPECT_EQ(r.exitCode, 4) << r.err;
    EXPECT_EQ(spoilers(),
              (std::vector<std::string>{"GC4GOOD - Spoiler.jpg", "GC6WHOL - Spoiler.jpg",
                                        "GC7TEXT - Spoiler.htm"}));
    EXPECT_TRUE(dir.read("spoilers/GC6WHOL - Spoiler.jpg") == jpeg);
    for (const char* c : {"GC1HUGE", "GC2HTML", "GC3TRNC", "GC5CUTS"})
        EXPECT_NE(r.out.find(std::string(c) + " 0 spoilers, 1 failed\n"), std::string::npos) << c;
    EXPECT_LT(r.peakKiB, kMemoryBoundKiB); // the 200 MiB picture was cut at the 64 MiB cap
    for (const std::string& name : pixtrail::base::listFiles(dir.file("spoilers"), "*"))
        EXPECT_FALSE(pixtrail::base::isAtomicWriteTemporary(name));

    // The next run tries the failed pictures again: nothing marked them done.
    site.clearRequests();
    run(all);
    EXPECT_EQ(requestsFor("/cache/GC5CUTS.jpg"), 1);
    EXPECT_EQ(requestsFor("/cache/GC6WHOL.jpg"), 0);
}
