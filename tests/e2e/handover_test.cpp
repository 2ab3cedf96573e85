#include "support/fixture_site.hpp"
#include "support/run_program.hpp"
#include "support/temp_folder.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <thread>

namespace fs = std::filesystem;
using namespace pixtrail::testing;

namespace {

// A real three-process upgrade in a temporary folder: the program downloads a signed
// release, the "_new" copy replaces the program, the program cleans up.
class Handover : public ::testing::Test {
protected:
    TempFolder dir;
    FixtureSite site;
    std::string program;
    std::string release;

    void SetUp() override {
        program = (dir.path() / "handover").string();
        fs::copy_file(PIXTRAIL_HANDOVER_PROGRAM, program);
        // The "new release": the same program with a trailer, so the replacement shows.
        release = dir.read("handover") + "\nrelease 9.9.9\n";
        dir.write("release.bin", release);
        site.serve("/release", release, "application/octet-stream");
        dir.write("pixtrail.ini", "[Network]\r\nhomehost=" + site.host() + "\r\n");
    }

    std::string feedSignedWith(const std::string& key) {
        const ProgramResult signer =
            runProgram("/bin/bash", {PIXTRAIL_SOURCE_DIR "/scripts/sign-release.sh",
                                     PIXTRAIL_TEST_DATA_DIR "/update/" + key,
                                     dir.file("release.bin"), site.url("/release"), "9.9.9"});
        EXPECT_EQ(signer.exitCode, 0) << signer.err;
        return signer.out;
    }

    // Waits (bounded) until the messages hold `text`.
    bool waitForMessage(const std::string& text) {
        for (int i = 0; i < 200; ++i) {
            if (dir.read("messages.txt").find(text) != std::string::npos)
                return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        return false;
    }
};

} // namespace

TEST_F(Handover, ASignedReleaseReplacesTheProgramAcrossThreeProcesses) {
    site.serve("/pixtrail/index.htm", feedSignedWith("test-release-key.pem"));
    const ProgramResult first = runProgram(program, {"check"});
    EXPECT_EQ(first.exitCode, 0) << first.err;
    ASSERT_TRUE(waitForMessage("Upgrade completed")) << dir.read("messages.txt");
    EXPECT_EQ(dir.read("handover"), release);
    EXPECT_FALSE(dir.exists("handover_new"));
    EXPECT_FALSE(dir.exists("handover_new.tmp"));
    EXPECT_EQ(fs::status(dir.path() / "handover").permissions() & fs::perms::owner_exec,
              fs::perms::owner_exec);
    // The first process and the restarted program started; the copy replaced and left.
    ASSERT_TRUE(waitForMessage("started handover\n"
                               "Upgrade completed\n") ||
                waitForMessage("Upgrade completed\nstarted handover\n"));
}

TEST_F(Handover, AWronglySignedReleaseLeavesEverythingAsItWas) {
    site.serve("/pixtrail/index.htm", feedSignedWith("other-key.pem"));
    const std::string before = dir.read("handover");
    const ProgramResult first = runProgram(program, {"check"});
    EXPECT_EQ(first.exitCode, 0) << first.err;
    EXPECT_EQ(dir.read("messages.txt"), "started handover\nUpgrade failed - please try later\n");
    EXPECT_EQ(dir.read("handover"), before);
    EXPECT_FALSE(dir.exists("handover_new"));
    EXPECT_FALSE(dir.exists("handover_new.tmp"));
}
