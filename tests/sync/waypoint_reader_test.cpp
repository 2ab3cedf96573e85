#include "base/files.hpp"
#include "base/run_error.hpp"
#include "shell/debug_log.hpp"
#include "support/temp_folder.hpp"
#include "sync/waypoint_reader.hpp"

#include <gtest/gtest.h>

#include <random>

using namespace pixtrail::sync;
using pixtrail::testing::TempFolder;

namespace {
// The name a line yields and whether the run takes it, as one string for compact checks.
std::string judge(std::string_view line, bool forceGC = false) {
    const AcceptedName a = acceptWaypointName(extractWaypointName(line), forceGC);
    return a.name + (a.accepted ? " +" : " -");
}
} // namespace

TEST(WaypointNames, EachKindOfFileYieldsItsCode) {
    EXPECT_EQ(judge("<waypoint><name id=\"GC1A2B3\"><![CDATA[A cache by someone]]></name>"),
              "GC1A2B3 +");
    EXPECT_EQ(judge("    <name>GC1A2B3</name>"), "GC1A2B3 +");
    EXPECT_EQ(judge("    <name><![CDATA[GC1A2B3]]></name>"), "GC1A2B3 +");
    EXPECT_EQ(judge("<NAME>gc1a2b3</NAME>"), "gc1a2b3 +"); // markers ignore case
    EXPECT_EQ(judge("<gsak:name>GC1A2B3</gsak:name>"), " -");
    EXPECT_EQ(judge("gc12ab"), "GC12AB +");
    EXPECT_EQ(judge("GC12345"), "GC12345 +"); // today's codes have seven characters
    EXPECT_EQ(judge("  gc5px7q "), "GC5PX7Q +");
    EXPECT_EQ(judge("GC123456"), " -");
    EXPECT_EQ(judge("<name>GC12345</name>"), "GC12345 +");
    EXPECT_EQ(judge("<name>GC123456</name>"), "GC123456 -");
    EXPECT_EQ(judge("<name>1234</name>"), "GC1234 +");
    EXPECT_EQ(judge("<name>TS1234</name>"), "TS1234 -");
    EXPECT_EQ(judge("<name>TS1234</name>", true), "TS1234 +");
    EXPECT_EQ(judge("<name>12AB34</name>", true), "12AB34 -"); // a numeric prefix never
    EXPECT_EQ(judge("<name>123456</name>", true), "123456 -");
    EXPECT_EQ(judge("<name>My pocket query</name>"), "My pocket query -");
    EXPECT_EQ(judge("<name>abc</name>"), "GCabc +");
    EXPECT_EQ(judge("<name>a/b</name>"), "GCa/b -");
    EXPECT_EQ(judge("<name>GC1:2</name>"), "GC1:2 -");
    EXPECT_EQ(judge("<name>GC1A2B3"), "GC1A2B3 +"); // no closing tag: rest of the line
    EXPECT_EQ(judge(""), " -");
    EXPECT_EQ(judge("<wpt><name>GC11111</name></wpt><wpt><name>GC22222</name></wpt>"),
              "GC11111 +"); // one name per line
}

TEST(WaypointNames, OnlyPlainNamesMayAddressFiles) {
    EXPECT_TRUE(isSafeFileName("GC1A2B3"));
    EXPECT_TRUE(isSafeFileName("My pocket query"));
    for (const char* bad : {"", ".", "..", "../../x", "a/b", "a\\b", "c:x"})
        EXPECT_FALSE(isSafeFileName(bad)) << bad;
}

TEST(WaypointNames, DebugLinesGiveOneBasedPositions) {
    TempFolder dir;
    pixtrail::shell::debugLog().setPath(dir.file("debug.txt"));
    pixtrail::shell::debugLog().setEnabled(true);
    extractWaypointName("<name>GC1</name>");
    extractWaypointName("  <name id=\"GC2\">");
    extractWaypointName("gc3");
    pixtrail::shell::debugLog().setEnabled(false);
    const std::string trace = dir.read("debug.txt");
    EXPECT_NE(trace.find(" Found waypoint at position 7\r\n"), std::string::npos);
    EXPECT_NE(trace.find(" Waypoint: GC1\r\n"), std::string::npos);
    EXPECT_NE(trace.find(" Found waypoint at position 13\r\n"), std::string::npos);
    EXPECT_NE(trace.find(" Waypoint: GC3\r\n"), std::string::npos);
}

TEST(WaypointReaderTest, LinesAndPositionsMatchAByteWiseReader) {
    TempFolder dir;
    // Lines of every length, all three line ends, across many buffer refills.
    std::mt19937 rng(7);
    std::string content;
    while (content.size() < 3'500'000) {
        const size_t len = rng() % 3 == 0 ? rng() % 200000 : rng() % 80;
        for (size_t i = 0; i < len; ++i)
            content += static_cast<char>('A' + rng() % 26);
        const char* ends[] = {"\r\n", "\n", "\r"};
        content += ends[rng() % 3];
    }
    content += "last line without end";
    dir.write("big.gpx", content);

    WaypointReader reader(dir.file("big.gpx"));
    EXPECT_EQ(reader.size(), content.size());
    size_t pos = 0; // the reference: one byte at a time
    while (pos < content.size()) {
        std::string expected;
        while (pos < content.size() && content[pos] != '\r' && content[pos] != '\n')
            expected += content[pos++];
        if (pos < content.size())
            ++pos;
        ASSERT_FALSE(reader.atEnd());
        ASSERT_EQ(reader.ReadLine(), expected);
        ASSERT_EQ(reader.position(), pos + 1);
    }
    EXPECT_TRUE(reader.atEnd());
}

TEST(WaypointReaderTest, CrLfGivesAnEmptyLineAndHugeLinesAreCut) {
    TempFolder dir;
    dir.write("a.loc", "GC1\r\nGC2\r\n");
    WaypointReader small(dir.file("a.loc"));
    std::vector<std::string> lines;
    while (!small.atEnd())
        lines.push_back(small.ReadLine());
    EXPECT_EQ(lines, (std::vector<std::string>{"GC1", "", "GC2", ""}));

    const std::string huge = "<name>GC9</name>" + std::string(WaypointReader::kMaxLineLength, 'x');
    dir.write("one-line.gpx", huge + "\nGC10");
    WaypointReader big(dir.file("one-line.gpx"));
    const std::string first = big.ReadLine();
    EXPECT_EQ(first.size(), WaypointReader::kMaxLineLength);
    EXPECT_EQ(extractWaypointName(first), "GC9");
    EXPECT_EQ(big.ReadLine(), "GC10");
    EXPECT_TRUE(big.atEnd());

    EXPECT_THROW(WaypointReader(dir.file("missing.gpx")), pixtrail::base::RunError);
    EXPECT_THROW(WaypointReader(pixtrail::base::ansiPath(dir.path())), pixtrail::base::RunError);
}
