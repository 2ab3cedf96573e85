#include "base/run_error.hpp"
#include "support/temp_folder.hpp"
#include "sync/waypoint_reader.hpp"

#include <gtest/gtest.h>

#include <random>

using namespace pixtrail::sync;
using pixtrail::testing::TempFolder;

TEST(WaypointNames, EachKindOfLineYieldsItsCode) {
    // The name a line yields and whether the run takes it, with forceGC off and on.
    const std::tuple<std::string, std::string, std::string> cases[] = {
        {"<waypoint><name id=\"GC1A2B3\"><![CDATA[A cache]]></name>", "GC1A2B3 +", "GC1A2B3 +"},
        {"    <name><![CDATA[GC1A2B3]]></name>", "GC1A2B3 +", "GC1A2B3 +"},
        {"<NAME>gc1a2b3</NAME>", "gc1a2b3 +", "gc1a2b3 +"}, // markers ignore case
        {"<gsak:name>GC1A2B3</gsak:name>", " -", " -"},
        {"gc12ab", "GC12AB +", "GC12AB +"},
        {"  gc5px7q ", "GC5PX7Q +", "GC5PX7Q +"}, // today's seven characters
        {"GC123456", " -", " -"},
        {"<name>GC123456</name>", "GC123456 -", "GC123456 -"},
        {"<name>1234</name>", "GC1234 +", "GC1234 +"},
        {"<name>TS1234</name>", "TS1234 -", "TS1234 +"},
        {"<name>12AB34</name>", "12AB34 -", "12AB34 -"}, // a numeric prefix never
        {"<name>My pocket query</name>", "My pocket query -", "My pocket query -"},
        {"<name>abc</name>", "GCabc +", "GCabc +"},
        {"<name>a/b</name>", "GCa/b -", "GCa/b -"},
        {"<name>GC1:2</name>", "GC1:2 -", "GC1:2 -"},
        {"<name>GC1A2B3", "GC1A2B3 +", "GC1A2B3 +"}, // no closing tag: the rest of the line
        {"", " -", " -"},
        {"<wpt><name>GC11111</name></wpt><wpt><name>GC22222</name></wpt>", "GC11111 +",
         "GC11111 +"}, // one name per line
    };
    for (const auto& [line, plain, forced] : cases) {
        for (const bool force : {false, true}) {
            const AcceptedName a = acceptWaypointName(extractWaypointName(line), force);
            EXPECT_EQ(a.name + (a.accepted ? " +" : " -"), force ? forced : plain) << line;
        }
    }
    for (const char* bad : {"", ".", "..", "../../x", "a/b", "a\\b", "c:x", "a*"})
        EXPECT_FALSE(isSafeFileName(bad)) << bad;
    EXPECT_TRUE(isSafeFileName("My pocket query"));
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
    dir.write("a.loc", "\xEF\xBB\xBFGC1\r\nGC2\r\n");
    WaypointReader small(dir.file("a.loc"));
    std::vector<std::string> lines;
    while (!small.atEnd())
        lines.push_back(small.ReadLine());
    EXPECT_EQ(lines, (std::vector<std::string>{"GC1", "", "GC2", ""})); // no byte-order mark

    const std::string huge = "<name>GC9</name>" + std::string(WaypointReader::kMaxLineLength, 'x');
    dir.write("one-line.gpx", huge + "\nGC10");
    WaypointReader big(dir.file("one-line.gpx"));
    const std::string first = big.ReadLine();
    EXPECT_EQ(first.size(), WaypointReader::kMaxLineLength);
    EXPECT_EQ(extractWaypointName(first), "GC9");
    EXPECT_EQ(big.ReadLine(), "GC10");
    EXPECT_TRUE(big.atEnd());
    EXPECT_THROW(WaypointReader(dir.file("missing.gpx")), pixtrail::base::RunError);
}
