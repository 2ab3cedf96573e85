#include "scrape/curl_fetch.hpp"
#include "shell/debug_log.hpp"
#include "shell/version.hpp"
#include "support/fake_clock.hpp"
#include "support/fixture_site.hpp"
#include "support/temp_folder.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <ctime>
#include <thread>

using namespace pixtrail::scrape;
using namespace std::chrono_literals;
using pixtrail::shell::debugLog;
using pixtrail::testing::FakeClock;
using pixtrail::testing::Fault;
using pixtrail::testing::FixtureSite;
using pixtrail::testing::TempFolder;

namespace {

using Kind = Fault::Kind;

// Every byte value, NUL and the Windows-1252 upper half included, as a page may hold them.
std::string everyByte(int repeat) {
    std::string s;
    for (int r = 0; r < repeat; ++r)
        for (int b = 0; b < 256; ++b)
            s += static_cast<char>(b);
    return s;
}

// Designated initializers would do, but GCC 12 warns about every member they leave out.
Fault fault(Kind kind) {
    Fault f;
    f.kind = kind;
    return f;
}

Fault statusFault(int status, size_t size = 0, std::string retryAfter = {}, int times = -1) {
    Fault f = fault(Kind::Status);
    f.status = status;
    f.size = size;
    f.retryAfter = std::move(retryAfter);
    f.times = times;
    return f;
}

Fault redirectTo(std::string location) {
    Fault f = fault(Kind::Redirect);
    f.location = std::move(location);
    return f;
}

Fault chainOf(int count) {
    Fault f = fault(Kind::RedirectChain);
    f.count = count;
    return f;
}

Fault after(Kind kind, std::chrono::milliseconds delay) {
    Fault f = fault(kind);
    f.delay = delay;
    return f;
}

std::chrono::milliseconds since(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                                 start);
}

class CurlFetchTest : public ::testing::Test {
protected:
    TempFolder dir;
    FixtureSite site;
    Endpoints endpoints = quickEndpoints();

    static Endpoints quickEndpoints() {
        Endpoints e;
        e.requestTimeoutSeconds = 2; // the stall and silence cases end within seconds
        return e;
    }

    void SetUp() override {
        debugLog().setPath(dir.file("debug.txt"));
        debugLog().setEnabled(true);
    }
    void TearDown() override {
        debugLog().setEnabled(false);
        debugLog().setPath("");
    }

    std::vector<std::string> debugLines() const {
        const std::string text = dir.read("debug.txt");
        std::vector<std::string> lines;
        size_t pos = 0;
        while (pos < text.size()) {
            const size_t end = text.find("\r\n", pos);
            lines.push_back(text.substr(pos, end - pos));
            pos = end == std::string::npos ? text.size() : end + 2;
        }
        return lines;
    }

    /// One debug line per failed request, in order, naming the address and a reason
    /// before the elapsed time; `reasons` are parts the lines must contain.
    void expectFailureLines(const std::vector<std::pair<std::string, std::string>>& failures) {
        const std::vector<std::string> lines = debugLines();
        ASSERT_EQ(lines.size(), failures.size()) << dir.read("debug.txt");
        for (size_t i = 0; i < lines.size(); ++i) {
            SCOPED_TRACE(lines[i]);
            const std::string head = "Fetch failed: " + failures[i].first + " - ";
            EXPECT_NE(lines[i].find(head), std::string::npos);
            EXPECT_NE(lines[i].find(failures[i].second, lines[i].find(head) + head.size()),
                      std::string::npos);
            EXPECT_NE(lines[i].find(" ms)"), std::string::npos);
        }
    }
};

} // namespace

