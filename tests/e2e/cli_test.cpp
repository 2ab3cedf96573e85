#include "base/files.hpp"
#include "e2e/cli_folder.hpp"

#include <algorithm>
#include <filesystem>

namespace fs = std::filesystem;
using namespace pixtrail::testing;

namespace {

// Caches done by an earlier run are in the folder: these runs need no cache page.
class CliTest : public CliFolder {
protected:
    void SetUp() override {
        dir.write("spoilers/GC1A2B3 - no spoiler found.txt", "");
        dir.write("spoilers/GC22222 - Spoiler 1.jpg", "jpeg");
        dir.write("spoilers/GC12AB - no spoiler found.txt", "");
        dir.write("caches.gpx", "<gpx>\r\n<wpt><name>GC1A2B3</name></wpt>\r\n"
                                "<wpt><name>GC22222</name></wpt>\r\n</gpx>\r\n");
        writeSettings(kQuietFolder);
    }
    static constexpr const char* kQuietFolder = "onlysummary=0\r\ndelunused=0\r\n";
};

} // namespace

TEST_F(CliTest, AnUnattendedRunPrintsItsLinesAndWritesItsLog) {
    const ProgramResult r = run({"-a"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "GC1A2B3 no spoilers found\nGC22222 spoilers already downloaded\n");
    EXPECT_EQ(r.err, "");
    const std::string log = dir.read("log.txt");
    EXPECT_NE(log.find("\r\nGC1A2B3 no spoilers found\r\nGC22222 spoilers already downloaded\r\n"
                       "Finished: "),
              std::string::npos);
    EXPECT_EQ(log.find("waypoints processed"), std::string::npos);
    ASSERT_FALSE(site.requests().empty());
    EXPECT_EQ(site.requests().front().target, "/");
    EXPECT_NE(site.requests().front().userAgent.find("Pixtrail"), std::string::npos);
    EXPECT_FALSE(dir.exists("debug.txt"));
}

TEST_F(CliTest, AnAttendedRunPrintsTotalsAndTheDebugSwitchWritesATrace) {
    const ProgramResult r = run({"--debug", dir.file("pixtrail.ini")});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(
        r.out.find(
            "GC22222 spoilers already downloaded\n2 waypoints processed\n0 pictures downloaded\n"
            "0 files deleted\n"),
        std::string::npos);
    const std::string trace = dir.read("debug.txt");
    EXPECT_EQ(trace.rfind("Pixtrail Debug file ", 0), 0u);
    EXPECT_NE(trace.find(" Processing waypoint 'GC1A2B3'\r\n"), std::string::npos);
}

TEST_F(CliTest, AWaypointFileOnTheCommandLineIsUsedInsteadOfTheSavedOne) {
    dir.write("other.gpx", "GC12AB\r\n");
    const ProgramResult r = run({"-a", dir.file("other.gpx")});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "GC12AB no spoilers found\n");
    // The saved setting is untouched.
    EXPECT_NE(dir.read("pixtrail.ini").find("Waypointfile=" + dir.file("caches.gpx")),
              std::string::npos);
}

