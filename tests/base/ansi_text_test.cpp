#include "base/ansi_text.hpp"

#include <gtest/gtest.h>

using namespace pixtrail::base;

TEST(AnsiText, EveryByteSurvivesTheTripThroughUtf8) {
    std::string all;
    for (int i = 0; i < 256; ++i)
        all += static_cast<char>(i);
    const std::string utf8 = ansiToUtf8(all);
    EXPECT_TRUE(isValidUtf8(utf8));
    bool ok = false;
    EXPECT_EQ(utf8ToAnsi(utf8, '?', &ok), all);
    EXPECT_TRUE(ok);
}

TEST(AnsiText, HighBytesMapToTheirUnicodeCharacters) {
    EXPECT_EQ(ansiToUtf8("\x80"), "\xE2\x82\xAC"); // euro sign
    EXPECT_EQ(ansiToUtf8("\x96"), "\xE2\x80\x93"); // en dash
    EXPECT_EQ(ansiToUtf8("\x8A"), "\xC5\xA0");     // S caron
    EXPECT_EQ(ansiToUtf8("\xE9"), "\xC3\xA9");     // e acute
    // The five unassigned bytes stand for the C1 controls of the same value.
    for (unsigned char b : {0x81, 0x8D, 0x8F, 0x90, 0x9D}) {
        EXPECT_EQ(ansiToCodePoint(b), b);
        EXPECT_EQ(codePointToAnsi(b), b);
    }
    // A C1 control the code page uses for something else has no byte.
    EXPECT_EQ(codePointToAnsi(0x80), -1);
}

TEST(AnsiText, UnrepresentableAndMalformedUtf8BecomeReplacements) {
    bool ok = true;
    EXPECT_EQ(utf8ToAnsi("a\xE6\x97\xA5z", '?', &ok), "a?z"); // CJK character
    EXPECT_FALSE(ok);
    EXPECT_EQ(utf8ToAnsi("\xC3", '?', &ok), "?");           // truncated sequence
    EXPECT_EQ(utf8ToAnsi("\xC0\xAF", '?', &ok), "??");      // overlong slash
    EXPECT_EQ(utf8ToAnsi("\xED\xA0\x80", '?', &ok), "???"); // surrogate
    EXPECT_FALSE(isValidUtf8("\xE9t\xE9"));                 // Windows-1252 text
    EXPECT_TRUE(isValidUtf8("\xC3\xA9t\xC3\xA9"));
}

TEST(AnsiText, CaseFoldingCoversTheCodePagesLetters) {
    EXPECT_EQ(ansiUpper("abc xyz"), "ABC XYZ");
    EXPECT_EQ(ansiUpper("\xE0\xE9\xEE\xF5\xFC\xFE"), "\xC0\xC9\xCE\xD5\xDC\xDE");
    EXPECT_EQ(ansiUpper("\x9A\x9C\x9E\xFF"), "\x8A\x8C\x8E\x9F");
    EXPECT_EQ(ansiLower("\x8A\x8C\x8E\x9F"), "\x9A\x9C\x9E\xFF");
    // Multiplication and division signs, sharp s and micro sign are not letter pairs.
    EXPECT_EQ(ansiUpper("\xF7\xDF\xB5"), "\xF7\xDF\xB5");
    EXPECT_EQ(ansiLower("\xD7"), "\xD7");
    EXPECT_EQ(ansiUpper("123 !%"), "123 !%");
}
