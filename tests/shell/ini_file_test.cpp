#include "base/files.hpp"
#include "shell/ini_file.hpp"
#include "support/temp_folder.hpp"

#include <gtest/gtest.h>

#include <filesystem>

using namespace pixtrail::shell;
using pixtrail::testing::TempFolder;

namespace {
const std::string kHandWritten = "; Pixtrail settings, edited by hand\r\n"
                                 "[ settings ]\r\n"
                                 "  Delay =  \"12\"  \r\n"
                                 "shrinkwidth='300'\n"
                                 "; keep this comment\r\n"
                                 "dohtml=0\r\n"
                                 "\r\n"
                                 "[Network]\r\n"
                                 "cachehost=127.0.0.1:8080\r\n";
} // namespace

TEST(IniRead, FollowsThePrivateProfileRules) {
    TempFolder dir;
    dir.write("a.ini", kHandWritten + "[Settings]\r\ndelay=99\r\n");
    const std::string path = dir.file("a.ini");
    EXPECT_EQ(readIniValue(path, "Settings", "delay", "10"), "12"); // first section wins
    EXPECT_EQ(readIniValue(path, "SETTINGS", "ShrinkWidth", ""), "300");
    EXPECT_EQ(readIniValue(path, "settings", "dohtml", "1"), "0");
    EXPECT_EQ(readIniValue(path, "Settings", "missing", "dflt"), "dflt");
    EXPECT_EQ(readIniValue(path, "Nowhere", "delay", "dflt"), "dflt");
    EXPECT_EQ(readIniValue(dir.file("none.ini"), "Settings", "delay", "10"), "10");
    EXPECT_EQ(readIniValue(path, "network", "CACHEHOST", ""), "127.0.0.1:8080");

    dir.write("b.ini", "delay=1\r\n[S]\r\nempty=\r\nspaced=  x y  \r\nq=\"a'\r\nlong=" +
                           std::string(6000, 'x') + "\r\ndup=first\r\ndup=second\r\n");
    const std::string b = dir.file("b.ini");
    EXPECT_EQ(readIniValue(b, "S", "empty", "dflt"), ""); // stored empty beats the default
    EXPECT_EQ(readIniValue(b, "S", "spaced", ""), "x y");
    EXPECT_EQ(readIniValue(b, "S", "q", ""), "\"a'"); // unmatched quotes stay
    EXPECT_EQ(readIniValue(b, "S", "long", "").size(), kMaxIniValueLength);
    EXPECT_EQ(readIniValue(b, "S", "dup", ""), "first");
    EXPECT_EQ(readIniValue(b, "", "delay", "none"), "none"); // keys outside a section
}

TEST(IniWrite, ChangesOnlyTheKeyItWrites) {
    TempFolder dir;
    dir.write("a.ini", kHandWritten);
    const std::string path = dir.file("a.ini");

    ASSERT_TRUE(writeIniValue(path, "Settings", "DELAY", "30"));
    std::string expected = kHandWritten;
    expected.replace(expected.find("Delay =  \"12\"  "), 15, "Delay =30");
    EXPECT_EQ(dir.read("a.ini"), expected);

    ASSERT_TRUE(writeIniValue(path, "Settings", "recheck", "1"));
    expected.insert(expected.find("\r\n[Network]"), "recheck=1\r\n");
    EXPECT_EQ(dir.read("a.ini"), expected);

    ASSERT_TRUE(writeIniValue(path, "Update", "GUI", "abc"));
    expected += "[Update]\r\nGUI=abc\r\n";
    EXPECT_EQ(dir.read("a.ini"), expected);

    // Values are written as given and read back as the rules say.
    ASSERT_TRUE(writeIniValue(path, "Update", "q", "  'quoted'  "));
    EXPECT_EQ(readIniValue(path, "Update", "q", ""), "quoted");
    // A line break cannot smuggle in another key.
    ASSERT_TRUE(writeIniValue(path, "Update", "evil", "x\r\n[Settings]\r\ndelay=0"));
    EXPECT_EQ(readIniValue(path, "Settings", "delay", ""), "30");
}

TEST(IniWrite, CreatesAFreshFileWithCrLf) {
    TempFolder dir;
    const std::string path = dir.file("new.ini");
    ASSERT_TRUE(writeIniValue(path, "Settings", "forcegc", "0"));
    ASSERT_TRUE(writeIniValue(path, "Settings", "delay", "10"));
    EXPECT_EQ(dir.read("new.ini"), "[Settings]\r\nforcegc=0\r\ndelay=10\r\n");
}

TEST(IniWrite, MalformedFilesAreKeptAsTheyWere) {
    TempFolder dir;
    const std::string junk = std::string("\xEF\xBB\xBF") + "; notes\nkey=outside\n" +
                             std::string("\x01\xFF binary") + "\n[" + std::string(100000, 'L') +
                             "\n[Settings\nalmost=1";
    dir.write("bad.ini", junk);
    const std::string path = dir.file("bad.ini");
    EXPECT_EQ(readIniValue(path, "Settings", "almost", ""), "1"); // header without "]"
    EXPECT_EQ(readIniValue(path, "Settings", "key", "none"), "none");
    ASSERT_TRUE(writeIniValue(path, "Settings", "delay", "5"));
    EXPECT_EQ(dir.read("bad.ini"), junk + "\r\ndelay=5\r\n");
}

TEST(IniWrite, FilesThatAreNoIniFilesAreNeverWritten) {
    TempFolder dir;
    const std::string files[] = {"<?xml version=\"1.0\"?>\r\n<gpx>\r\n", "GC12345\r\nGC23456\r\n",
                                 std::string("[Settings]\r\n\0\0", 14), "\xFF\xD8\xFF\xE0 jpeg"};
    for (const std::string& content : files) {
        dir.write("trip.ini", content);
        EXPECT_EQ(updateIniFile(dir.file("trip.ini"),
                                [](IniDocument& d) { d.set("Settings", "delay", "5"); })
                      .status,
                  IniWriteResult::Status::NotAnIniFile)
            << content;
        EXPECT_EQ(dir.read("trip.ini"), content);
    }
    for (const std::string content : {"", "\r\n[Settings]\r\n", "# comment\n", "a=b\n"}) {
        dir.write("fine.ini", content);
        EXPECT_TRUE(writeIniValue(dir.file("fine.ini"), "Settings", "delay", "5")) << content;
    }
}

TEST(IniWrite, AFailedWriteLosesNothing) {
    TempFolder dir;
    dir.write("a.ini", kHandWritten);
    pixtrail::base::failAtomicRenamesForTesting(true);
    EXPECT_FALSE(writeIniValue(dir.file("a.ini"), "Settings", "delay", "1"));
    pixtrail::base::failAtomicRenamesForTesting(false);
    EXPECT_EQ(dir.read("a.ini"), kHandWritten);

    // Something that cannot be read is not replaced by a file holding one key.
    std::filesystem::create_directory(dir.path() / "dir.ini");
    EXPECT_FALSE(writeIniValue(dir.file("dir.ini"), "Settings", "delay", "1"));
    EXPECT_TRUE(std::filesystem::is_directory(dir.path() / "dir.ini"));
}
