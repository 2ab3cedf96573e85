#include "base/files.hpp"
#include "base/run_error.hpp"
#include "support/temp_folder.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;
using namespace pixtrail::base;
using pixtrail::testing::TempFolder;

TEST(Wildcards, MatchLikeWindowsIgnoringCase) {
    EXPECT_TRUE(matchesWildcard("GC1A2B3 - Spoiler 1.jpg", "*-*.jpg"));
    EXPECT_TRUE(matchesWildcard("gc1a2b3 - final.JPG", "*-*.jpg"));
    EXPECT_TRUE(matchesWildcard("a-b.jpg", "*-*.jpg"));
    EXPECT_FALSE(matchesWildcard("GC1A2B3 Spoiler.jpg", "*-*.jpg"));
    EXPECT_FALSE(matchesWildcard("a-b.jpeg", "*-*.jpg"));
    EXPECT_FALSE(matchesWildcard("a-b.jpg.bak", "*-*.jpg"));
    // The space after the code keeps a code from matching a longer one.
    EXPECT_TRUE(matchesWildcard("GC12 - x.jpg", "GC12 - *"));
    EXPECT_FALSE(matchesWildcard("GC123 - x.jpg", "GC12 - *"));
    EXPECT_TRUE(matchesWildcard("GC123 - x.jpg", "GC12*.jpg"));
    EXPECT_TRUE(matchesWildcard("GC12 - no spoiler found.txt", "*- no spoiler found.txt"));
    EXPECT_FALSE(matchesWildcard("no spoiler found.txt", "*- no spoiler found.txt"));
    EXPECT_TRUE(matchesWildcard("ab", "a?"));
    EXPECT_FALSE(matchesWildcard("a", "a?"));
    EXPECT_FALSE(matchesWildcard("abc", "a?"));
    EXPECT_TRUE(matchesWildcard("README", "*.*"));
    EXPECT_TRUE(matchesWildcard("index.html", "*.*"));
    EXPECT_TRUE(matchesWildcard("\xC9t\xE9 - \x80.jpg", "\xE9T\xC9*.JPG"));
    EXPECT_TRUE(matchesWildcard("", "*"));
    EXPECT_FALSE(matchesWildcard("x", ""));
}

TEST(Listing, FindsMatchingFilesSortedAsWindowsReturnsThem) {
    TempFolder dir;
    for (const char* name :
         {"b - x.jpg", "A - y.jpg", "c - z.JPG", "GC1 - note.txt", "nohyphen.jpg"})
        dir.write(name, "x");
    dir.write("Caf\xE9 - x.jpg", "x"); // stored as UTF-8, listed as Windows-1252
    std::ofstream(dir.path() / "\xE6\x97\xA5 - x.jpg") << "x"; // a name the code page cannot spell
    fs::create_directory(dir.path() / "folder - x.jpg");       // directories are not files

    const std::string folder = ansiPath(dir.path());
    const auto names = listFiles(folder, "*-*.jpg");
    const std::vector<std::string> expected = {"A - y.jpg", "b - x.jpg", "c - z.JPG",
                                               "Caf\xE9 - x.jpg"};
    EXPECT_EQ(names, expected);
    EXPECT_EQ(findFiles(joinPath(folder, "*-*.jpg")), expected);
    EXPECT_EQ(findFiles(joinPath(folder, "gc1 - *")), std::vector<std::string>{"GC1 - note.txt"});
    EXPECT_TRUE(listFiles(joinPath(folder, "missing"), "*").empty());
    EXPECT_TRUE(fileExists(joinPath(folder, "Caf\xE9 - x.jpg")));
    EXPECT_TRUE(fs::exists(dir.path() / "Caf\xC3\xA9 - x.jpg"));
}

TEST(AtomicWrite, CreatesAndReplacesKeepingPermissions) {
    TempFolder dir;
    const std::string path = dir.file("index.html");
    writeFileAtomically(path, "first");
    EXPECT_EQ(dir.read("index.html"), "first");
    fs::permissions(dir.path() / "index.html", fs::perms(0640));
    writeFileAtomically(path, std::string("second\0with nul", 15));
    EXPECT_EQ(dir.read("index.html"), std::string("second\0with nul", 15));
    EXPECT_EQ(fs::status(dir.path() / "index.html").permissions() & fs::perms::all,
              fs::perms(0640));
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 1);
}

TEST(AtomicWrite, AnInterruptedWriteLeavesThePreviousFileIntact) {
    TempFolder dir;
    dir.write("pixtrail.ini", "[Settings]\r\ndelay=10\r\n");
    failAtomicRenamesForTesting(true);
    EXPECT_THROW(writeFileAtomically(dir.file("pixtrail.ini"), "half"), RunError);
    failAtomicRenamesForTesting(false);
    EXPECT_EQ(dir.read("pixtrail.ini"), "[Settings]\r\ndelay=10\r\n");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 1);

    // A folder that does not exist is a clear error, not a crash.
    try {
        writeFileAtomically(dir.file("missing/x.txt"), "x");
        FAIL() << "expected a RunError";
    } catch (const RunError& e) {
        EXPECT_EQ(e.number(), err::kFileAccess);
        EXPECT_NE(e.description().find("missing"), std::string::npos);
    }
}

TEST(AtomicWrite, LeftoverTemporariesAreRemovedAndNothingElse) {
    TempFolder dir;
    dir.write(".pixtrail-abc123.tmp", "partial");
    dir.write("pixtrail.tmp", "user's");
    dir.write("GC1 - x.jpg", "picture");
    EXPECT_EQ(removeLeftoverTemporaries(ansiPath(dir.path())), 1);
    EXPECT_FALSE(dir.exists(".pixtrail-abc123.tmp"));
    EXPECT_TRUE(dir.exists("pixtrail.tmp"));
    EXPECT_TRUE(dir.exists("GC1 - x.jpg"));
}

TEST(Paths, NativePathsAreUtf8AndJoinAddsOneSeparator) {
    EXPECT_EQ(nativePath("/tmp/Caf\xE9").native(), "/tmp/Caf\xC3\xA9");
    EXPECT_EQ(ansiPath(fs::path("/tmp/Caf\xC3\xA9")), "/tmp/Caf\xE9");
    EXPECT_EQ(joinPath("/a", "b"), "/a/b");
    EXPECT_EQ(joinPath("/a/", "b"), "/a/b");
}