TEST_F(CliTest, FailedChecksAndBadCommandLinesHaveTheirExitCodes) {
    ProgramResult r = run({"--frobnicate"});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_NE(r.err.find("unknown option"), std::string::npos);

    r = run({"-a", dir.file("\xE6\x97\xA5\xE6\x9C\xAC.gpx")}); // a name the code page cannot spell
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_NE(r.err.find("cannot use in a path"), std::string::npos);

    r = run({"-a", dir.file("missing.ini")});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_NE(r.err.find("cannot read the settings file"), std::string::npos);

    // A missing folder without a terminal to ask: the question is shown, answered No.
    dir.write("caches.gpx", "<gpx/>\r\n");
    writeSettings(kQuietFolder, "", "new-folder");
    r = run({});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("Do you wish to create it ?\nNo"), std::string::npos);
    EXPECT_FALSE(dir.exists("new-folder"));

    // Unattended, it is created.
    r = run({"-a"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_TRUE(dir.exists("new-folder"));

    // Nobody listening where the site should be.
    int deadPort = 0;
    {
        FixtureSite gone;
        deadPort = gone.port();
    }
    writeSettings(kQuietFolder, "", "spoilers", "127.0.0.1:" + std::to_string(deadPort));
    r = run({"-a"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, "Cannot connect to the internet !\n");
    EXPECT_EQ(r.out, "");
}

TEST_F(CliTest, ASyncDownloadsSpoilersFromTheSiteAndSkipsThemNextTime) {
    dir.write("caches.gpx", "<wpt><name>GC5PX7Q</name></wpt>\r\n");
    const std::string page = "<html><head><title>GC5PX7Q The Weir</title></head><body>" +
                             std::string(1200, ' ') + "<li><a href=\"http://" + site.host() +
                             "/cache/large/weir.png\" rel=\"lightbox\">Spoiler weir</a></li>"
                             "<li><a href=\"http://" +
                             site.host() +
                             "/cache/large/gone.png\" rel=\"lightbox\">Spoiler gone</a></li>"
                             "<span>end</span><h2>Logged Visits</h2></body></html>";
    site.serve("/seek/cache_details.aspx?wp=GC5PX7Q&Submit6=Find", page);
    const std::string picture("\x89PNG\r\n\x1a\n picture bytes", 22);
    site.serve("/cache/large/weir.png", picture, "image/png");

    ProgramResult r = run({"-a"});
    EXPECT_EQ(r.exitCode, 4) << r.err;
    EXPECT_EQ(r.out, "GC5PX7Q 1 spoilers, 1 failed\n");
    EXPECT_EQ(dir.read("spoilers/GC5PX7Q - Spoiler weir.png"), picture);
    EXPECT_FALSE(dir.exists("spoilers/GC5PX7Q - Spoiler gone.png"));
    const auto targets = site.targets();
    EXPECT_EQ(std::count(targets.begin(), targets.end(), "/gone_l.png"), 1); // the retry
    EXPECT_NE(dir.read("spoilers/GC5PX7Q.html").find("<title>GC5PX7Q -  The Weir</title>"),
              std::string::npos);

    // The picture that did not arrive is tried again next time; the other is not fetched.
    site.clearRequests();
    r = run({"-a"});
    EXPECT_EQ(r.out, "GC5PX7Q 1 spoilers, 1 failed\n");
    EXPECT_EQ(site.targets(),
              (std::vector<std::string>{"/", "/seek/cache_details.aspx?wp=GC5PX7Q&Submit6=Find",
                                        "/cache/large/gone.png", "/gone_l.png"}));
    site.serve("/cache/large/gone.png", picture, "image/png");
    r = run({"-a"});
    EXPECT_EQ(r.out, "GC5PX7Q 2 spoilers\n");

    // Complete now: skipped without a request.
    site.clearRequests();
    r = run({"-a"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "GC5PX7Q spoilers already downloaded\n");
    EXPECT_EQ(site.targets(), std::vector<std::string>{"/"}); // only the probe
}

TEST_F(CliTest, CtrlCStopsLikeTheStopButton) {
    std::string gpx;
    for (const char* code : {"GC3AAAA", "GC3BBBB", "GC3CCCC", "GC3DDDD"}) {
        gpx += std::string("<wpt><name>") + code + "</name></wpt>\r\n";
        site.serve(std::string("/seek/cache_details.aspx?wp=") + code + "&Submit6=Find",
                   std::string("<html><head><title>") + code + "</title></head></html>");
    }
    dir.write("caches.gpx", gpx);
    dir.write("spoilers/GC9ZZZZ - old.jpg", "x");
    std::string ini = dir.read("pixtrail.ini");
    ini.replace(ini.find("delay=0"), 7, "delay=2");
    ini.replace(ini.find("delunused=0"), 11, "delunused=1");
    dir.write("pixtrail.ini", ini);

    RunOptions ctrlC = options();
    ctrlC.interruptAfterLines = 1;
    const ProgramResult r = runProgram(exe, {"-a"}, ctrlC);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    // Ctrl-C came during the wait before the second page; that cache is still finished.
    EXPECT_EQ(r.out,
              "GC3AAAA no spoilers found\nGC3BBBB no spoilers found\nStopping in progress\n");
    EXPECT_TRUE(dir.exists("spoilers/GC9ZZZZ - old.jpg")); // a stopped run deletes nothing
    EXPECT_NE(dir.read("log.txt").find("Stopping in progress"), std::string::npos);
}

TEST_F(CliTest, CtrlCGivesUpATransferThatHasStalled) {
    dir.write("caches.gpx",
              "<wpt><name>GC3AAAA</name></wpt>\r\n<wpt><name>GC3BBBB</name></wpt>\r\n");
    Fault mute;
    mute.kind = Fault::Kind::NeverAnswer;
    site.setFault("/seek/cache_details.aspx?wp=GC3AAAA&Submit6=Find", mute);
    RunOptions ctrlC = options();
    ctrlC.interruptAfter = std::chrono::milliseconds(1500);
    const ProgramResult r = runProgram(exe, {"-a"}, ctrlC);
    EXPECT_EQ(r.exitCode, 4) << r.err; // the cache could not be completed
    EXPECT_EQ(r.out, "GC3AAAA page not available\nStopping in progress\n");
    EXPECT_LT(r.wallSeconds, 12); // not the transfer's time-out of ten minutes
    EXPECT_TRUE(dir.exists("spoilers/.pixtrail-incomplete-GC3AAAA.part"));
}
