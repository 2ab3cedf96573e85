#include "base/folder_index.hpp"
#include "support/run_fixture.hpp"
#include "sync/pacing.hpp"
#include "sync/run_steps.hpp"

#include <filesystem>

using namespace pixtrail;
using pixtrail::testing::RunTest;
using shell::MessageKind;
using sync::RunOutcome;
namespace fs = std::filesystem;

namespace {
using Names = std::vector<std::string>;

class Bookkeeping : public RunTest {
protected:
    /// A waypoint file with one GPX name line per code.
    void codes(const Names& names) {
        std::string gpx;
        for (const std::string& name : names)
            gpx += "<wpt><name>" + name + "</name></wpt>\r\n";
        dir.write("caches.gpx", gpx);
    }
};
} // namespace

TEST_F(Bookkeeping, SkipTestsRunInOrderAndOnlyForTheirOwnCode) {
    codes({"GC1A2B3", "GC22222", "GC33333", "GC1234", "GC55555"});
    spoiler("GC1A2B3 - hint.jpg");
    spoiler("GC1A2B3 - no spoiler found.txt"); // the marker wins over the picture
    spoiler("GC22222 - map.gif");
    spoiler("gc33333 - bench.PNG");       // patterns ignore case
    spoiler("GC12345 - longer code.jpg"); // must not make GC1234 look done
    spoiler("GC55555.txt");               // no space after the code: not a marker
    shell::debugLog().setEnabled(true);
    tick("chkDelUnused", false);
    ASSERT_EQ(run(), RunOutcome::Finished);
    EXPECT_EQ(frontend.lines,
              (Names{"GC1A2B3 no spoilers found", "GC22222 spoilers already downloaded",
                     "GC33333 spoilers already downloaded", "GC1234 no spoilers found",
                     "GC55555 no spoilers found"}));
    EXPECT_EQ(scraper.codes(), (Names{"GC1234", "GC55555"}));
    EXPECT_NE(dir.read("debug.txt")
                  .find("Waypoint ignored - found '" + spoilers + "/" +
                        "GC1A2B3 - no spoiler found.txt'"),
              std::string::npos);

    // A re-check visits every cache, and the scrape gets the word lists it should.
    scraper.calls.clear();
    tick("chkRecheck", true);
    session.window.setText("txtOnlyWords", "  hint  ");
    tick("chkIgnoreNoSpoil", false);
    ASSERT_EQ(run(), RunOutcome::Finished);
    EXPECT_EQ(scraper.codes(), (Names{"GC1A2B3", "GC22222", "GC33333", "GC1234", "GC55555"}));
    const scrape::ScrapeCall& call = scraper.calls.front();
    EXPECT_EQ(call.onlyWords, "spoiler,hint");
    EXPECT_EQ(call.ignoreWords, "no spoil,not spoil,");
    EXPECT_TRUE(call.applyOnlyWords);
    EXPECT_FALSE(call.applyIgnoreWords);
}

TEST_F(Bookkeeping, AFailedScrapeEndsTheProgramWithoutALog) {
    codes({"GC11111", "GC22222"});
    scraper.results["GC11111"] = -1;
    EXPECT_THROW(run(), base::ProgramEndRequested);
    EXPECT_EQ(scraper.codes(), Names{"GC11111"});
    EXPECT_FALSE(dir.exists("log.txt"));
}

