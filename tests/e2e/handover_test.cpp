#include "e2e/cli_folder.hpp"
#include "shell/version.hpp"

#include <cstdlib>
#include <thread>

using namespace pixtrail::testing;
using Handover = CliFolder;

namespace {

// The feed of release 9.9.9, release.bin in `dir`, signed with `key`.
void serveFeed(TempFolder& dir, FixtureSite& site, const std::string& key) {
    const ProgramResult feed =
        runProgram("/bin/bash", {PIXTRAIL_SOURCE_DIR "/scripts/sign-release.sh",
                                 PIXTRAIL_TEST_DATA_DIR "/update/" + key, dir.file("release.bin"),
                                 site.url("/release"), "9.9.9"});
    ASSERT_EQ(feed.exitCode, 0) << feed.err;
    site.serve("/pixtrail/index.htm", feed.out);
}

// A real three-process upgrade: the program downloads a release, the "_new" copy replaces
// the program and starts it, the program cleans up and says so. A release signed with
// another key changes nothing. `program` is the Linux build's or, run through Wine, the
// Windows build's, where the running program cannot be overwritten, only renamed.
void handOver(TempFolder& dir, FixtureSite& site, const std::string& program, bool windows) {
    const std::string exe = windows ? "handover.exe" : "handover";
    fs::copy_file(program, dir.path() / exe);
    const std::string before = dir.read(exe);
    // The "new release": the same program with a trailer, so the replacement shows.
    dir.write("release.bin", before + "\nrelease 9.9.9\n");
    site.serve("/release", dir.read("release.bin"), "application/octet-stream");
    dir.write("pixtrail.ini", "[Network]\r\nhomehost=" + site.host() + "\r\n");
    std::string said;
    for (const std::string key : {"other-key.pem", "test-release-key.pem"}) {
        const bool good = key == "test-release-key.pem";
        ASSERT_NO_FATAL_FAILURE(serveFeed(dir, site, key));
        fs::remove(dir.path() / "user.ini"); // the next check is due now
        const ProgramResult r = windows ? runProgram("/usr/bin/wine", {dir.file(exe), "check"})
                                        : runProgram(dir.file(exe), {"check"});
        EXPECT_EQ(r.exitCode, 0) << key << r.err;
        const std::string started = "started " + exe + "\n";
        said += good ? started + "Upgrade completed\n" + started
                     : started + "Upgrade failed - please try later\n";
        for (int i = 0; i < 200 && dir.read("messages.txt") != said; ++i) // a bounded wait
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        EXPECT_EQ(dir.read("messages.txt"), said) << key;
        EXPECT_EQ(dir.read(exe), good ? dir.read("release.bin") : before) << key;
        const std::string spare = windows ? "handover_new.exe" : "handover_new";
        EXPECT_FALSE(dir.exists(spare) || dir.exists(spare + ".tmp")) << key;
    }
    EXPECT_NE(fs::status(dir.path() / exe).permissions() & fs::perms::owner_exec, fs::perms::none);
}

} // namespace

TEST_F(Handover, OnlyARightlySignedReleaseReplacesTheProgram) {
    handOver(dir, site, PIXTRAIL_HANDOVER_PROGRAM, false);
}

// scripts/windows_test.sh names the Windows build's program.
TEST_F(Handover, OnWindowsToo) {
    const char* program = std::getenv("PIXTRAIL_WINDOWS_HANDOVER");
    if (!program)
        GTEST_SKIP() << "PIXTRAIL_WINDOWS_HANDOVER names no Windows program";
    handOver(dir, site, program, true);
}

// The window program itself under Wine, as a user meets the upgrade: its run finds the
// release, the user says Yes, the program comes back with "Upgrade completed" and is closed.
// scripts/windows_test.sh names the window built with the tests' key and the stand-in for
// the user at its message boxes.
TEST_F(Handover, OfTheWindowOnWindows) {
    const char* program = std::getenv("PIXTRAIL_WINDOWS_WINDOW");
    const char* answerer = std::getenv("PIXTRAIL_WINDOWS_BOX_ANSWERER");
    if (!program || !answerer)
        GTEST_SKIP() << "PIXTRAIL_WINDOWS_WINDOW and _BOX_ANSWERER name no Windows programs";
    fs::copy_file(program, dir.path() / "pixtrail.exe");
    const std::string before = dir.read("pixtrail.exe");
    dir.write("release.bin", before + "\nrelease 9.9.9\n");
    site.serve("/release", dir.read("release.bin"), "application/octet-stream");
    dir.write("caches.txt", "");
    dir.write("pixtrail.ini", "[Settings]\r\nWaypointfile=" + dir.file("caches.txt") +
                                  "\r\nSpoilerfolder=" + dir.file("spoilers") +
                                  "\r\n[Network]\r\ncachehost=" + site.host() +
                                  "\r\nhomehost=" + site.host() + "\r\n");
    for (const std::string key : {"other-key.pem", "test-release-key.pem"}) {
        const bool good = key == "test-release-key.pem";
        ASSERT_NO_FATAL_FAILURE(serveFeed(dir, site, key));
        // The next check is due now.
        runProgram("/usr/bin/wine",
                   {"reg", "delete", "HKCU\\Software\\Pixtrail\\Settings", "/v", "GUI", "/f"});
        fs::remove(dir.path() / "boxes.txt");
        RunOptions options;
        options.limit = 90s;
        const ProgramResult r =
            runProgram("/usr/bin/wine",
                       {answerer, dir.file("boxes.txt"), "60", pixtrail::shell::windowTitle(), "2",
                        good ? "close" : "wait", dir.file("pixtrail.exe"), "-a"},
                       options);
        EXPECT_EQ(r.exitCode, 0) << key << r.err;
        const std::string boxes = dir.read("boxes.txt");
        const size_t end = boxes.find('\n');
        EXPECT_TRUE(Matches(boxes.substr(0, end), "*9.9.9*")) << key << boxes;
        EXPECT_EQ(end == boxes.npos ? "" : boxes.substr(end + 1),
                  good ? "Upgrade completed\n" : "Upgrade failed - please try later\n")
            << key;
        EXPECT_EQ(dir.read("pixtrail.exe"), good ? dir.read("release.bin") : before) << key;
        EXPECT_FALSE(dir.exists("pixtrail_new.exe") || dir.exists("pixtrail_new.exe.tmp")) << key;
    }
}
