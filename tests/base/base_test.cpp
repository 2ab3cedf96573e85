#include "base/ansi_text.hpp"
#include "base/files.hpp"
#include "base/run_error.hpp"
#include "base/text.hpp"
#include "support/temp_folder.hpp"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>

namespace fs = std::filesystem;
using namespace pixtrail::base;
using Names = std::vector<std::string>;

TEST(AnsiText, EveryByteSurvivesUtf8AndMalformedUtf8BecomesReplacements) {
    std::string all;
    for (int i = 0; i < 256; ++i)
        all += static_cast<char>(i);
    bool ok = false;
    EXPECT_EQ(utf8ToAnsi(ansiToUtf8(all), '?', &ok), all);
    EXPECT_TRUE(ok);
    // The code page's own characters, C1 controls for its five unassigned bytes; characters it
    // lacks (U+0080: the euro took its byte); lone, truncated, overlong, surrogate, too large.
    using Case = std::tuple<std::string_view, std::string_view, bool>; // UTF-8, ANSI, valid
    for (const auto& [utf8, ansi, valid] :
         {Case{"\xE2\x82\xAC\xC5\xA0\xC3\xA9\xE2\x80\x93", "\x80\x8A\xE9\x96", 1},
          Case{"\xC2\x81\xC2\x8D\xC2\x8F\xC2\x90\xC2\x9D", "\x81\x8D\x8F\x90\x9D", 1},
          Case{"a\xE6\x97\xA5z", "a?z", 1}, Case{"\xF0\x9F\x98\x80\xF4\x8F\xBF\xBF", "??", 1},
          Case{"\xC2\x80\xE0\xA0\x80", "??", 1}, Case{"\x80", "?", 0}, Case{"x\xE2\x82", "x??", 0},
          Case{"x\xC3!", "x?!", 0}, Case{"\xC0\xAF", "??", 0},
          Case{"\xED\xA0\x80\xED\xBF\xBF", "??????", 0}, Case{"\xF4\x90\x80\x80", "????", 0},
          Case{"\xE9t\xE9", "?t?", 0}}) {
        EXPECT_EQ(utf8ToAnsi(utf8, '?', &ok), ansi) << utf8;
        EXPECT_EQ(ok, ansi.find('?') == std::string_view::npos) << utf8;
        EXPECT_EQ(isValidUtf8(utf8), valid) << utf8;
    }
}

TEST(AnsiText, CaseFoldingCoversTheCodePagesLettersAndNothingElse) {
    const std::string lower = "az \xE0\xE9\xFE \x9A\x9C\x9E\xFF \xF7\xD7\xDF\xB5 @[`{\xBF";
    const std::string upper = "AZ \xC0\xC9\xDE \x8A\x8C\x8E\x9F \xF7\xD7\xDF\xB5 @[`{\xBF";
    EXPECT_EQ(ansiUpper(lower), upper);
    EXPECT_EQ(ansiLower(upper), lower);
}

TEST(Text, MatchingIgnoresCaseReplacingDoesNotRescanSplittingKeepsTheRest) {
    // Folded, E acute (U+00C9) sorts after Z and Y diaeresis (U+0178) before the euro.
    const size_t no = std::string_view::npos;
    using Case = std::tuple<std::string_view, std::string_view, bool, bool, bool, size_t, int>;
    for (const auto& [a, b, equal, startsWith, endsWith, found, order] :
         {Case{"<A>Spoiler <a>SPOILER", "spoiler", 0, 0, 1, 3, -1},
          Case{"Reg", "rEG", 1, 1, 1, 0, 0}, Case{"Reg", "Re", 0, 1, 0, 0, 1},
          Case{"Reg", "rEx", 0, 0, 0, no, -1}, Case{"ww", "www", 0, 0, 0, no, -1},
          Case{"x.JPG", ".jpg", 0, 0, 1, 1, 1}, Case{"\x8A\xE9", "\x9A\xC9", 1, 1, 1, 0, 0},
          Case{"Z", "\xE9", 0, 0, 0, no, -1}, Case{"\xFF", "\x80", 0, 0, 0, no, -1}}) {
        const int sign = (compareNoCase(a, b) > 0) - (compareNoCase(a, b) < 0);
        EXPECT_EQ(std::tuple(equalsNoCase(a, b), startsWithNoCase(a, b), endsWithNoCase(a, b),
                             findNoCase(a, b), containsNoCase(a, b), sign),
                  std::tuple(equal, startsWith, endsWith, found, found != no, order))
            << a << " / " << b;
    }
    EXPECT_EQ(findNoCase("<A>Spoiler <a>SPOILER", "spoiler", 4), 14u); // from a position
    EXPECT_EQ(replaceAllNoCase("%s spoilers, %S found", "%s", "3"), "3 spoilers, 3 found");
    EXPECT_EQ(replaceAllNoCase("aaa", "A", "aa"), "aaaaaa"); // inserted text is not searched
    EXPECT_EQ(replaceAllNoCase("abc", "", "x"), "abc");      // nothing to find cannot loop
    EXPECT_EQ(replaceAll("%s %S", "%s", "3"), "3 %S");
    EXPECT_EQ(splitLimited("a!b!!c", '!', 3), (std::vector<std::string>{"a", "b", "!c"}));
}