TEST_F(Bookkeeping, TheSummaryRoundTripsThroughMarkers) {
    codes({"GC202", "GC101", "GC303"});
    spoiler("GC202 - no spoiler found.txt", "");
    spoiler("GC101 - no spoiler found.txt", "");
    tick("chkNoTxt", true);
    ASSERT_EQ(run(), RunOutcome::Finished);
    EXPECT_EQ(readSpoiler("no spoiler found.txt"), "GC101\r\nGC202\r\n");
    EXPECT_TRUE(base::findFiles(spoilers + "/*- no spoiler found.txt").empty());

    // Next run: unpacked at the start, so both caches are skipped; packed again at the end.
    ASSERT_EQ(run(), RunOutcome::Finished);
    EXPECT_EQ(frontend.lines[0], "GC202 no spoilers found");
    EXPECT_EQ(frontend.lines[1], "GC101 no spoilers found");
    EXPECT_EQ(scraper.codes(), (Names{"GC303", "GC303"}));
    EXPECT_EQ(readSpoiler("no spoiler found.txt"), "GC101\r\nGC202\r\n");

    // Without the option the markers stay as files after unpacking.
    tick("chkNoTxt", false);
    ASSERT_EQ(run(), RunOutcome::Finished);
    EXPECT_FALSE(hasSpoiler("no spoiler found.txt"));
    EXPECT_TRUE(hasSpoiler("GC101 - no spoiler found.txt"));
    EXPECT_TRUE(hasSpoiler("GC202 - no spoiler found.txt"));
}

TEST_F(Bookkeeping, AnEmptySummaryIsWrittenAndHandEditedLinesStayInTheFolder) {
    codes({"GC101"});
    tick("chkNoTxt", true);
    scraper.pictures["GC101"] = {"GC101 - a.jpg"};
    ASSERT_EQ(run(), RunOutcome::Finished);
    EXPECT_TRUE(hasSpoiler("no spoiler found.txt"));
    EXPECT_EQ(readSpoiler("no spoiler found.txt"), "");

    spoiler("no spoiler found.txt", "GC7\n../escaped\nGC8\r\n");
    tick("chkNoTxt", false);
    tick("chkDelUnused", false);
    ASSERT_EQ(run(), RunOutcome::Finished);
    EXPECT_TRUE(hasSpoiler("GC7 - no spoiler found.txt"));
    EXPECT_TRUE(hasSpoiler("GC8 - no spoiler found.txt"));
    EXPECT_FALSE(dir.exists("escaped - no spoiler found.txt"));
    EXPECT_FALSE(hasSpoiler("no spoiler found.txt"));
}

TEST_F(Bookkeeping, CachePagesShowThePicturesAndKeepTheirTitles) {
    codes({"GC1A2B3", "GC909"});
    scraper.pictures["GC1A2B3"] = {"GC1A2B3 - map.gif", "GC1A2B3 - hint.jpg"};
    scraper.cacheNames["GC1A2B3"] = "The Old Mill";
    spoiler("GC1A2B34 - longer code.JPG"); // N + "*.jpg" has no space after the code
    spoiler("GC909 - no spoiler found.txt");
    spoiler("GC909.html", "old page of GC909\r\n");
    ASSERT_EQ(run(), RunOutcome::Finished);
    const std::string page =
        "<html><head><meta charset=\"windows-1252\"><title>GC1A2B3 - The Old "
        "Mill</title></head><body>"
        "<br><a href=\"GC1A2B3 - hint.jpg\"><img src=\"GC1A2B3 - hint.jpg\"></a><br>GC1A2B3 - "
        "hint<br>"
        "<br><a href=\"GC1A2B34 - longer code.JPG\"><img src=\"GC1A2B34 - longer code.JPG\"></a>"
        "<br>GC1A2B34 - longer code<br>"
        "<br><a href=\"GC1A2B3 - map.gif\"><img src=\"GC1A2B3 - map.gif\"></a><br>GC1A2B3 - map<br>"
        "</body></html>\r\n";
    EXPECT_EQ(readSpoiler("GC1A2B3.html"), page);
    EXPECT_EQ(readSpoiler("GC909.html"), "old page of GC909\r\n"); // marker only: left alone

    // Skipped next time: no cache name to offer, so the page keeps its title.
    ASSERT_EQ(run(), RunOutcome::Finished);
    EXPECT_EQ(frontend.lines[0], "GC1A2B3 spoilers already downloaded");
    EXPECT_EQ(readSpoiler("GC1A2B3.html"), page);

    // A skipped cache without a page gets one titled with its code alone.
    codes({"GC1A2B3", "GC909", "GC77777"});
    spoiler("GC77777 - Spoiler #2 100%.jpg");
    ASSERT_EQ(run(), RunOutcome::Finished);
    EXPECT_EQ(readSpoiler("GC77777.html"),
              "<html><head><meta charset=\"windows-1252\"><title>GC77777</title></head><body>"
              "<br><a href=\"GC77777 - Spoiler %232 100%25.jpg\">"
              "<img src=\"GC77777 - Spoiler %232 100%25.jpg\"></a>"
              "<br>GC77777 - Spoiler #2 100%<br></body></html>\r\n");
}

