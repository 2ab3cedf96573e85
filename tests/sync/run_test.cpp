#include "support/run_fixture.hpp"

using namespace pixtrail;
using pixtrail::testing::RunTest;
using shell::MessageKind;
using sync::RunOutcome;

TEST_F(RunTest, AWholeRunListsTheAcceptedCachesAndWritesItsLog) {
    scraper.results["GC22222"] = 2;
    int updateSteps = 0;
    checkForUpdate = [&] { ++updateSteps; };
    EXPECT_EQ(run(), RunOutcome::Finished);
    const std::vector<std::string> lines = {"GC1A2B3 no spoilers found", "GC22222 2 spoilers",
                                            "GC1234 no spoilers found"};
    EXPECT_EQ(frontend.lines, lines);
    EXPECT_EQ(scraper.codes(), (std::vector<std::string>{"GC1A2B3", "GC22222", "GC1234"}));
    EXPECT_EQ(dir.read("log.txt"), "Pixtrail v" + shell::versionText() +
                                       "\r\nStarted: 6 Dec 2026 14:05:09\r\n"
                                       "GC1A2B3 no spoilers found\r\nGC22222 2 spoilers\r\n"
                                       "GC1234 no spoilers found\r\n"
                                       "3 waypoints processed\r\n0 pictures downloaded\r\n"
                                       "0 files deleted\r\n"
                                       "Finished: 6 Dec 2026 14:05:09\r\n");
    EXPECT_EQ(frontend.texts(MessageKind::Information),
              std::vector<std::string>{
                  "3 waypoints processed\r\n0 pictures downloaded\r\n0 files deleted"});
    // The probe, then the update step, once.
    EXPECT_EQ(web.requests, std::vector<std::string>{"http://www.geocaching.com/"});
    EXPECT_EQ(updateSteps, 1);
    // The read share ends at 100 and the caption carries it, then comes back.
    EXPECT_EQ(frontend.progressValues.back(), 100);
    EXPECT_EQ(frontend.captions.back(), shell::windowTitle());
    EXPECT_EQ(frontend.captions[frontend.captions.size() - 3], "100% " + shell::windowTitle());
    EXPECT_EQ(frontend.busy, (std::vector<bool>{true, false}));
    EXPECT_EQ(frontend.runButtons, (std::vector<bool>{true, false}));
    EXPECT_FALSE(session.runActive);
    // The settings were saved as typed, before the checks trimmed anything.
    EXPECT_NE(dir.read("pixtrail.ini").find("Waypointfile=  " + dir.file("caches.gpx")),
              std::string::npos);
    EXPECT_EQ(text("txtSpoilerFolder"), spoilers + "/");
}

TEST_F(RunTest, EveryInputCheckEndsTheRunWithItsMessageAndNoLog) {
    dir.write("log.txt", "previous log");
    // Checks of what was typed end at once; from the first request on, the run shows the
    // busy pointer and Stop until its check has ended it.
    auto expectEnded = [&](const std::string& message, bool requested = false) {
        frontend.messages.clear();
        frontend.busy.clear();
        frontend.runButtons.clear();
        EXPECT_EQ(run(), RunOutcome::EndedAtCheck);
        EXPECT_EQ(warnings(), std::vector<std::string>{message});
        EXPECT_EQ(dir.read("log.txt"), "previous log");
        const std::vector<bool> shown =
            requested ? std::vector<bool>{true, false} : std::vector<bool>{};
        EXPECT_EQ(frontend.busy, shown);
        EXPECT_EQ(frontend.runButtons, shown);
        EXPECT_FALSE(session.runActive);
    };
    session.window.setText("txtWpFile", "   ");
    expectEnded("Please choose a waypoint file to open !");
    session.window.setText("txtWpFile", dir.file("caches.gpx"));
    session.window.setText("txtSpoilerFolder", "  ");
    expectEnded("Please choose a folder location to store spoiler pics");
    EXPECT_EQ(text("txtSpoilerFolder"), "");
    session.window.setText("txtSpoilerFolder", spoilers);
    web.responses.clear(); // offline
    expectEnded("Cannot connect to the internet !", true);
    EXPECT_EQ(web.limits.back(), std::chrono::seconds(15)); // the check has a short limit
    web.responses["http://www.geocaching.com/"] = "<html/>";
    session.window.setText("txtWpFile", dir.file("missing.gpx"));
    expectEnded("Waypoint file not found !", true);
}

