#include "imaging/jpeg_reader.hpp"
#include "scrape/getspoilerpics.hpp"
#include "support/run_fixture.hpp"

#include <fstream>
#include <iterator>

using namespace pixtrail;
using pixtrail::testing::RunTest;
using shell::MessageKind;
using sync::RunOutcome;

namespace {

using Names = std::vector<std::string>;
const std::string kPage = "http://www.geocaching.com/seek/cache_details.aspx?wp=";
// Picture bodies: what matters is that they start like the formats they claim.
const std::string kJpeg = "\xFF\xD8\xFF\xE0";
const std::string kPng = "\x89PNG\r\n\x1A\n";

// Whole runs with the real scrape over an in-memory web.
class Scrape : public RunTest {
protected:
    void SetUp() override {
        RunTest::SetUp();
        getspoilerpics = realScrape();
        tick("chkDelUnused", false);
        tick("chkDohtml", false);
        tick("chkNoTxt", false);
        page("GC1A2B3", "");
    }

    void page(const std::string& code, const std::string& body) {
        dir.write("caches.gpx", "<name>" + code + "</name>\r\n");
        web.responses[kPage + code + "&Submit6=Find"] = cachePage(body, code);
    }
    static std::string cachePage(const std::string& body, const std::string& code = "GC1A2B3") {
        return "<html><head><title>" + code + " The Old Mill</title></head><body>" +
               std::string(1000, ' ') + body +
               "<span>end</span><h2>Logged Visits</h2></body></html>";
    }
    static std::string link(const std::string& url, const std::string& caption) {
        return "<li><a href=\"" + url + "\" rel=\"lightbox\">" + caption + "</a></li>";
    }
    void picture(const std::string& url, const std::string& bytes) { web.responses[url] = bytes; }
};

} // namespace

TEST_F(Scrape, StoresEachSpoilerUnderItsCaptionAndCountsIt) {
    page("GC1A2B3", link("http://img.geocaching.com/cache/large/a1.jpg", "Spoiler") +
                       link("http://img.geocaching.com/cache/large/a2.jpg", "No spoiler here") +
                       link("http://img.geocaching.com/cache/large/a3.JPG", "Spoiler") +
                       link("http://img.geocaching.com/cache/large/a4.JPEG", "Spoiler photo") +
                       link("http://img.geocaching.com/cache/display/a5.png", "Spoiler map") +
                       "<a href=\"http://img.geocaching.com/cache/a6.gif\">Spoiler gif</a>");
    picture("http://img.geocaching.com/cache/large/a1.jpg", kJpeg + "one");
    picture("http://img.geocaching.com/cache/large/a3.JPG", kJpeg + "three");
    picture("http://img.geocaching.com/cache/large/a4.JPEG", kJpeg + "four");
    picture("http://img.geocaching.com/cache/a5.png", kPng + "five");
    picture("http://img.geocaching.com/cache/a6.gif", kJpeg + "six");
    std::vector<std::string> progress;
    frontend.onPump = [&](int) {
        if (frontend.selected >= 0)
            progress.push_back(frontend.lines[frontend.selected]);
    };
    ASSERT_EQ(run(), RunOutcome::Finished);
    EXPECT_EQ(spoilerFiles(), (Names{"GC1A2B3 - Spoiler gifgif.jpg", "GC1A2B3 - Spoiler map.png",
                                     "GC1A2B3 - Spoiler photojpeg.jpg", "GC1A2B3 - Spoiler.jpg",
                                     "GC1A2B3 - Spoiler1.jpg"}));
    EXPECT_EQ(readSpoiler("GC1A2B3 - Spoiler.jpg"), kJpeg + "one");
    EXPECT_EQ(readSpoiler("GC1A2B3 - Spoiler1.jpg"), kJpeg + "three"); // the count was 1 then
    EXPECT_EQ(readSpoiler("GC1A2B3 - Spoiler photojpeg.jpg"), kJpeg + "four");
    EXPECT_EQ(readSpoiler("GC1A2B3 - Spoiler map.png"), kPng + "five"); // fetched without /display/
    EXPECT_EQ(readSpoiler("GC1A2B3 - Spoiler gifgif.jpg"),
              kJpeg + "six"); // fetched without the quote
    EXPECT_EQ(frontend.lines, Names{"GC1A2B3 5 spoilers"});
    EXPECT_NE(frontend.texts(MessageKind::Information).back().find("5 pictures downloaded"),
              std::string::npos);
    EXPECT_NE(std::find(progress.begin(), progress.end(), "Processing GC1A2B3 1 spoilers"),
              progress.end());

    // The next run finds them all present (with re-check on, it still reads the page).
    tick("chkRecheck", true);
    web.requests.clear();
    ASSERT_EQ(run(), RunOutcome::Finished);
    EXPECT_EQ(frontend.lines, Names{"GC1A2B3 5 spoilers"});
    EXPECT_NE(frontend.texts(MessageKind::Information).back().find("0 pictures downloaded"),
              std::string::npos);
    EXPECT_EQ(web.requests.size(), 2u); // the probe and the page, no picture
}