TEST_F(Bookkeeping, TheIndexListsPagesSortedAndOnlyChangesWithThem) {
    codes({"gc202", "GC101"});
    spoiler("gc202 - b.jpg");
    spoiler("GC101 - a.jpg");
    spoiler("Zeta.html", "<html><head><title>" + std::string(60, 'T') + "</title>\r\n");
    spoiler("alpha.html", "no title here\r\n");
    tick("chkDelUnused", false);
    ASSERT_EQ(run(), RunOutcome::Finished);
    const std::string index =
        "<html><head><meta charset=\"windows-1252\"><title>Pixtrail</title></head><body><b>" +
        shell::windowTitle() +
        "</b>"
        "<br><a href=\"alpha.html\">alpha</a><br><a href=\"GC101.html\">GC101</a>"
        "<br><a href=\"gc202.html\">gc202</a><br><a href=\"Zeta.html\">" +
        std::string(50, 'T') + "</a></body></html>\r\n";
    EXPECT_EQ(readSpoiler("index.html"), index);

    const auto indexPath = dir.path() / "spoilers" / "index.html";
    const auto old = fs::file_time_type::clock::now() - std::chrono::hours(24 * 365);
    fs::last_write_time(indexPath, old);
    ASSERT_EQ(run(), RunOutcome::Finished);
    EXPECT_EQ(fs::last_write_time(indexPath), old); // nothing changed, nothing written

    // Web pages off: every page goes, the index too.
    tick("chkDohtml", false);
    ASSERT_EQ(run(), RunOutcome::Finished);
    EXPECT_TRUE(base::findFiles(spoilers + "/*.html").empty());
    EXPECT_TRUE(hasSpoiler("GC101 - a.jpg"));
}

TEST_F(Bookkeeping, CleanupDeletesWhatLeftTheWaypointFile) {
    codes({"GC1A2B3", "TS1234"});
    for (const char* name :
         {"gc1a2b3 - kept.jpg", "GC1A2B3 - no spoiler found.txt", "GC1A2B3.html", "GC909 - a.jpg",
          "GC909 - no spoiler found.txt", "GC909.html", "GC909 - b.gif", "GC909 - c.png",
          "holiday-photo.jpg", "TS1234 - x.jpg", "notes.txt", "index.html"})
        spoiler(name);
    spoiler("no spoiler found.txt", "");
    ASSERT_EQ(run(), RunOutcome::Finished);
    EXPECT_EQ(spoilerFiles(),
              (Names{"gc1a2b3 - kept.jpg", "GC1A2B3.html", "GC909 - b.gif", "GC909 - c.png",
                     "index.html", "no spoiler found.txt", "notes.txt"}));
    EXPECT_EQ(readSpoiler("no spoiler found.txt"), "GC1A2B3\r\n");
    // TS1234 was not accepted: its picture goes, and so does the page this run made for it.
    const Names deleted(frontend.lines.begin() + 1, frontend.lines.end());
    EXPECT_EQ(deleted, (Names{"Deleted  GC909 - a.jpg", "Deleted  holiday-photo.jpg",
                              "Deleted  TS1234 - x.jpg", "Deleted  GC909 - no spoiler found.txt",
                              "Deleted  GC909.html", "Deleted  TS1234.html"}));
    EXPECT_NE(dir.read("log.txt").find("6 files deleted"), std::string::npos);
}