TEST_F(RunTest, AMissingFolderIsCreatedOnlyWhenTheUserAgrees) {
    const std::string deep = dir.file("new/deeper/spoilers");
    session.window.setText("txtSpoilerFolder", deep);
    EXPECT_EQ(run(), RunOutcome::EndedAtCheck);
    EXPECT_EQ(frontend.questions,
              std::vector<std::string>{
                  "Spoiler folder does not exist.\r\n\r\nDo you wish to create it ?"});
    EXPECT_FALSE(base::directoryExists(deep));

    frontend.answerYes = true;
    EXPECT_EQ(run(), RunOutcome::Finished);
    EXPECT_TRUE(base::directoryExists(deep));

    // A folder that cannot be made: asked again with the reason, until the answer is No.
    dir.write("blocker", "a file where a folder should go");
    session.window.setText("txtSpoilerFolder", dir.file("blocker/spoilers"));
    frontend.questions.clear();
    frontend.answers = {true};
    frontend.answerYes = false;
    EXPECT_EQ(run(), RunOutcome::EndedAtCheck);
    ASSERT_EQ(frontend.questions.size(), 2u);
    EXPECT_EQ(frontend.questions[1],
              "Cannot create the spoiler folder " + dir.file("blocker/spoilers") +
                  "/: Not a directory\r\n\r\nSpoiler folder does not exist.\r\n\r\nDo you "
                  "wish to create it ?");
    session.window.setText("txtSpoilerFolder", deep);
    frontend.answerYes = true;

    // Unattended: created without a question.
    frontend.questions.clear();
    session.unattended = true;
    session.window.setText("txtSpoilerFolder", dir.file("other"));
    EXPECT_EQ(run(), RunOutcome::Finished);
    EXPECT_TRUE(frontend.questions.empty());
    EXPECT_TRUE(base::directoryExists(dir.file("other")));
}

TEST_F(RunTest, UnattendedRunsNeitherAskForEverNorShowTotals) {
    session.unattended = true;
    dir.write("blocker", "a file where a folder should go");
    session.window.setText("txtSpoilerFolder", dir.file("blocker/spoilers"));
    EXPECT_EQ(run(), RunOutcome::EndedAtCheck);
    ASSERT_EQ(warnings().size(), 1u);
    EXPECT_NE(warnings()[0].find(dir.file("blocker/spoilers")), std::string::npos);

    frontend.messages.clear();
    session.window.setText("txtSpoilerFolder", spoilers);
    EXPECT_EQ(run(), RunOutcome::Finished);
    EXPECT_TRUE(frontend.messages.empty());
    const std::string log = dir.read("log.txt");
    EXPECT_EQ(log.find("waypoints processed"), std::string::npos);
    EXPECT_NE(log.find("GC1234 no spoilers found\r\nFinished: "), std::string::npos);
}

TEST_F(RunTest, DelayAndShrinkSizesAreBroughtIntoRange) {
    EXPECT_EQ(sync::requestDelayFrom("1000"), 5);
    EXPECT_EQ(sync::requestDelayFrom(""), 0);
    EXPECT_EQ(sync::requestDelayFrom("-1"), 5);
    EXPECT_EQ(sync::requestDelayFrom("999"), 999);
    EXPECT_EQ(sync::requestDelayFrom("2.5"), 2);
    EXPECT_EQ(sync::requestDelayFrom("12s"), 12);
    EXPECT_EQ(sync::requestDelayFrom(std::string(40, '9')), 5); // beyond any integer
    EXPECT_EQ(sync::requestDelayFrom("-" + std::string(400, '9')), 5);
    EXPECT_EQ(sync::normaliseShrinkSize("5"), "100");
    EXPECT_EQ(sync::normaliseShrinkSize("2500"), "2000");
    EXPECT_EQ(sync::normaliseShrinkSize("0300"), "300");
    EXPECT_EQ(sync::normaliseShrinkSize("abc"), "100");

    shell::debugLog().setEnabled(true);
    session.window.setText("txtDelay", "1000");
    session.window.setText("txtWidth", "5");
    session.window.setText("txtHeight", "0300");
    EXPECT_EQ(run(), RunOutcome::Finished);
    EXPECT_EQ(pacing.requestDelay, 5);
    EXPECT_EQ(text("txtWidth"), "100");
    EXPECT_EQ(text("txtHeight"), "300");
    const std::string trace = dir.read("debug.txt");
    EXPECT_NE(trace.find(" Delay: 1000\r\n"), std::string::npos); // the text as typed
    EXPECT_NE(trace.find(" Width: 100\r\n"), std::string::npos);
    EXPECT_NE(trace.find("Debug file 6 Dec 2026, 14:05:09\r\n14:05:09 Pixtrail v"),
              std::string::npos);
    EXPECT_EQ(frontend.texts(MessageKind::Information).front(),
              "Debug mode active.\r\n\r\nFiles will be written to: \r\n" + dir.file("debug.txt"));

    session.window.setValue("chkResize", 0);
    session.window.setText("txtWidth", "5");
    run();
    EXPECT_EQ(text("txtWidth"), "5");
}