TEST_F(CurlFetchTest, BodiesComeBackByteForByteAndTheQueryIsPartOfTheAddress) {
    const std::string page = "<html>caf\xE9 \x80\x9F\xFF</html>" + everyByte(40);
    const std::string picture = "\xFF\xD8\xFF\xE0" + everyByte(300);
    site.serve("/seek/cache_details.aspx?wp=GC1&Submit6=Find", page,
               "text/html; charset=windows-1252");
    site.serve("/cache/my%20picture.jpg", picture, "image/jpeg");
    CurlFetch fetch(endpoints);

    EXPECT_EQ(fetch.OpenURL(site.url("/seek/cache_details.aspx?wp=GC1&Submit6=Find")), page);
    EXPECT_EQ(fetch.OpenURL(site.url("/cache/my picture.jpg"), DataType::Bytes), picture);
    EXPECT_TRUE(debugLines().empty()) << "a success writes no debug line";

    const std::string otherQuery = site.url("/seek/cache_details.aspx?wp=GC2&Submit6=Find");
    EXPECT_EQ(fetch.OpenURL(otherQuery), "");
    expectFailureLines({{otherQuery, "HTTP 404"}});
}

TEST_F(CurlFetchTest, AnErrorStatusGivesNothingWhateverTheBody) {
    site.serve("/broken", "the real page");
    site.setFault("/broken", statusFault(500, 2 << 20));
    site.setFault("/gone", statusFault(404, 70000));
    site.setFault("/moved", statusFault(301, 10)); // no Location
    CurlFetch fetch(endpoints);

    EXPECT_EQ(fetch.OpenURL(site.url("/broken")), "");
    EXPECT_EQ(fetch.OpenURL(site.url("/gone"), DataType::Bytes), "");
    EXPECT_EQ(fetch.OpenURL(site.url("/moved")), "");
    expectFailureLines({{site.url("/broken"), "HTTP 500"},
                        {site.url("/gone"), "HTTP 404"},
                        {site.url("/moved"), "HTTP 301"}});
}

TEST_F(CurlFetchTest, ABusyServerIsAskedOnceMoreAfterItsRetryAfter) {
    site.serve("/feed", "news");
    site.setFault("/feed", statusFault(503, 10, "1", 1));
    CurlFetch fetch(endpoints);

    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(fetch.OpenURL(site.url("/feed")), "news");
    EXPECT_GE(since(start), 900ms);
    EXPECT_EQ(site.targets(), (std::vector<std::string>{"/feed", "/feed"}));
    expectFailureLines({{site.url("/feed"), "HTTP 503"}});
    EXPECT_NE(debugLines()[0].find("retrying in 1 s"), std::string::npos);

    // Refused twice: one retry only, then nothing.
    site.clearRequests();
    site.setFault("/busy", statusFault(503)); // no Retry-After
    EXPECT_EQ(fetch.OpenURL(site.url("/busy")), "");
    EXPECT_EQ(site.targets(), (std::vector<std::string>{"/busy", "/busy"}));

    // A 429 is the caller's to handle: it comes back at once with what the server asked.
    site.clearRequests();
    site.setFault("/slow-down", statusFault(429, 10, "30"));
    const FetchResult throttled = fetch.fetch(site.url("/slow-down"), DataType::Text);
    EXPECT_EQ(throttled.status, 429);
    EXPECT_EQ(throttled.body, "");
    EXPECT_EQ(throttled.retryAfter, std::chrono::seconds(30));
    EXPECT_EQ(site.targets(), std::vector<std::string>{"/slow-down"});
}

TEST_F(CurlFetchTest, TheRetryWaitGoesThroughTheClockInShortCappedSteps) {
    char inAnHour[64];
    const std::time_t later = std::time(nullptr) + 3600;
    std::tm tm{};
    gmtime_r(&later, &tm);
    std::strftime(inAnHour, sizeof inAnHour, "%a, %d %b %Y %H:%M:%S GMT", &tm);

    const std::pair<std::string, std::chrono::milliseconds> cases[] = {
        {"7", 7000ms},
        {" 12 ", 12000ms},
        {"300", 300000ms},
        {"100000", 300000ms},
        {"99999999999999999999999999", 300000ms},
        {inAnHour, 300000ms},
        {"Wed, 21 Oct 2015 07:28:00 GMT", 0ms}, // already past
        {"soon", 0ms},
        {"-5", 0ms},
    };
    site.serve("/t", "ok");
    CurlFetch fetch(endpoints);
    for (const auto& [retryAfter, expected] : cases) {
        SCOPED_TRACE(retryAfter);
        site.setFault("/t", statusFault(503, 0, retryAfter, 1));
        FakeClock clock{{2026, 5, 1, 10, 0, 0}};
        EXPECT_EQ(fetch.OpenURL(site.url("/t")), "ok");
        std::chrono::milliseconds total{0};
        for (const auto step : clock.sleeps()) {
            EXPECT_LE(step, 100ms);
            total += step;
        }
        EXPECT_EQ(total, expected);
    }
}