TEST_F(Bookkeeping, NamesThatCouldLeaveTheFolderAreOfferedToNoFileStep) {
    fs::create_directory(dir.path() / "spoilers" / "sub");
    dir.write("spoilers/sub/x - a.jpg", "x");
    dir.write("outside - a.jpg", "x");
    codes({"../outside", "sub/x", "..\\outside"});
    shell::debugLog().setEnabled(true);
    ASSERT_EQ(run(), RunOutcome::Finished);
    EXPECT_FALSE(dir.exists("outside.html"));
    EXPECT_FALSE(dir.exists("spoilers/sub/x.html"));
    EXPECT_EQ(dir.read("debug.txt").find("Creating HTML pages for '"), std::string::npos);
    EXPECT_TRUE(scraper.calls.empty());
}

TEST_F(Bookkeeping, TheDelayCountsDownInTheCurrentLineBetweenPageRequests) {
    codes({"GC101", "GC202"});
    session.window.setText("txtDelay", "3");
    std::vector<std::string> seen;
    frontend.onPump = [&](int) {
        if (frontend.selected >= 0 &&
            (seen.empty() || seen.back() != frontend.lines[frontend.selected]))
            seen.push_back(frontend.lines[frontend.selected]);
    };
    getspoilerpics = [&](scrape::ScrapeCall& call) {
        pacing.beforePageRequest(); // as the real scrape does before each page request
        return scraper.bind()(call);
    };
    ASSERT_EQ(run(), RunOutcome::Finished);
    // The first request since start-up does not wait; the second does.
    EXPECT_EQ(seen, (Names{"GC101 no spoilers found", "Processing GC202 (Sleeping 3 seconds)",
                           "Processing GC202 (Sleeping 2 seconds)",
                           "Processing GC202 (Sleeping 1 seconds)", "Processing GC202",
                           "GC202 no spoilers found"}));
    EXPECT_EQ(clock.sleeps().size(), 30u);

    // A second run of the same program waits before its very first request too.
    codes({"GC303"});
    session.window.setText("txtDelay", "0");
    shell::debugLog().setEnabled(true);
    ASSERT_EQ(run(), RunOutcome::Finished);
    EXPECT_EQ(clock.sleeps().size(), 30u); // a delay of 0 waits for nothing
    EXPECT_EQ(dir.read("debug.txt").find("Sleeping for"), std::string::npos);
    session.window.setText("txtDelay", "1");
    ASSERT_EQ(run(), RunOutcome::Finished);
    EXPECT_EQ(clock.sleeps().size(), 40u);
}

TEST_F(Bookkeeping, StopDuringACountdownFinishesTheCacheAndDeletesNothing) {
    codes({"GC101", "GC202", "GC303"});
    spoiler("GC909 - old.jpg");
    session.window.setText("txtDelay", "10");
    pacing.beforePageRequest(); // not the first request of the program
    int pumpsInWait = 0;
    frontend.onPump = [&](int) {
        if (session.runActive && frontend.selected >= 0 &&
            frontend.lines[frontend.selected].find("Sleeping") != std::string::npos &&
            ++pumpsInWait == 15)
            session.cmdStop_Click();
    };
    getspoilerpics = [&](scrape::ScrapeCall& call) {
        pacing.beforePageRequest();
        return scraper.bind()(call);
    };
    ASSERT_EQ(run(), RunOutcome::Finished);
    EXPECT_EQ(scraper.codes(), Names{"GC101"}); // the page after the wait is still requested
    EXPECT_EQ(frontend.lines, (Names{"GC101 no spoilers found", "Stopping in progress"}));
    EXPECT_LE(clock.sleeps().size(), 20u); // ends at the next second, not after ten
    EXPECT_TRUE(hasSpoiler("GC909 - old.jpg"));
    EXPECT_NE(dir.read("log.txt").find("Stopping in progress\r\n1 waypoints processed"),
              std::string::npos);
}

