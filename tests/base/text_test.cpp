#include "base/text.hpp"

#include <gtest/gtest.h>

using namespace pixtrail::base;

TEST(Text, CaseInsensitiveSearchFromAPosition) {
    const std::string page = "<A HREF=x>Spoiler</a> <a href=y>SPOILER \xC9t\xE9</a>";
    EXPECT_EQ(findNoCase(page, "spoiler"), 10u);
    EXPECT_EQ(findNoCase(page, "spoiler", 11), 32u);
    EXPECT_EQ(findNoCase(page, "\xE9T\xC9"), 40u); // accented letters fold too
    EXPECT_EQ(findNoCase(page, "missing"), std::string::npos);
    EXPECT_EQ(findNoCase(page, "", 3), 3u);
    EXPECT_EQ(findNoCase("abc", "c", 4), std::string::npos);
    EXPECT_EQ(findNoCase("ab", "abc"), std::string::npos);
    EXPECT_TRUE(containsNoCase("No Spoiler", "NO SPOILER"));
    EXPECT_TRUE(equalsNoCase("Reg", "rEG"));
    EXPECT_FALSE(equalsNoCase("Reg", "Re"));
    EXPECT_TRUE(startsWithNoCase("www.example", "WWW"));
    EXPECT_FALSE(startsWithNoCase("ww", "www"));
    EXPECT_TRUE(endsWithNoCase("photo.JPG", ".jpg"));
}

TEST(Text, ReplaceAllIsCaseInsensitiveAndDoesNotRescan) {
    EXPECT_EQ(replaceAllNoCase("%s spoilers, %S found", "%s", "3"), "3 spoilers, 3 found");
    EXPECT_EQ(replaceAllNoCase("aaa", "a", "aa"), "aaaaaa");
    EXPECT_EQ(replaceAllNoCase("abc", "", "x"), "abc");
    EXPECT_EQ(replaceAll("Aa", "a", "b"), "Ab");
}

TEST(Text, TrimRemovesOnlySpaces) {
    EXPECT_EQ(trimSpaces("  a b  "), "a b");
    EXPECT_EQ(trimSpaces("\ta\t"), "\ta\t");
    EXPECT_EQ(trimSpaces("    "), "");
}

TEST(Text, LeadingNumberReadsWhatATextBoxStartsWith) {
    EXPECT_EQ(leadingNumber("10"), 10);
    EXPECT_EQ(leadingNumber("  12abc"), 12);
    EXPECT_EQ(leadingNumber("0300"), 300);
    EXPECT_EQ(leadingNumber("-3.5x"), -3.5);
    EXPECT_EQ(leadingNumber("+7"), 7);
    EXPECT_EQ(leadingNumber(".5"), 0.5);
    EXPECT_EQ(leadingNumber("abc"), 0);
    EXPECT_EQ(leadingNumber(""), 0);
    EXPECT_EQ(leadingNumber("-"), 0);
    EXPECT_EQ(leadingNumber("."), 0);
    EXPECT_EQ(roundHalfEven(2.5), 2);
    EXPECT_EQ(roundHalfEven(3.5), 4);
    EXPECT_EQ(roundHalfEven(9.6), 10);
    EXPECT_EQ(roundHalfEven(-2.5), -2);
}

TEST(Text, SplitKeepsTheRestInTheLastField) {
    const auto fields = splitLimited("Reg!Settings!delay!0!10!!!!", '!', 9);
    ASSERT_EQ(fields.size(), 9u);
    EXPECT_EQ(fields[2], "delay");
    EXPECT_EQ(fields[4], "10");
    EXPECT_EQ(fields[8], "");
    const auto limited = splitLimited("a!b!c!d", '!', 2);
    ASSERT_EQ(limited.size(), 2u);
    EXPECT_EQ(limited[1], "b!c!d");
    EXPECT_EQ(splitLimited("", '!', 9).size(), 1u);
}

TEST(Text, NameOrderFoldsCaseAndFollowsUnicode) {
    EXPECT_LT(compareNoCase("a.jpg", "B.jpg"), 0);
    EXPECT_EQ(compareNoCase("GC1 - X.jpg", "gc1 - x.JPG"), 0);
    EXPECT_LT(compareNoCase("GC1", "GC1 - x"), 0);
    EXPECT_LT(compareNoCase("Z", "\xE9"), 0);    // E acute (U+00C9 once folded) after Z
    EXPECT_LT(compareNoCase("\xFF", "\x80"), 0); // Y diaeresis (U+0178) before euro
}