TEST_F(RunTest, ACommandLineWaypointFileWinsAndAnEmptyFileIsNoError) {
    dir.write("empty.gpx", "");
    session.window.setText("txtcmd", "\"" + dir.file("empty.gpx") + "\"");
    session.window.setText("txtWpFile", dir.file("elsewhere.gpx"));
    EXPECT_EQ(run(), RunOutcome::Finished);
    EXPECT_EQ(frontend.lines,
              std::vector<std::string>{"No waypoints found in " + dir.file("empty.gpx") +
                                       ": nothing deleted"});
    EXPECT_EQ(frontend.texts(MessageKind::Information).back(),
              "0 waypoints processed\r\n0 pictures downloaded\r\n0 files deleted");
    EXPECT_EQ(text("txtWpFile"), dir.file("elsewhere.gpx"));
}

TEST_F(RunTest, StopEndsTheLoopButTheRunStillFinishes) {
    std::string many;
    for (int i = 1; i <= 9; ++i)
        many += "GC" + std::to_string(i) + "AA\n";
    dir.write("caches.gpx", many);
    int seen = 0;
    frontend.onPump = [&](int) {
        if (session.runActive && ++seen == 3) // the window's Stop, between two waypoints
            session.cmdStop_Click();
    };
    EXPECT_EQ(run(), RunOutcome::Finished);
    // One pump comes from showing Stop; two waypoints were read before Stop was pressed.
    EXPECT_EQ(frontend.lines,
              (std::vector<std::string>{"GC1AA no spoilers found", "GC2AA no spoilers found",
                                        "Stopping in progress"}));
    EXPECT_EQ(frontend.selected, 1); // the waypoint's line is current again
    const std::string log = dir.read("log.txt");
    EXPECT_NE(log.find("GC2AA no spoilers found\r\nStopping in progress\r\n2 waypoints processed"),
              std::string::npos);
}

TEST_F(RunTest, AFailureInsideTheRunIsLoggedWithoutTotals) {
    web.failWithError = true;
    EXPECT_EQ(run(), RunOutcome::EndedByError);
    EXPECT_EQ(warnings(), std::vector<std::string>{"The web fetch failed"});
    const std::string log = dir.read("log.txt");
    EXPECT_NE(log.find("Started: 6 Dec 2026 14:05:09\r\nThe web fetch failed\r\nFinished: "),
              std::string::npos);
    EXPECT_EQ(log.find("waypoints processed"), std::string::npos);
    EXPECT_FALSE(session.runActive);
}

TEST(ReadPercentage, NeverPassesAHundred) {
    EXPECT_EQ(sync::readPercentage(1, 200), 0);
    EXPECT_EQ(sync::readPercentage(101, 200), 50);
    EXPECT_EQ(sync::readPercentage(201, 200), 100);
    EXPECT_EQ(sync::readPercentage(5'000'000'001ULL, 10'000'000'000ULL), 50);
    EXPECT_EQ(sync::readPercentage(10'000'000'001ULL, 10'000'000'000ULL), 100);
    EXPECT_EQ(sync::readPercentage(1, 0), 100);
}