TEST(FolderIndexTest, AnswersLikeADirectorySearchAndFollowsChanges) {
    pixtrail::testing::TempFolder dir;
    for (const char* name : {"b - 1.jpg", "A - 2.JPG", "GC1 - x.txt", "GC12 - y.txt", "c.html"})
        dir.write(name, "x");
    base::FolderIndex index(base::ansiPath(dir.path()) + "/");
    EXPECT_EQ(index.find("*-*.jpg"), (Names{"A - 2.JPG", "b - 1.jpg"}));
    EXPECT_EQ(index.find("gc1 *.txt"), Names{"GC1 - x.txt"});
    EXPECT_EQ(index.find("GC1*.txt"), (Names{"GC1 - x.txt", "GC12 - y.txt"}));
    EXPECT_EQ(index.first("*.html"), std::optional<std::string>("c.html"));
    index.added("a - 0.jpg");
    index.removed("b - 1.jpg");
    EXPECT_EQ(index.find("*-*.jpg"), (Names{"a - 0.jpg", "A - 2.JPG"}));
    EXPECT_FALSE(index.first("zzz*").has_value());
    EXPECT_EQ(sync::leadingCode("GC1A2B3 - x.y.jpg"), "GC1A2B3");
    EXPECT_EQ(sync::leadingCode("GC1A2B3.html"), "GC1A2B3");
    EXPECT_EQ(sync::leadingCode("holiday-photo.jpg"), "holiday-photo");
}

TEST_F(Bookkeeping, AnInterruptedPageWriteLeavesTheOldPageWhole) {
    codes({"GC1A2B3"});
    scraper.pictures["GC1A2B3"] = {"GC1A2B3 - new.jpg"};
    scraper.cacheNames["GC1A2B3"] = "The Old Mill";
    const std::string oldPage =
        "<html><head><title>GC1A2B3 - The Old Mill</title></head></html>\r\n";
    spoiler("GC1A2B3.html", oldPage);
    tick("chkRecheck", true);
    getspoilerpics = [&](scrape::ScrapeCall& call) {
        const int n = scraper.bind()(call);
        base::failAtomicRenamesForTesting(true); // the page write is cut off
        return n;
    };
    const RunOutcome outcome = run();
    base::failAtomicRenamesForTesting(false);
    EXPECT_EQ(outcome, RunOutcome::EndedByError);
    EXPECT_EQ(readSpoiler("GC1A2B3.html"), oldPage);
    ASSERT_FALSE(warnings().empty());
    EXPECT_NE(warnings().front().find("GC1A2B3.html"), std::string::npos);
    for (const std::string& name : spoilerFiles())
        EXPECT_FALSE(base::isAtomicWriteTemporary(name)) << name;
}

TEST_F(Bookkeeping, ACacheLeftHalfDoneIsVisitedAgainUntilItIsComplete) {
    codes({"GC1A2B3", "GC22222"});
    // Killed while storing GC1A2B3's pictures: one is there, the note says it is unfinished.
    spoiler("GC1A2B3 - first.jpg");
    spoiler(".pixtrail-incomplete-GC1A2B3.part", "");
    // GC22222 loses a picture on the way this time.
    scraper.pictures["GC22222"] = {"GC22222 - one.jpg"};
    scraper.failed["GC22222"] = 1;
    scraper.pictures["GC1A2B3"] = {"GC1A2B3 - second.jpg"};
    ASSERT_EQ(run(), RunOutcome::Incomplete);
    EXPECT_EQ(scraper.codes(), (Names{"GC1A2B3", "GC22222"}));
    EXPECT_EQ(frontend.lines[1], "GC22222 1 spoilers, 1 failed");
    EXPECT_FALSE(hasSpoiler(".pixtrail-incomplete-GC1A2B3.part"));
    EXPECT_TRUE(hasSpoiler(".pixtrail-incomplete-GC22222.part"));

    // Next time only the unfinished one is visited again; once complete, it is done.
    scraper.calls.clear();
    scraper.failed["GC22222"] = 0;
    ASSERT_EQ(run(), RunOutcome::Finished);
    EXPECT_EQ(scraper.codes(), Names{"GC22222"});
    scraper.calls.clear();
    ASSERT_EQ(run(), RunOutcome::Finished);
    EXPECT_TRUE(scraper.calls.empty());

    // A note of a cache that left the waypoint file goes with the cleanup.
    spoiler(".pixtrail-incomplete-GC99999.part", "");
    ASSERT_EQ(run(), RunOutcome::Finished);
    EXPECT_FALSE(hasSpoiler(".pixtrail-incomplete-GC99999.part"));
}
