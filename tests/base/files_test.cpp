#include "base/files.hpp"
#include "base/run_error.hpp"
#include "support/temp_folder.hpp"

#include <gtest/gtest.h>

namespace fs = std::filesystem;
using namespace pixtrail::base;
using Names = std::vector<std::string>;

TEST(Files, WildcardsMatchLikeWindowsIgnoringCase) {
    // The space after the code keeps a code from matching a longer one; a star may match nothing.
    using Case = std::tuple<std::string_view, std::string_view, bool>; // name, pattern, matches
    for (const auto& [name, pattern, matches] :
         {Case{"GC1A2B3 - 1.jpg", "*-*.jpg", 1}, Case{"-.jpg", "*-*.jpg", 1}, Case{"", "*", 1},
          Case{"\xC9t\xE9\x80.jpg", "\xE9T\xC9*.JPG", 1}, Case{"GC123 - x.jpg", "GC12*.jpg", 1},
          Case{"a-b.jpg.bak", "*-*.jpg", 0}, Case{"GC1 x.jpg", "*-*.jpg", 0}, Case{"a", "a?", 0},
          Case{"GC12 - x", "GC12 - *", 1}, Case{"GC123 - x", "GC12 - *", 0}, Case{"ab", "a?", 1},
          Case{"a-b.jpeg", "*-*.jpg", 0}, Case{"README", "READ*.*", 1}, Case{"GC1", "GC123", 0},
          Case{"abc", "a?", 0}})
        EXPECT_EQ(matchesWildcard(name, pattern), matches) << name << " / " << pattern;
}

TEST(Files, ListsMatchingFilesSortedAsWindowsReturnsThem) {
    pixtrail::testing::TempFolder dir;
    for (const char* name : {"b-x.jpg", "A-y.jpg", "c-z.JPG", "GC1 - n", "Caf\xE9-x.jpg"})
        dir.write(name, "x"); // stored as UTF-8, listed as Windows-1252
    fs::copy_file(dir.path() / "b-x.jpg", dir.path() / "\xE6\x97\xA5-x.jpg"); // unspellable
    fs::create_directory(dir.path() / "dir-x.jpg"); // directories are not files
    const std::string folder = ansiPath(dir.path());
    EXPECT_EQ(listFiles(folder, "*-*.jpg"),
              (Names{"A-y.jpg", "b-x.jpg", "c-z.JPG", "Caf\xE9-x.jpg"}));
    EXPECT_EQ(findFiles(joinPath(folder, "gc1 - *")), Names{"GC1 - n"});
    EXPECT_EQ(listFiles(joinPath(folder, "missing"), "*"), Names{});
    EXPECT_EQ(joinPath("/a/", "b") + joinPath("", "b"), "/a/bb");
}

TEST(Files, AtomicWritesReplaceTheWholeFileOrLeaveTheOldOne) {
    pixtrail::testing::TempFolder dir;
    const std::string folder = ansiPath(dir.path()), ini = dir.file("a.ini"), content("1\0", 2);
    writeFileAtomically(ini, "first");
    fs::permissions(dir.path() / "a.ini", fs::perms(0640));
    writeFileAtomically(ini, content);
    fs::create_directory(dir.path() / "index.html");
    // An interrupted rename, a folder in the file's place, a folder that does not exist.
    for (const char* name : {"a.ini", "index.html", "missing/x.txt"}) {
        failAtomicRenamesForTesting(name == std::string_view("a.ini"));
        EXPECT_THROW(writeFileAtomically(dir.file(name), "half"), RunError) << name;
    }
    failAtomicRenamesForTesting(false);
    EXPECT_EQ(readFile(ini), content);
    EXPECT_EQ(fs::status(dir.path() / "a.ini").permissions() & fs::perms::all, fs::perms(0640));
    EXPECT_EQ(listFiles(folder, "*"), Names{"a.ini"}); // no temporary left behind

    // Start-up removes what an interrupted write leaves, and nothing else.
    for (const char* name : {".pixtrail-abc123.tmp", "pixtrail.tmp", "GC1A2B3 - spoiler.jpg"})
        dir.write(name, "x");
    fs::create_directory(dir.path() / ".pixtrail-folder.tmp");
    EXPECT_EQ(removeLeftoverTemporaries(folder), 1);
    EXPECT_EQ(listFiles(folder, "*"), (Names{"a.ini", "GC1A2B3 - spoiler.jpg", "pixtrail.tmp"}));
}
