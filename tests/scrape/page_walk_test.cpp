#include "scrape/caption_filter.hpp"
#include "scrape/page_walk.hpp"
#include "support/golden.hpp"

#include <gtest/gtest.h>

#include <sstream>

using namespace pixtrail::scrape;

namespace {

using Found = std::vector<std::pair<std::string, std::string>>;

const std::vector<std::string> kPrefixes =
    pictureLinkPrefixes("img.test", "imgcdn.test", "img3.test");

// A page whose picture section comes well after the first 100 characters.
std::string page(const std::string& body) {
    return "<html><head><title>GC1A2B3 The Old Mill</title></head><body>" + std::string(120, ' ') +
           body + "<span>footer</span></body></html>";
}

Found walk(const std::string& text) {
    Found found;
    walkPictureLinks(text, kPrefixes, [&](const std::string& link, const std::string& caption) {
        found.emplace_back(link, caption);
    });
    return found;
}

} // namespace

// The cases are pages, kept as they come in tests/data/scrape/picture-links.txt.
TEST(PageWalk, EachVintageOfPicturesYieldsItsLinkAndCaption) {
    std::istringstream cases(pixtrail::testing::testData("scrape/picture-links.txt"));
    std::string line, name, body;
    Found expected;
    int checked = 0;
    auto check = [&] {
        EXPECT_TRUE(name.empty() || walk(page(body)) == expected) << name;
        checked += !name.empty();
        expected.clear();
    };
    while (std::getline(cases, line)) {
        if (line.rfind("== ", 0) == 0) {
            check();
            name = line.substr(3);
            std::getline(cases, body);
        } else if (line.rfind("-> ", 0) == 0) {
            const size_t bar = line.find(" |");
            expected.emplace_back(line.substr(3, bar - 3),
                                  line.substr(std::min(bar + 3, line.size())));
        }
    }
    check();
    EXPECT_EQ(checked, 11);
    // Within the first 100 characters: never, even right after href.
    EXPECT_TRUE(walk("<a href=\"http://img.test/cache/a.jpg\" x>early</a><span></span>" +
                     std::string(200, ' '))
                    .empty());
}

TEST(Captions, CleaningFollowsTheRules) {
    EXPECT_EQ(StripHtml("a>b<c") + "|" + StripHtml("<b>bold</b>&nbsp;text"), "ac|bold text");
    // UTF-8 read byte by byte: "Brücke" arrives as Br, Ã, ¼, cke; "GRÜN" with Ü, not Ì.
    using Case = std::pair<std::string, std::string>;
    for (const auto& [raw, clean] :
         {Case{"Spoiler: Tom &amp; Jerry", "Spoiler Tom  Jerry"},
          Case{std::string(60, 'x') + "  ", std::string(50, 'x')},
          Case{"caf&#233; &#8364;", "caf\351 #8364"}, Case{"Br\303\274cke", "Br\374cke"},
          Case{"GR\303\234N", "GR\334N"},
          Case{"final.jpg / \"photo\" | 1+1=2?", "final  photo  112"},
          Case{"<span>Spoiler</span>", "Spoiler"}})
        EXPECT_EQ(cleanCaption(raw), clean) << raw;
}

TEST(Captions, TheCacheNameComesFromEitherMarker) {
    EXPECT_EQ(
        findCacheName("<title>GC1A2B3 The Old Mill</title>"
                      "<span id=\"ctl00_ContentBody_CacheName\">Mill \xE2\x80\x93 North</span>"),
        "Mill - North");
    EXPECT_EQ(findCacheName("<title>       Title Name</title>"), "Title Name");
    EXPECT_EQ(findCacheName("<title>" + std::string(7 + 120, 'n')), std::string(100, 'n'));
    EXPECT_EQ(findCacheName("no markers"), "");
    // The repair is exact: "Â" is not "â", though the two are a case pair.
    EXPECT_EQ(findCacheName("<title>1234567A\xC2\x80\x93Z</title>"), "A\xC2\x80\x93Z");
}

TEST(Filter, WordListsTemplatesAndRepeats) {
    CaptionFilter both(true, "spoiler,", true, "no spoil,not spoil,");
    EXPECT_EQ(both.judge("Spoiler", "l1"), "Spoiler");
    EXPECT_EQ(both.judge("No spoiler here", "l2"), "");
    EXPECT_EQ(both.judge("Hint", "l3"), "");
    EXPECT_EQ(both.judge("Spoiler ${Name}", "l4"), "");
    EXPECT_EQ(both.judge("Spoiler $item.data", "l5"), "");
    EXPECT_EQ(both.judge("SPOILER again", "L1"), ""); // the same link, any case
    EXPECT_EQ(both.judge("Spoiler", "l3"), "");       // met before, though rejected then

    CaptionFilter user(true, "spoiler,hint, ,spoil", false, "no spoil,not spoil,");
    EXPECT_EQ(user.judge("Hint photo", "a"), "Hint photo");
    EXPECT_EQ(user.judge("SPOILERS", "b"), "SPOILERS");
    EXPECT_EQ(user.judge("No spoiler", "c"), "No spoiler"); // ignore list not applied
    EXPECT_EQ(user.judge("", "d"), "");

    CaptionFilter none(false, "spoiler,", false, "no spoil,");
    EXPECT_EQ(none.judge("Anything", "x"), "Anything");
    EXPECT_EQ(none.judge("", "y"), "");
}