// After Stop, a transfer that still receives bytes may finish; one that stalls is given up
// a few seconds after the press, so Stop never waits for a time-out.
TEST_F(CurlFetchTest, StopGivesUpAStalledTransferButLetsAMovingOneFinish) {
    const std::string page(6000, 'p');
    site.serve("/trickle", page);
    Fault trickle;
    trickle.kind = Kind::Trickle;
    trickle.count = 7;
    trickle.delay = 1000ms;
    site.setFault("/trickle", trickle);
    Fault mute;
    mute.kind = Kind::NeverAnswer;
    site.setFault("/mute", mute);
    Endpoints patient = endpoints;
    patient.requestTimeoutSeconds = 30; // only Stop may end these
    CurlFetch fetch(patient);
    fetch.setStopRequested([] { return true; }); // pressed before either request
    EXPECT_EQ(fetch.OpenURL(site.url("/trickle")), page);

    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(fetch.OpenURL(site.url("/mute")), "");
    EXPECT_GE(since(start), CurlFetch::kStopGrace);
    EXPECT_LT(since(start), CurlFetch::kStopGrace + 3s);
    expectFailureLines({{site.url("/mute"), "stopped: nothing received for 5 s after Stop"}});
}

TEST_F(CurlFetchTest, StopEndsARetryWaitPromptlyAndSkipsTheRetry) {
    site.serve("/slow", "late");
    site.setFault("/slow", statusFault(503, 0, "120"));
    CurlFetch fetch(endpoints);
    std::atomic<bool> stop{false};
    fetch.setStopRequested([&stop] { return stop.load(); });

    std::thread stopper([&stop] {
        std::this_thread::sleep_for(300ms);
        stop = true;
    });
    const auto start = std::chrono::steady_clock::now();
    const std::string body = fetch.OpenURL(site.url("/slow"));
    const auto elapsed = since(start);
    stopper.join();
    EXPECT_EQ(body, "");
    EXPECT_LT(elapsed, 5s);
    EXPECT_EQ(site.targets(), std::vector<std::string>{"/slow"});
    expectFailureLines({{site.url("/slow"), "HTTP 503"}});
}

TEST_F(CurlFetchTest, RedirectsAreFollowedTenTimesAtMostAndOnlyToWebAddresses) {
    const std::string picture = everyByte(8);
    site.serve("/img/a.jpg", picture, "image/jpeg");
    site.setFault("/img/a.jpg", chainOf(3));
    site.serve("/ten", "ten hops");
    site.setFault("/ten", chainOf(10));
    site.serve("/eleven", "one hop too many");
    site.setFault("/eleven", chainOf(11));
    site.setFault("/loop", fault(Kind::RedirectLoop));
    site.setFault("/to-file", redirectTo("file:///etc/passwd"));
    const std::string ftp = "ftp://127.0.0.1:" + std::to_string(site.port()) + "/x";
    site.setFault("/to-ftp", redirectTo(ftp));
    CurlFetch fetch(endpoints);

    EXPECT_EQ(fetch.OpenURL(site.url("/img/a.jpg"), DataType::Bytes), picture);
    EXPECT_EQ(site.targets().size(), 4u);
    EXPECT_EQ(fetch.OpenURL(site.url("/ten")), "ten hops");
    EXPECT_TRUE(debugLines().empty());

    site.clearRequests();
    EXPECT_EQ(fetch.OpenURL(site.url("/eleven")), "");
    EXPECT_EQ(fetch.OpenURL(site.url("/loop")), "");
    const auto targets = site.targets();
    EXPECT_EQ(std::count(targets.begin(), targets.end(), "/loop"), 11); // first + 10 redirects
    EXPECT_EQ(fetch.OpenURL(site.url("/to-file")), "");
    EXPECT_EQ(fetch.OpenURL(site.url("/to-ftp")), "");
    EXPECT_EQ(fetch.OpenURL("file:///etc/passwd"), "");
    // Gopher would send its selector to the site as a raw request line.
    const std::string gopher = "gopher://127.0.0.1:" + std::to_string(site.port()) +
                               "/_GET%20/smuggled%20HTTP/1.0%0D%0A%0D%0A";
    EXPECT_EQ(fetch.OpenURL(gopher), "");
    EXPECT_EQ(site.targets().size(), targets.size() + 2); // only the two redirecting pages
    expectFailureLines({{site.url("/eleven"), "redirect"},
                        {site.url("/loop"), "redirect"},
                        {site.url("/to-file"), "not supported"},
                        {site.url("/to-ftp"), "not supported"},
                        {"file:///etc/passwd", "not supported"},
                        {gopher, "not supported"}});
}