TEST_F(Scrape, AMissingPictureIsTriedOnTheContentDeliveryHostAndNeverFaked) {
    page("GC1A2B3", link("http://img.geocaching.com/cache/large/b1.jpg", "Spoiler one") +
                       link("http://img.geocaching.com/cache/large/b2.jpg", "Spoiler two"));
    picture("http://imgcdn.geocaching.com/b1_l.jpg", kJpeg + "from the cdn");
    ASSERT_EQ(run(), RunOutcome::Incomplete);
    EXPECT_EQ(readSpoiler("GC1A2B3 - Spoiler one.jpg"), kJpeg + "from the cdn");
    EXPECT_FALSE(hasSpoiler("GC1A2B3 - Spoiler two.jpg")); // nothing came: no empty file
    EXPECT_EQ(frontend.lines, Names{"GC1A2B3 1 spoilers, 1 failed"});
    EXPECT_NE(std::find(web.requests.begin(), web.requests.end(),
                        "http://imgcdn.geocaching.com/b2_l.jpg"),
              web.requests.end());

    // A body that is no picture (an error page sent with 200) is no spoiler either.
    page("GC33333", link("http://img.geocaching.com/cache/large/h.jpg", "Spoiler"));
    picture("http://img.geocaching.com/cache/large/h.jpg", "<html>Please sign in</html>");
    picture("http://imgcdn.geocaching.com/h_l.jpg", kJpeg + "the real one");
    ASSERT_EQ(run(), RunOutcome::Finished);
    EXPECT_EQ(readSpoiler("GC33333 - Spoiler.jpg"), kJpeg + "the real one");

    // A cache whose only picture did not arrive is not marked as having none.
    page("GC22222", link("http://img.geocaching.com/cache/large/c.jpg", "Spoiler"));
    ASSERT_EQ(run(), RunOutcome::Incomplete);
    EXPECT_EQ(frontend.lines, Names{"GC22222 0 spoilers, 1 failed"});
    EXPECT_FALSE(hasSpoiler("GC22222 - no spoiler found.txt"));
}

TEST_F(Scrape, APageWithoutSpoilersLeavesAMarkerButAFailedPageDoesNot) {
    page("GC1A2B3", link("http://img.geocaching.com/cache/large/d.jpg", "The view"));
    ASSERT_EQ(run(), RunOutcome::Finished);
    EXPECT_EQ(spoilerFiles(), Names{"GC1A2B3 - no spoiler found.txt"});
    EXPECT_EQ(frontend.lines, Names{"GC1A2B3 no spoilers found"});

    // A page that did not arrive, and a page that is no cache page (a sign-in page answered
    // with 200), say nothing about the cache; a short cache page is no proof either.
    dir.write("caches.gpx",
              "<name>GC33333</name>\r\n<name>GC44444</name>\r\n<name>GC55555</name>\r\n");
    web.responses[kPage + "GC44444&Submit6=Find"] =
        "<html><head><title>GC44444</title></head></html>";
    web.responses[kPage + "GC55555&Submit6=Find"] =
        "<html><head><title>Sign in</title></head><body>" + std::string(2000, ' ') + "</body>";
    ASSERT_EQ(run(), RunOutcome::Incomplete);
    EXPECT_EQ(frontend.lines, (Names{"GC33333 page not available", "GC44444 no spoilers found",
                                     "GC55555 page not available"}));
    EXPECT_EQ(spoilerFiles(),
              (Names{".pixtrail-incomplete-GC33333.part", ".pixtrail-incomplete-GC55555.part",
                     "GC1A2B3 - no spoiler found.txt"}));
}