TEST(Text, NumbersAreReadAsATextBoxStartsWithThemAndRoundedHalfToEven) {
    using Case = std::tuple<std::string_view, double, bool>; // text, leading number, numeric
    for (const auto& [text, leading, numeric] :
         {Case{"10", 10, 1}, Case{"  12abc", 12, 0}, Case{"0300", 300, 1}, Case{" -3.5 ", -3.5, 1},
          Case{"+19", 19, 1}, Case{".5", 0.5, 1}, Case{"1.09", 1.09, 1}, Case{"2x5", 2, 0},
          Case{"x1", 0, 0}, Case{"1.2.3", 1.2, 0}, Case{"5-", 5, 0}, Case{"", 0, 0},
          Case{"-", 0, 0}, Case{".", 0, 0}}) {
        EXPECT_DOUBLE_EQ(leadingNumber(text), leading) << text;
        EXPECT_EQ(isNumeric(text), numeric) << text;
    }
    // Halves go to even; what a long long cannot hold saturates instead of being undefined.
    for (const auto& [value, rounded] :
         {std::pair{2.5, 2LL}, std::pair{3.5, 4LL}, std::pair{9.6, 10LL}, std::pair{-2.5, -2LL},
          std::pair{9223372036854775808.0, LLONG_MAX}, std::pair{1e300, LLONG_MAX},
          std::pair{-1e300, LLONG_MIN}, std::pair{double(NAN), 0LL}})
        EXPECT_EQ(roundHalfEven(value), rounded) << value;
}

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
#ifndef _WIN32 // Windows has no permission bits to keep, only the read-only attribute
    fs::permissions(dir.path() / "a.ini", fs::perms(0640));
#endif
    writeFileAtomically(ini, content);
    fs::create_directory(dir.path() / "index.html");
    // An interrupted rename, a folder in the file's place, a folder that does not exist.
    for (const char* name : {"a.ini", "index.html", "missing/x.txt"}) {
        failAtomicRenamesForTesting(name == std::string_view("a.ini"));
        EXPECT_THROW(writeFileAtomically(dir.file(name), "half"), RunError) << name;
    }
    failAtomicRenamesForTesting(false);
    EXPECT_EQ(readFile(ini), content);
#ifndef _WIN32
    EXPECT_EQ(fs::status(dir.path() / "a.ini").permissions() & fs::perms::all, fs::perms(0640));
#endif
    EXPECT_EQ(listFiles(folder, "*"), Names{"a.ini"}); // no temporary left behind

    // Start-up removes what an interrupted write leaves, and nothing else.
    for (const char* name : {".pixtrail-abc123.tmp", "pixtrail.tmp", "GC1A2B3 - spoiler.jpg"})
        dir.write(name, "x");
    fs::create_directory(dir.path() / ".pixtrail-folder.tmp");
    EXPECT_EQ(removeLeftoverTemporaries(folder), 1);
    EXPECT_EQ(listFiles(folder, "*"), (Names{"a.ini", "GC1A2B3 - spoiler.jpg", "pixtrail.tmp"}));
}
