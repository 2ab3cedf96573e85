#include "e2e/cli_folder.hpp"

#include <thread>

using namespace pixtrail::testing;
using Handover = CliFolder;

// A real three-process upgrade: the program downloads a release, the "_new" copy replaces
// the program and starts it, the program cleans up and says so. A release signed with
// another key changes nothing.
TEST_F(Handover, OnlyARightlySignedReleaseReplacesTheProgram) {
    fs::copy_file(PIXTRAIL_HANDOVER_PROGRAM, dir.path() / "handover");
    const std::string before = dir.read("handover");
    // The "new release": the same program with a trailer, so the replacement shows.
    dir.write("release.bin", before + "\nrelease 9.9.9\n");
    site.serve("/release", dir.read("release.bin"), "application/octet-stream");
    dir.write("pixtrail.ini", "[Network]\r\nhomehost=" + site.host() + "\r\n");
    std::string said;
    for (const std::string key : {"other-key.pem", "test-release-key.pem"}) {
        const bool good = key == "test-release-key.pem";
        const ProgramResult feed =
            runProgram("/bin/bash", {PIXTRAIL_SOURCE_DIR "/scripts/sign-release.sh",
                                     PIXTRAIL_TEST_DATA_DIR "/update/" + key,
                                     dir.file("release.bin"), site.url("/release"), "9.9.9"});
        ASSERT_EQ(feed.exitCode, 0) << feed.err;
        site.serve("/pixtrail/index.htm", feed.out);
        fs::remove(dir.path() / "user.ini"); // the next check is due now
        EXPECT_EQ(runProgram(dir.file("handover"), {"check"}).exitCode, 0) << key;
        said += good ? "started handover\nUpgrade completed\nstarted handover\n"
                     : "started handover\nUpgrade failed - please try later\n";
        for (int i = 0; i < 200 && dir.read("messages.txt") != said; ++i) // a bounded wait
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        EXPECT_EQ(dir.read("messages.txt"), said) << key;
        EXPECT_EQ(dir.read("handover"), good ? dir.read("release.bin") : before) << key;
        EXPECT_FALSE(dir.exists("handover_new") || dir.exists("handover_new.tmp")) << key;
    }
    EXPECT_NE(fs::status(dir.path() / "handover").permissions() & fs::perms::owner_exec,
              fs::perms::none);
}