TEST_F(Scrape, ForcedCodesAreRequestedAsGcButNamedAsRead) {
    tick("chkForceGC", true);
    dir.write("caches.gpx", "<name>OC12AB3</name>\r\n");
    web.responses[kPage + "GC12AB3&Submit6=Find"] =
        cachePage(link("http://img.geocaching.com/cache/e.jpg", "Spoiler"), "GC12AB3");
    picture("http://img.geocaching.com/cache/e.jpg", kJpeg + "jpeg");
    ASSERT_EQ(run(), RunOutcome::Finished);
    EXPECT_EQ(spoilerFiles(), Names{"OC12AB3 - Spoiler.jpg"});
}

TEST_F(Scrape, DebugModeChangesNothingButTheTrace) {
    const std::string body = link("http://img.geocaching.com/cache/f.jpg", "Spoiler error") +
                             "<p>An error occurred\t\r\nsomewhere</p>";
    page("GC1A2B3", body);
    picture("http://img.geocaching.com/cache/f.jpg", kJpeg + "jpeg");
    ASSERT_EQ(run(), RunOutcome::Finished);
    const Names quiet = spoilerFiles();

    base::removeFile(dir.file("spoilers/GC1A2B3 - Spoiler error.jpg"));
    shell::debugLog().setEnabled(true);
    ASSERT_EQ(run(), RunOutcome::Finished);
    EXPECT_EQ(spoilerFiles(), quiet);
    const std::string trace = dir.read("debug.txt");
    EXPECT_NE(trace.find("Returned HTML contains the word 'error'"), std::string::npos);
    EXPECT_NE(trace.find("CacheName ' The Old Mill' found at 13"), std::string::npos);
    EXPECT_NE(trace.find("Caption is 'Spoiler error'"), std::string::npos);
    EXPECT_NE(trace.find("1 spoilers found for waypoint 'GC1A2B3'"), std::string::npos);
}

TEST_F(Scrape, AFaultInsideTheScrapeIsShownAndEndsTheProgram) {
    page("GC1A2B3", link("http://img.geocaching.com/cache/g.jpg", "Spoiler"));
    web.failWithError = true;
    web.responses.clear();
    endpoints.connectivityProbe = "http://probe.test/";
    EXPECT_EQ(run(), RunOutcome::EndedByError); // the probe fails first
    web.failWithError = false;
    web.responses["http://probe.test/"] = "up";
    web.responses[kPage + "GC1A2B3&Submit6=Find"] =
        cachePage(link("http://img.geocaching.com/cache/g.jpg", "Spoiler"));
    getspoilerpics = [&](scrape::ScrapeCall& call) {
        web.failWithError = true; // the page request itself breaks
        return realScrape()(call);
    };
    frontend.messages.clear();
    EXPECT_THROW(run(), base::ProgramEndRequested);
    EXPECT_EQ(warnings(), Names{"The web fetch failed"});
}

TEST_F(Scrape, JpegsAreShrunkBeforeTheyAreStoredAndWhenFoundTooBig) {
    std::ifstream in(PIXTRAIL_SOURCE_DIR "/demo/site/cache/large/mill-final.jpg", std::ios::binary);
    const std::string photo((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ASSERT_EQ(imaging::readJpegHeader(photo).width, 800);
    tick("chkResize", true);
    session.window.setText("txtWidth", "300");
    session.window.setText("txtHeight", "300");
    page("GC1A2B3", link("http://img.geocaching.com/cache/m.jpg", "Spoiler") +
                       link("http://img.geocaching.com/cache/n.jpg", "Spoiler hint"));
    picture("http://img.geocaching.com/cache/m.jpg", photo);
    spoiler("GC1A2B3 - Spoiler hint.jpg", photo); // an earlier run stored it full size
    tick("chkRecheck", true);
    ASSERT_EQ(run(), RunOutcome::Finished);
    ASSERT_EQ(spoilerFiles(), (Names{"GC1A2B3 - Spoiler hint.jpg", "GC1A2B3 - Spoiler.jpg"}));
    for (const char* name : {"GC1A2B3 - Spoiler.jpg", "GC1A2B3 - Spoiler hint.jpg"}) {
        const imaging::JpegHeader stored = imaging::readJpegHeader(readSpoiler(name));
        EXPECT_EQ(stored.width, 300) << name;
        EXPECT_EQ(stored.height, 225) << name;
    }
    EXPECT_EQ(frontend.lines, Names{"GC1A2B3 2 spoilers"});
}