TEST_F(CurlFetchTest, AGzipBodyArrivesDecoded) {
    const std::string page = "<html>" + std::string(20000, 'a') + everyByte(4) + "</html>";
    site.serve("/gz", page);
    site.setFault("/gz", fault(Kind::Gzip));
    CurlFetch fetch(endpoints);

    EXPECT_EQ(fetch.OpenURL(site.url("/gz")), page);
    ASSERT_EQ(site.requests().size(), 1u);
    EXPECT_NE(site.requests()[0].acceptEncoding.find("gzip"), std::string::npos)
        << "the site sent the page plain, so decoding went untested";
    EXPECT_TRUE(debugLines().empty());
}

TEST_F(CurlFetchTest, TheSizeCapDependsOnTheKindAndHoldsWithoutAnnouncedLength) {
    const size_t overText = CurlFetch::kTextLimit + (1 << 20);
    site.setFault("/big", [&] {
        Fault f = fault(Kind::Oversized);
        f.size = overText;
        return f;
    }());
    site.serve("/announced", std::string(CurlFetch::kTextLimit + 1, 'x'),
               "application/octet-stream");
    site.serve("/just-fits", std::string(CurlFetch::kTextLimit, 'y'), "application/octet-stream");
    CurlFetch fetch(endpoints);

    EXPECT_EQ(fetch.OpenURL(site.url("/big")), "");
    EXPECT_EQ(fetch.OpenURL(site.url("/announced")), "");
    EXPECT_EQ(fetch.OpenURL(site.url("/just-fits")).size(), CurlFetch::kTextLimit);
    // A download may be larger than a page.
    const std::string download = fetch.OpenURL(site.url("/big"), DataType::Bytes);
    EXPECT_EQ(download.size(), overText);
    expectFailureLines({{site.url("/big"), "16 MiB"}, {site.url("/announced"), "16 MiB"}});
}

TEST_F(CurlFetchTest, ACutTransferGivesNothingAndTheNextRequestWorks) {
    site.serve("/half", everyByte(64));
    site.setFault("/half", fault(Kind::Truncated));
    site.serve("/reset", everyByte(64));
    site.setFault("/reset", fault(Kind::ResetMidBody));
    site.serve("/fine", "fine");
    CurlFetch fetch(endpoints);

    EXPECT_EQ(fetch.OpenURL(site.url("/half")), "");
    EXPECT_EQ(fetch.OpenURL(site.url("/reset"), DataType::Bytes), "");
    EXPECT_EQ(fetch.OpenURL(site.url("/fine")), "fine");
    expectFailureLines({{site.url("/half"), ""}, {site.url("/reset"), ""}});
}

