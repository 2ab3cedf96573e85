#include "shell/debug_log.hpp"
#include "support/fake_clock.hpp"
#include "support/temp_folder.hpp"

#include <gtest/gtest.h>

using namespace pixtrail::shell;
using pixtrail::testing::FakeClock;
using pixtrail::testing::TempFolder;

namespace {
class DebugLogTest : public ::testing::Test {
protected:
    TempFolder dir;
    FakeClock clock{{2026, 12, 6, 14, 5, 9}};
    DebugLog log;
    void SetUp() override { log.setPath(dir.file("debug.txt")); }
};
} // namespace

TEST_F(DebugLogTest, OffMeansTheFileIsNeverTouched) {
    dir.write("debug.txt", "previous trace\r\n");
    log.write("Pixtrail v1.0.0", 1);
    log.write("Checking Internet is connected.", 0);
    EXPECT_EQ(dir.read("debug.txt"), "previous trace\r\n");
    dir.write("other.txt", "");
    log.setPath(dir.file("new-debug.txt"));
    log.write("x", 1);
    EXPECT_FALSE(dir.exists("new-debug.txt"));
}

TEST_F(DebugLogTest, ANewFileStartsWithTheHeaderAndLaterLinesAppend) {
    dir.write("debug.txt", "an old trace\r\nwith lines\r\n");
    log.setEnabled(true);
    log.write("Pixtrail v1.0.37", 1);
    EXPECT_EQ(dir.read("debug.txt"),
              "Pixtrail Debug file 6 Dec 2026, 14:05:09\r\n14:05:09 Pixtrail v1.0.37\r\n");
    clock.set({2026, 1, 9, 7, 3, 2});
    log.write("Checking Internet is connected.", 0);
    log.write("", 0);
    log.write("two\r\nlines", 0);
    EXPECT_EQ(dir.read("debug.txt"),
              "Pixtrail Debug file 6 Dec 2026, 14:05:09\r\n14:05:09 Pixtrail v1.0.37\r\n"
              "07:03:02 Checking Internet is connected.\r\n07:03:02 \r\n07:03:02 two\r\nlines\r\n");
}

TEST_F(DebugLogTest, AppendingWithoutAFileCreatesItWithoutHeader) {
    log.setEnabled(true);
    log.write("Processing waypoint 'GC1A2B3'", 0);
    EXPECT_EQ(dir.read("debug.txt"), "14:05:09 Processing waypoint 'GC1A2B3'\r\n");
}

TEST_F(DebugLogTest, AnUnwritablePlaceIsNotAnError) {
    log.setEnabled(true);
    log.setPath(dir.file("no-such-folder/debug.txt"));
    EXPECT_NO_THROW(log.write("x", 1));
    EXPECT_NO_THROW(log.write("y", 0));
    EXPECT_FALSE(dir.exists("no-such-folder"));
}

TEST_F(DebugLogTest, TheProcessWideLogIsWhatWriteDebugUses) {
    debugLog().setPath(dir.file("debug.txt"));
    debugLog().setEnabled(true);
    WriteDebug("Opening waypoint file", 1);
    WriteDebug("Waypoint: GC12AB");
    debugLog().setEnabled(false);
    WriteDebug("not written");
    EXPECT_EQ(dir.read("debug.txt"),
              "Pixtrail Debug file 6 Dec 2026, 14:05:09\r\n"
              "14:05:09 Opening waypoint file\r\n14:05:09 Waypoint: GC12AB\r\n");
}
