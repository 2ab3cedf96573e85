#include "base/text.hpp"
#include "support/golden.hpp"
#include "support/run_fixture.hpp"

#include <filesystem>
#include <fstream>
#include <iterator>

using namespace pixtrail;
using pixtrail::testing::RunTest;
using shell::MessageKind;
using sync::RunOutcome;
namespace fs = std::filesystem;

namespace {

using Names = std::vector<std::string>;
const std::string kPage = "http://www.geocaching.com/seek/cache_details.aspx?wp=";

std::string demoFile(const std::string& relative) {
    std::ifstream in(PIXTRAIL_SOURCE_DIR "/demo/site/" + relative, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

std::string pictureLink(const std::string& url, const std::string& caption) {
    return "<li><a href=\"" + url + "\" rel=\"lightbox\">" + caption + "</a></li>";
}

// Runs of the real scrape over an in-memory web, with a waypoint file of every kind of line
// and a spoiler folder that earlier runs and the user have filled.
class Sync : public RunTest {
protected:
    void SetUp() override {
        RunTest::SetUp();
        getspoilerpics = realScrape();
        dir.write("caches.gpx",
                  "\xEF\xBB\xBF<?xml version=\"1.0\"?>\r\n<gpx><name>My pocket query</name>\r\n"
                  "<wpt><name>GC1A2B3</name></wpt>\r\n"
                  "<wpt><name><![CDATA[GC22222]]></name></wpt>\r\n"
                  "<waypoint><name id=\"GC33333\"><![CDATA[Harbour]]></name></waypoint>\n"
                  "  gc44444 \n<wpt><name>TS1234</name></wpt>\r\n<wpt><name>1234</name>\r\n"
                  "<wpt><name>GC55555</name></wpt>\r\n<wpt><name>a/b</name></wpt>\r\n"
                  "<wpt><name>GC11111</name></wpt><wpt><name>GC99999</name></wpt>\r"
                  "<wpt><name>GC1A2B34</name></wpt>\r\n<wpt><name>../x</name></wpt>\r\n"
                  "<wpt><name>GC66666</name></wpt>\r\n");
        for (const auto& [name, content] : std::vector<std::pair<std::string, std::string>>{
                 {"gc1a2b3 - spoiler 1.jpg", demoFile("cache/large/mill-view.jpg")},
                 {"GC22222 - map.gif", demoFile("cache/large/trail-map.gif")},
                 {"GC22222 - no spoiler found.txt", ""}, // a marker wins over a picture
                 {"GC22222.html", "<html><head></head><body>no title</body></html>\r\n"},
                 {"GC44444.txt", "no space after the code: no marker"},
                 {"GC111112 - longer code.jpg", "x"},
                 {"GC66666 - Spoiler #2 100%.jpg", demoFile("cache/large/bench.jpg")},
                 {"no spoiler found.txt", "GC33333\r\n../escaped"}, // edited: no last line end
                 {"GC99999 - a.jpg", "x"},
                 {"GC99999 - b.png", "x"},
                 {"GC99999.html", "x"},
                 {"holiday-photo.jpg", "the user's own"},
                 {"notes.txt", "the user's own"},
                 {"TS1234 - x.jpg", "x"},
                 {"GC1A2B34 - longer.jpg", "x"},
                 {".pixtrail-incomplete-GC1A2B3.part", ""}, // killed while storing
                 {".pixtrail-incomplete-GC77777.part", ""},
                 {".pixtrail-0123456789.tmp", "half"}})
            spoiler(name, content);
        const std::string img = "http://img.geocaching.com/cache/large/";
        // A page of today with every kind of picture link and caption.
        web.responses[kPage + "GC1A2B3&Submit6=Find"] =
            pixtrail::testing::testData("sync/GC1A2B3.html");
        web.responses[img + "hint.JPEG"] = demoFile("cache/large/mill-final.jpg");
        web.responses["http://img.geocaching.com/cache/tj.jpg"] = demoFile("cache/bridge-b.jpg");
        web.responses["http://imgcdn.geocaching.com/cache/large/map.png"] =
            demoFile("cache/large/lighthouse-spoiler.png");
        web.responses["http://imgcdn.geocaching.com/cdn_l.jpg"] = demoFile("cdn/chapel_l.jpg");
        web.responses[img + "login.jpg"] = "<html>Please sign in</html>";
        web.responses[kPage + "GC44444&Submit6=Find"] =
            "<title>GC44444 Harbour</title>" + std::string(1200, ' ');
        web.responses[kPage + "GC55555&Submit6=Find"] =
            "<title>Sign in</title>" + std::string(1200, ' ');
        web.responses[kPage + "GC11111&Submit6=Find"] = "<title>GC11111 Short</title>";
        session.window.setText("txtOnlyWords", " hint ");
        session.window.setText("txtIgnoreWords", "blur");
        shell::debugLog().setEnabled(true);
    }

    std::string state() const { return withoutFolder(folderState()); }
    std::string withoutFolder(const std::string& text) const {
        std::string out =
            base::replaceAll(base::replaceAll(text, base::ansiPath(dir.path()), "<dir>"),
                             shell::versionText(), "<version>");
        // One record for both platforms: the paths in it with "/".
        return base::kPathSeparator == '/' ? out : base::replaceAll(out, "\\", "/");
    }
};

} // namespace

// The whole of a run at the seams a user sees: the progress lines and totals in log.txt,
// the folder's files, the pages, the summary and every step in debug.txt; the same whether
// the pictures are shrunk one after the other or by four workers.
class SyncWith : public Sync, public ::testing::WithParamInterface<int> {};
INSTANTIATE_TEST_SUITE_P(Workers, SyncWith, ::testing::Values(1, 4));

TEST_P(SyncWith, ARunAndTheNextMatchTheirRecords) {
    session.workers = GetParam();
    EXPECT_EQ(run(), RunOutcome::Incomplete);
    pixtrail::testing::expectGolden("sync/first-run.log", withoutFolder(dir.read("log.txt")));
    pixtrail::testing::expectGolden("sync/first-run.folder", state());
    pixtrail::testing::expectGolden("sync/first-run.trace", withoutFolder(dir.read("debug.txt")));

    // The next run skips what is done and asks only for what is not.
    web.requests.clear();
    EXPECT_EQ(run(), RunOutcome::Incomplete);
    pixtrail::testing::expectGolden("sync/second-run.log", withoutFolder(dir.read("log.txt")));
    pixtrail::testing::expectGolden("sync/second-run.trace", withoutFolder(dir.read("debug.txt")));
    pixtrail::testing::expectGolden("sync/second-run.folder", state());
}

// Checks of what was typed end a run before anything is read or written; from the first
// request on the run shows the busy pointer and Stop until a check has ended it.
TEST_F(RunTest, EveryCheckEndsTheRunWithItsMessageAndNoLog) {
    dir.write("log.txt", "previous log");
    auto expectEnded = [&](const std::string& message, bool requested = false) {
        frontend.messages.clear();
        frontend.busy.clear();
        frontend.runButtons.clear();
        EXPECT_EQ(run(), RunOutcome::EndedAtCheck) << message;
        EXPECT_EQ(warnings(), Names{message});
        EXPECT_EQ(dir.read("log.txt"), "previous log");
        const std::vector<bool> shown =
            requested ? std::vector<bool>{true, false} : std::vector<bool>{};
        EXPECT_EQ(frontend.busy, shown) << message;
        EXPECT_EQ(frontend.runButtons, shown) << message;
    };
    session.window.setText("txtWpFile", "   ");
    expectEnded("Please choose a waypoint file to open !");
    session.window.setText("txtWpFile", dir.file("caches.gpx"));
    session.window.setText("txtSpoilerFolder", "  ");
    expectEnded("Please choose a folder location to store spoiler pics");
    session.window.setText("txtSpoilerFolder", spoilers);
    web.responses.clear(); // offline
    expectEnded("Cannot connect to the internet !", true);
    EXPECT_EQ(web.limits.back(), std::chrono::seconds(15)); // the check has a short limit
    web.responses["http://www.geocaching.com/"] = "<html/>";
    session.window.setText("txtWpFile", dir.file("missing.gpx"));
    expectEnded("Waypoint file not found !", true);

    // A missing folder that cannot be made: asked again with the reason; in unattended runs
    // refused at once, and made without a question where it can be.
    session.window.setText("txtWpFile", dir.file("caches.gpx"));
    dir.write("blocker", "a file where a folder should go");
    session.window.setText("txtSpoilerFolder", dir.file("blocker/spoilers"));
    frontend.answers = {true, false};
    EXPECT_EQ(run(), RunOutcome::EndedAtCheck);
    ASSERT_EQ(frontend.questions.size(), 2u);
    EXPECT_EQ(frontend.questions[1].substr(0, frontend.questions[1].find("\r\n")),
              "Cannot create the spoiler folder " + dir.file("blocker/spoilers") +
                  base::kPathSeparator + ": Not a directory");
    session.unattended = true;
    frontend.messages.clear();
    EXPECT_EQ(run(), RunOutcome::EndedAtCheck);
    EXPECT_EQ(warnings().size(), 1u);
    session.window.setText("txtSpoilerFolder", dir.file("new/deeper"));
    EXPECT_EQ(run(), RunOutcome::Finished);
    EXPECT_TRUE(base::directoryExists(dir.file("new/deeper")));
    EXPECT_EQ(frontend.questions.size(), 2u);
    EXPECT_EQ(dir.read("log.txt").find("waypoints processed"), std::string::npos); // no totals
}

TEST_F(RunTest, NumbersAreBroughtIntoRangeAndTheTextsKeptAsTyped) {
    using Delay = std::pair<std::string, int>;
    for (const auto& [text, seconds] :
         {Delay{"1000", 5}, Delay{"", 0}, Delay{"-1", 5}, Delay{"999", 999}, Delay{"2.5", 2},
          Delay{"12s", 12}, Delay{std::string(40, '9'), 5}, Delay{"-" + std::string(400, '9'), 5}})
        EXPECT_EQ(sync::requestDelayFrom(text), seconds) << text;
    using Size = std::pair<const char*, const char*>;
    for (const auto& [text, normal] : {Size{"5", "100"}, Size{"2500", "2000"}, Size{"0300", "300"},
                                       Size{"abc", "100"}, Size{"10", "10"}})
        EXPECT_EQ(sync::normaliseShrinkSize(text), normal) << text;
    using Share = std::tuple<std::uint64_t, std::uint64_t, int>;
    for (const auto& [position, size, percent] :
         {Share{1, 200, 0}, Share{101, 200, 50}, Share{201, 200, 100}, Share{1, 0, 100},
          Share{5'000'000'001ULL, 10'000'000'000ULL, 50},
          Share{10'000'000'001ULL, 10'000'000'000ULL, 100}})
        EXPECT_EQ(sync::readPercentage(position, size), percent) << position << "/" << size;

    session.window.setText("txtDelay", "1000");
    session.window.setText("txtWidth", "5");
    EXPECT_EQ(run(), RunOutcome::Finished);
    EXPECT_EQ(pacing.requestDelay, 5);
    EXPECT_EQ(text("txtWidth"), "100");
    // The settings were saved as typed, before the checks corrected anything.
    EXPECT_NE(dir.read("pixtrail.ini").find("shrinkwidth=5\r\n"), std::string::npos);
    session.window.setValue("chkResize", 0);
    session.window.setText("txtWidth", "5");
    run();
    EXPECT_EQ(text("txtWidth"), "5");
}

TEST_F(RunTest, StopEndsTheLoopAndTheWaitButTheRunStillFinishes) {
    std::string codes;
    for (int i = 1; i <= 9; ++i)
        codes += "GC" + std::to_string(i) + "AA\n";
    dir.write("caches.gpx", codes);
    spoiler("GC909 - old.jpg");
    session.window.setText("txtDelay", "3");
    getspoilerpics = [&](scrape::ScrapeCall& call) {
        pacing.beforePageRequest(); // as the real scrape does before each page request
        return scraper.bind()(call);
    };
    Names seen; // the current line at every moment the window could paint it
    frontend.onPump = [&] {
        if (frontend.selected < 0)
            return;
        const std::string& line = frontend.lines[frontend.selected];
        if (seen.empty() || seen.back() != line)
            seen.push_back(line);
        if (session.runActive && line == "Processing GC3AA (Sleeping 2 seconds)")
            session.cmdStop_Click();
    };
    EXPECT_EQ(run(), RunOutcome::Finished);
    // The first request since start-up does not wait, later ones count down; Stop ends
    // the wait at the next second, yet that cache is still finished, in its own line.
    EXPECT_EQ(seen, (Names{"GC1AA no spoilers found", "Processing GC2AA (Sleeping 3 seconds)",
                           "Processing GC2AA (Sleeping 2 seconds)",
                           "Processing GC2AA (Sleeping 1 seconds)", "Processing GC2AA",
                           "GC2AA no spoilers found", "Processing GC3AA (Sleeping 3 seconds)",
                           "Processing GC3AA (Sleeping 2 seconds)", "Processing GC3AA",
                           "GC3AA no spoilers found"}));
    EXPECT_EQ(frontend.lines.back(), "Stopping in progress");
    EXPECT_EQ(clock.sleeps().size(), 50u);      // 100 ms steps: 3 seconds, then 2
    EXPECT_TRUE(hasSpoiler("GC909 - old.jpg")); // a stopped run deletes nothing
    EXPECT_NE(dir.read("log.txt").find("Stopping in progress\r\n3 waypoints processed"),
              std::string::npos);
}

TEST_F(RunTest, FailuresEndTheRunOrTheProgramWithoutDamage) {
    // A fault of the web component: the run ends, its log says why and has no totals.
    web.failWithError = true;
    EXPECT_EQ(run(), RunOutcome::EndedByError);
    EXPECT_EQ(warnings(), Names{"The web fetch failed"});
    EXPECT_NE(dir.read("log.txt").find("14:05:09\r\nThe web fetch failed\r\nFinished: "),
              std::string::npos);
    web.failWithError = false;

    // A page write cut off: the old page stays whole, no temporary is left.
    dir.write("caches.gpx", "GC1A2B3\r\n");
    scraper.pictures["GC1A2B3"] = {"GC1A2B3 - new.jpg"};
    scraper.cacheNames["GC1A2B3"] = "The Old Mill";
    const std::string oldPage = "<html><head><title>GC1A2B3 - Mill</title></head></html>\r\n";
    spoiler("GC1A2B3.html", oldPage);
    getspoilerpics = [&](scrape::ScrapeCall& call) {
        const int n = scraper.bind()(call);
        base::failAtomicRenamesForTesting(true);
        return n;
    };
    frontend.messages.clear();
    const RunOutcome outcome = run();
    base::failAtomicRenamesForTesting(false);
    EXPECT_EQ(outcome, RunOutcome::EndedByError);
    EXPECT_EQ(readSpoiler("GC1A2B3.html"), oldPage);
    EXPECT_NE(warnings().at(0).find("GC1A2B3.html"), std::string::npos);
    for (const std::string& name : spoilerFiles())
        EXPECT_FALSE(base::isAtomicWriteTemporary(name)) << name;

    // A fault inside the scrape is shown, and ends the program where it stands.
    dir.write("caches.gpx", "GC77777\r\n");
    getspoilerpics = [&](scrape::ScrapeCall& call) {
        web.failWithError = true;
        return realScrape()(call);
    };
    frontend.messages.clear();
    EXPECT_THROW(run(), base::ProgramEndRequested);
    EXPECT_EQ(warnings(), Names{"The web fetch failed"});
    web.failWithError = false;
    getspoilerpics = scraper.bind();
    dir.write("caches.gpx", "GC11111\r\nGC22222\r\n");
    scraper.results["GC11111"] = -1;
    scraper.calls.clear();
    fs::remove(dir.path() / "log.txt");
    EXPECT_THROW(run(), base::ProgramEndRequested);
    EXPECT_EQ(scraper.codes(), Names{"GC11111"});
    EXPECT_FALSE(dir.exists("log.txt"));
}

// A file that cannot be deleted ends the run naming it, and stays; one the user removed
// while the run went on is no error.
TEST_F(RunTest, AFileThatCannotBeDeletedEndsTheRunNamingIt) {
    const std::pair<std::string, const char*> cases[] = {
        {"GC9ZZZZ - old.jpg", nullptr},              // a cache that left the waypoint file
        {"GC1A2B3.html", "chkDohtml"},               // web pages switched off
        {"GC1A2B3 - no spoiler found.txt", nullptr}, // a marker that goes into the summary
        {"no spoiler found.txt", "chkNoTxt"},        // the summary, unpacked into markers
    };
    for (const auto& [file, unticked] : cases) {
        spoiler(file, "");
        if (unticked)
            tick(unticked, false);
        frontend.messages.clear();
        base::failRemovalForTesting(base::joinPath(spoilers, file));
        const RunOutcome outcome = run();
        base::failRemovalForTesting("");
        EXPECT_EQ(outcome, RunOutcome::EndedByError) << file;
        EXPECT_EQ(warnings(), Names{"Cannot delete '" + base::joinPath(spoilers, file) + "'"})
            << file;
        EXPECT_TRUE(hasSpoiler(file)) << file;
        fs::remove(dir.path() / "spoilers" / file);
        if (unticked)
            tick(unticked, true);
    }
    spoiler("GC9ZZZZ - old.jpg");
    getspoilerpics = [&](scrape::ScrapeCall& call) {
        fs::remove(dir.path() / "spoilers/GC9ZZZZ - old.jpg");
        return scraper.bind()(call);
    };
    EXPECT_EQ(run(), RunOutcome::Finished);
}

TEST_F(RunTest, TheWaypointFileOfTheCommandLineAndForcedCodes) {
    dir.write("other.gpx", "<name>OC12AB3</name>\r\n");
    session.window.setText("txtcmd", "\"" + dir.file("other.gpx") + "\"");
    tick("chkForceGC", true);
    getspoilerpics = realScrape();
    web.responses[kPage + "GC12AB3&Submit6=Find"] =
        "<title>GC12AB3 Mill</title>" + std::string(120, ' ') +
        pictureLink("http://img.geocaching.com/cache/e.jpg", "Spoiler") + "<span></span>";
    web.responses["http://img.geocaching.com/cache/e.jpg"] = demoFile("cache/large/bench.jpg");
    EXPECT_EQ(run(), RunOutcome::Finished);
    EXPECT_EQ(spoilerFiles(), (Names{"index.html", "no spoiler found.txt", "OC12AB3 - Spoiler.jpg",
                                     "OC12AB3.html"}));
    EXPECT_EQ(readSpoiler("no spoiler found.txt"), ""); // written empty, as there are none
}