TEST_F(CurlFetchTest, StalledAndSilentServersAreCutAtTheRequestTimeout) {
    site.serve("/stall", everyByte(256));
    site.setFault("/stall", after(Kind::StallMidBody, 60s));
    site.setFault("/silent", fault(Kind::NeverAnswer));
    site.serve("/late", "late but fine");
    site.setFault("/late", after(Kind::Delay, 300ms));
    CurlFetch fetch(endpoints);

    for (const char* target : {"/stall", "/silent"}) {
        SCOPED_TRACE(target);
        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(fetch.OpenURL(site.url(target)), "");
        const auto elapsed = since(start);
        EXPECT_GE(elapsed, 1500ms);
        EXPECT_LT(elapsed, 10s);
    }
    EXPECT_EQ(fetch.OpenURL(site.url("/late")), "late but fine");
    expectFailureLines({{site.url("/stall"), "timed out"}, {site.url("/silent"), "timed out"}});
}

TEST_F(CurlFetchTest, ARefusedConnectionGivesNothing) {
    int port = 0;
    {
        FixtureSite closed;
        port = closed.port();
    }
    const std::string url = "http://127.0.0.1:" + std::to_string(port) + "/x";
    CurlFetch fetch(endpoints);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(fetch.OpenURL(url), "");
    EXPECT_LT(since(start), 5s);
    expectFailureLines({{url, ""}});
}

TEST_F(CurlFetchTest, RequestsNamePixtrailOfferCompressionAndShareOneConnection) {
    site.serve("/a", "1");
    site.serve("/b", "2");
    {
        CurlFetch fetch(endpoints);
        EXPECT_EQ(fetch.OpenURL(site.url("/a")), "1");
        EXPECT_EQ(fetch.OpenURL(site.url("/b")), "2");
    }
    CurlFetch other(endpoints);
    EXPECT_EQ(other.OpenURL(site.url("/a")), "1");

    const auto seen = site.requests();
    ASSERT_EQ(seen.size(), 3u);
    for (const auto& r : seen) {
        EXPECT_EQ(r.userAgent.rfind("Pixtrail/" + pixtrail::shell::versionText() + " (", 0), 0u)
            << r.userAgent;
        EXPECT_NE(r.acceptEncoding.find("gzip"), std::string::npos) << r.acceptEncoding;
        EXPECT_NE(r.acceptEncoding.find("deflate"), std::string::npos) << r.acceptEncoding;
        EXPECT_EQ(r.cookie, "");
    }
    EXPECT_EQ(seen[0].clientPort, seen[1].clientPort);
    EXPECT_NE(seen[0].clientPort, seen[2].clientPort);
}

TEST_F(CurlFetchTest, TheCookieFileIsSentWhenThereIsOne) {
    site.serve("/members", "welcome");
    dir.write("cookies.txt", "# Netscape HTTP Cookie File\n"
                             "127.0.0.1\tFALSE\t/\tFALSE\t0\tsession\tabc123\n"
                             "elsewhere.example\tFALSE\t/\tFALSE\t0\tother\tnope\n");
    endpoints.cookieFile = dir.file("cookies.txt");
    {
        CurlFetch fetch(endpoints);
        EXPECT_EQ(fetch.OpenURL(site.url("/members")), "welcome");
    }
    endpoints.cookieFile = dir.file("no-such-cookies.txt");
    {
        CurlFetch fetch(endpoints);
        EXPECT_EQ(fetch.OpenURL(site.url("/members")), "welcome");
    }
    const auto seen = site.requests();
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0].cookie, "session=abc123");
    EXPECT_EQ(seen[1].cookie, "");
}

TEST_F(CurlFetchTest, MalformedAddressesGiveNothingAndReachNoServer) {
    site.serve("/a", "must not be fetched through a cut address");
    const std::string withNul = site.url("/a") + std::string(1, '\0') + "b";
    const std::string badPort = "http://127.0.0.1:99999/";
    CurlFetch fetch(endpoints);

    EXPECT_EQ(fetch.OpenURL(""), "");
    EXPECT_EQ(fetch.OpenURL("http://"), "");
    EXPECT_EQ(fetch.OpenURL(badPort), "");
    EXPECT_EQ(fetch.OpenURL(withNul), "");
    EXPECT_TRUE(site.requests().empty());
    EXPECT_EQ(debugLines().size(), 4u) << dir.read("debug.txt");
    expectFailureLines({{"", ""}, {"http://", ""}, {badPort, ""}, {site.url("/a") + "?b", "NUL"}});
}
