#include "scrape/caption_filter.hpp"
#include "scrape/page_walk.hpp"

#include <gtest/gtest.h>

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

TEST(PageWalk, EachVintageOfOwnerPicturesYieldsLinkAndCaption) {
    // Owner-image list with the caption as link text, then the logs begin.
    EXPECT_EQ(
        walk(page("<ul><li><a href=\"https://img.test/cache/large/ab-12.jpg\" rel=\"lightbox\">"
                  "Spoiler Final</a></li></ul><h2>Logged Visits</h2>"
                  "<a href=\"https://img.test/cache/log/large/cd-34.jpg\" rel=\"lightbox\">"
                  "Spoiler in a log</a>")),
        (Found{{"https://img.test/cache/large/ab-12.jpg", "Spoiler Final"}}));

    // Upper-case extension and a data-title attribute before the link text.
    EXPECT_EQ(walk(page("<li><a href=\"https://img.test/cache/large/ef.JPG\" data-title=\""
                        "<strong>Hint photo</strong>\" rel=\"lightbox\">Hint photo</a></li>")),
              (Found{{"https://img.test/cache/large/ef.JPG", "Hint photo"}}));

    // Older pages: the caption in a span right after the link's tag.
    EXPECT_EQ(walk(page("<a href=\"http://img.test/cache/0a1b.jpg\" rel=\"lightbox\">"
                        "<span>Spoiler</span></a>")),
              (Found{{"http://img.test/cache/0a1b.jpg", "Spoiler"}}));

    // An icon before the span: under these rules the caption comes out empty.
    EXPECT_EQ(walk(page("<a href=\"http://img3.test/cache/9f.jpg\" rel=\"lightbox\">"
                        "<img src=\"/images/icon.gif\" /><span>Spoiler</span></a>")),
              (Found{{"http://img3.test/cache/9f.jpg", ""}}));

    // An empty link text with the caption in a description next to it.
    EXPECT_EQ(walk(page("<a href=\"https://img.test/cache/large/77.jpg\" rel=\"lightbox\"></a>"
                        "<span class=\"description\">FOTO SPOILER</span>")),
              (Found{{"https://img.test/cache/large/77.jpg", "FOTO SPOILER"}}));
    // ... but not one that stands far away.
    EXPECT_EQ(walk(page("<a href=\"https://img.test/cache/large/78.jpg\" rel=\"lightbox\"></a>" +
                        std::string(250, ' ') + "<span class=\"description\">FAR</span>")),
              (Found{{"https://img.test/cache/large/78.jpg", ""}}));

    // Without a logs marker, log pictures with empty captions are walked too.
    EXPECT_EQ(walk(page("<a href=\"https://img.test/cache/log/large/aa.jpg\" rel=\"lightbox\">"
                        "</a><span>x</span>")),
              (Found{{"https://img.test/cache/log/large/aa.jpg", ""}}));
}

TEST(PageWalk, PositionAndHrefRulesDecideWhichLinksCount) {
    // Within the first 100 characters: never, even right after href.
    const std::string early = "<a href=\"http://img.test/cache/a.jpg\" x>early</a><span></span>";
    EXPECT_TRUE(walk(early + std::string(200, ' ')).empty());
    // Not preceded by "href" in the 10 characters before it.
    EXPECT_TRUE(walk(page("<img src=\"http://img.test/cache/b.jpg\" alt=\"x\">no</span>")).empty());
    // No prefix at all.
    EXPECT_TRUE(walk(page("<a href=\"http://elsewhere.test/cache/c.jpg\">c</a>")).empty());
    // A link whose closing quote runs straight into ">" keeps the quote.
    EXPECT_EQ(walk(page("<a href=\"http://img.test/cache/d.jpg\">Spoiler</a>")),
              (Found{{"http://img.test/cache/d.jpg\"", "Spoiler"}}));
    // ".jpeg" is cut after its five characters like the other extensions.
    EXPECT_EQ(walk(page("<a href=\"http://img.test/cache/e.jpeg\" rel=\"lightbox\">S</a>")),
              (Found{{"http://img.test/cache/e.jpeg", "S"}}));
}

TEST(Captions, CleaningFollowsTheRules) {
    EXPECT_EQ(StripHtml("a>b<c"), "ac");
    EXPECT_EQ(StripHtml("<b>bold</b>&nbsp;text"), "bold text");
    EXPECT_EQ(cleanCaption("Spoiler: Tom &amp; Jerry"), "Spoiler Tom  Jerry");
    EXPECT_EQ(cleanCaption(std::string(60, 'x') + "  "), std::string(50, 'x'));
    EXPECT_EQ(cleanCaption("caf&#233; &#8364;"), "caf\xE9 #8364");
    // UTF-8 read byte by byte: "Brücke" arrives as Br, Ã, ¼, cke.
    EXPECT_EQ(cleanCaption("Br\xC3\xBC"
                           "cke"),
              "Br\xFC"
              "cke");
    EXPECT_EQ(cleanCaption("GR\xC3\x9C"
                           "N"),
              "GR\xDC"
              "N"); // Ü, not Ì
    EXPECT_EQ(cleanCaption("final.jpg / \"photo\" | 1+1=2?"), "final  photo  112");
    EXPECT_EQ(cleanCaption("<span>Spoiler</span>"), "Spoiler");
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
