#include "base/files.hpp"
#include "e2e/cli_folder.hpp"

#include <filesystem>

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

Fault fault(Fault::Kind kind) {
    Fault f;
    f.kind = kind;
    return f;
}

// Whole runs of pixtrail-cli against a site that misbehaves in one way per cache. With a
// short transfer limit every run ends in seconds; none may leave a marker for a page that
// did not arrive, a half picture, or an empty one.
class Faults : public CliFolder {
protected:
    static std::string page(const std::string& picture) {
        return "<html><head><title>GC00000 A cache</title></head><body>" + std::string(1200, ' ') +
               "<li><a href=\"" + picture +
               "\" rel=\"lightbox\">Spoiler</a></li>"
               "<span>end</span><h2>Logged Visits</h2></body></html>";
    }
    static std::string target(const std::string& code) {
        return "/seek/cache_details.aspx?wp=" + code + "&Submit6=Find";
    }

    ProgramResult run(const std::vector<std::string>& codes) {
        std::string gpx;
        for (const std::string& c : codes)
            gpx += "<wpt><name>" + c + "</name></wpt>\r\n";
        dir.write("caches.gpx", gpx);
        writeSettings("onlysummary=0\r\ndohtml=0\r\nshrinkpics=0\r\n", "timeout=3\r\n");
        return runProgram(exe, {"-a"}, options(std::chrono::seconds(90)));
    }

    // The folder's files as a user sees them (the program's hidden notes left out).
    std::vector<std::string> spoilers() {
        std::vector<std::string> names;
        for (const std::string& n : pixtrail::base::listFiles(dir.file("spoilers"), "*"))
            if (n.rfind(".pixtrail-", 0) != 0)
                names.push_back(n);
        return names;
    }
};

} // namespace

TEST_F(Faults, PagesThatDoNotArriveLeaveNoMarker) {
    const std::vector<std::string> codes = {"GC1STAL", "GC2RSET", "GC3E500",
                                            "GC4E429", "GC5LOOP", "GC6MUTE"};
    for (const std::string& c : codes)
        site.serve(target(c), page(site.url("/cache/x.jpg")));
    Fault stall = fault(Fault::Kind::StallMidBody);
    stall.delay = std::chrono::seconds(30);
    site.setFault(target("GC1STAL"), stall);
    site.setFault(target("GC2RSET"), fault(Fault::Kind::ResetMidBody));
    Fault error = fault(Fault::Kind::Status);
    error.status = 500;
    error.size = 5000; // a long maintenance page
    site.setFault(target("GC3E500"), error);
    Fault busy = error;
    busy.status = 429;
    busy.retryAfter = "1";
    site.setFault(target("GC4E429"), busy);
    site.setFault(target("GC5LOOP"), fault(Fault::Kind::RedirectLoop));
    site.setFault(target("GC6MUTE"), fault(Fault::Kind::NeverAnswer));

    const ProgramResult r = run(codes);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    for (const std::string& c : codes)
        EXPECT_NE(r.out.find(c + " no spoilers found"), std::string::npos) << c;
    EXPECT_TRUE(spoilers().empty()); // no marker, no picture
    EXPECT_NE(dir.read("log.txt").find("Finished: "), std::string::npos);
}

TEST_F(Faults, PicturesThatAreTooBigBrokenOrNotPicturesAreNotStored) {
    const std::vector<std::string> codes = {"GC1HUGE", "GC2HTML", "GC3TRNC", "GC4GOOD"};
    for (const std::string& c : codes)
        site.serve(target(c), page(site.url("/cache/" + c + ".jpg")));
    Fault huge = fault(Fault::Kind::Oversized);
    huge.size = std::size_t{200} << 20;
    site.setFault("/cache/GC1HUGE.jpg", huge);
    site.serve("/cache/GC2HTML.jpg", "<html>Please sign in to see this picture</html>");
    site.serve("/cache/GC3TRNC.jpg", std::string("\xFF\xD8\xFF\xE0", 4) + std::string(100000, 'j'));
    site.setFault("/cache/GC3TRNC.jpg", fault(Fault::Kind::Truncated));
    site.serve("/cache/GC4GOOD.jpg", std::string("\xFF\xD8\xFF\xE0", 4) + "fine");

    const ProgramResult r = run(codes);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(spoilers(), std::vector<std::string>{"GC4GOOD - Spoiler.jpg"});
    EXPECT_NE(r.out.find("GC1HUGE no spoilers found"), std::string::npos);
    EXPECT_LT(r.peakKiB, kMemoryBoundKiB); // the 200 MiB picture was cut at the 64 MiB cap
    // The caches whose pictures did not arrive are noted as unfinished.
    EXPECT_TRUE(dir.exists("spoilers/.pixtrail-incomplete-GC2HTML.part"));
    EXPECT_FALSE(dir.exists("spoilers/.pixtrail-incomplete-GC4GOOD.part"));
    for (const std::string& name : spoilers())
        EXPECT_FALSE(pixtrail::base::isAtomicWriteTemporary(name));

    // The next run tries the failed pictures again: nothing marked them done.
    site.clearRequests();
    run(codes);
    const auto seen = site.targets();
    EXPECT_NE(std::find(seen.begin(), seen.end(), "/cache/GC2HTML.jpg"), seen.end());
}
