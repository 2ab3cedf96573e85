#include "scrape/curl_fetch.hpp"
#include "scrape/endpoints.hpp"
#include "shell/debug_log.hpp"
#include "shell/version.hpp"
#include "support/fake_clock.hpp"
#include "support/fixture_site.hpp"
#include "support/temp_folder.hpp"

#include <gtest/gtest.h>

#include <ctime>

using namespace pixtrail::scrape;
using namespace std::chrono_literals;
using pixtrail::shell::debugLog;
using pixtrail::testing::Fault;
using pixtrail::testing::FixtureSite;
using pixtrail::testing::TempFolder;
using Kind = Fault::Kind;

namespace {

// Every byte value, NUL and the Windows-1252 upper half included, as a page may hold them.
std::string everyByte(int repeat) {
    std::string s;
    for (int r = 0; r < repeat * 256; ++r)
        s += static_cast<char>(r % 256);
    return s;
}

Fault fault(Kind kind, int status = 200, std::size_t size = 0, std::string retryAfter = {},
            int count = 0) {
    Fault f;
    f.kind = kind;
    f.status = status;
    f.size = size;
    f.retryAfter = std::move(retryAfter);
    f.count = count;
    f.delay = 60s;
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
    Endpoints endpoints = [] {
        Endpoints e;
        e.requestTimeoutSeconds = 2; // the stall and silence cases end within seconds
        return e;
    }();

    void SetUp() override {
        debugLog().setPath(dir.file("debug.txt"));
        debugLog().setEnabled(true);
    }
    void TearDown() override {
        debugLog().setEnabled(false);
        debugLog().setPath("");
    }
    // The debug line of the last failure; every failure writes one, a success none.
    std::string lastLine() const {
        const std::string text = dir.read("debug.txt");
        const size_t end = text.rfind("\r\n");
        return end == std::string::npos ? "" : text.substr(text.rfind('\n', end - 1) + 1);
    }
};

} // namespace

// What comes back for each way a request can go, and the reason its debug line gives.
TEST_F(CurlFetchTest, EachWayARequestEndsGivesItsBodyOrNothing) {
    const std::string picture = "\xFF\xD8\xFF\xE0" + everyByte(300);
    const std::string gopher = "gopher://127.0.0.1:" + std::to_string(site.port()) +
                               "/_GET%20/smuggled%20HTTP/1.0%0D%0A%0D%0A";
    struct Case {
        std::string target;
        Fault how;
        std::string body;
        DataType type;
        std::string expected, reason;
    };
    // Served as `body`, misbehaving as `how`: arrives whole, or fails for `reason`.
    const auto ok = [](std::string target, std::string body, DataType type = DataType::Text,
                       Fault how = {}) { return Case{target, how, body, type, body, ""}; };
    const auto fails = [](std::string target, Fault how, std::string reason, std::string body = "x",
                          DataType type = DataType::Text) {
        return Case{target, how, body, type, "", reason};
    };
    const std::string big(CurlFetch::kTextLimit + 1, 'x');
    const Case cases[] = {
        ok("/seek/cache_details.aspx?wp=GC1&Submit6=Find", everyByte(40)),
        ok("/cache/my%20picture.jpg", picture, DataType::Bytes),
        fails("/broken", fault(Kind::Status, 500, 2 << 20), "HTTP 500"),
        fails("/gone", fault(Kind::Status, 404, 70000), "HTTP 404", "", DataType::Bytes),
        fails("/moved", fault(Kind::Status, 301, 10), "HTTP 301"),
        ok("/ten", "ten hops", DataType::Text, fault(Kind::RedirectChain, 200, 0, {}, 10)),
        fails("/eleven", fault(Kind::RedirectChain, 200, 0, {}, 11), "redirect"),
        fails("/loop", fault(Kind::RedirectLoop), "redirect"),
        ok("/gz", "<html>" + std::string(20000, 'a') + "</html>", DataType::Text,
           fault(Kind::Gzip)),
        fails("/half", fault(Kind::Truncated), "closed", everyByte(64)),
        fails("/reset", fault(Kind::ResetMidBody), "reset", everyByte(64), DataType::Bytes),
        fails("/big", fault(Kind::Oversized, 200, CurlFetch::kTextLimit + 1), "16 MiB"),
        fails("/announced", {}, "16 MiB", big),
        ok("/just-fits", big.substr(1)),
        ok("/download", big, DataType::Bytes), // a download may be larger than a page
        fails("/stall", fault(Kind::StallMidBody), "timed out", everyByte(256)),
        fails("/silent", fault(Kind::NeverAnswer), "timed out"),
    };
    for (const Case& c : cases) {
        site.serve(c.target, c.body);
        if (c.how.kind != Kind::None)
            site.setFault(c.target, c.how);
    }
    site.setFault("/to-file", [] {
        Fault f = fault(Kind::Redirect);
        f.location = "file:///etc/passwd";
        return f;
    }());
    CurlFetch fetch(endpoints);
    for (const Case& c : cases) {
        const std::string url = site.url(c.target == "/cache/my%20picture.jpg"
                                             ? "/cache/my picture.jpg" // a space, as pages have
                                             : c.target);
        const std::string body = fetch.OpenURL(url, c.type);
        EXPECT_TRUE(body == c.expected) << c.target << ": " << body.size() << " bytes";
        if (!c.expected.empty())
            continue;
        EXPECT_NE(lastLine().find("Fetch failed: " + url + " - "), std::string::npos) << c.target;
        EXPECT_NE(lastLine().find(c.reason), std::string::npos) << c.target << ": " << lastLine();
    }
    // Addresses that must reach no server, nor any other protocol than the web's.
    site.clearRequests();
    for (const std::string& url :
         {site.url("/to-file"), std::string("file:///etc/passwd"), gopher, std::string(""),
          std::string("http://127.0.0.1:99999/"), site.url("/a") + std::string(1, '\0') + "b"}) {
        EXPECT_EQ(fetch.OpenURL(url), "") << url;
        EXPECT_NE(lastLine().find("Fetch failed: "), std::string::npos) << url;
    }
    EXPECT_EQ(site.targets(), std::vector<std::string>{"/to-file"});
}

// Requests name the program, accept gzip and carry the cookies of the file the settings name.
TEST_F(CurlFetchTest, RequestsNameThemselvesAndCarryTheCookiesOfTheSettings) {
    site.serve("/a", "1");
    dir.write("cookies.txt", "# Netscape HTTP Cookie File\n"
                             "127.0.0.1\tFALSE\t/\tFALSE\t0\tsession\tabc123\n"
                             "elsewhere.example\tFALSE\t/\tFALSE\t0\tother\tnope\n");
    dir.write("pixtrail.ini", "[Network]\r\ncookiefile=" + dir.file("cookies.txt") + "\r\n");
    EXPECT_EQ(CurlFetch(endpoints).OpenURL(site.url("/a")), "1");
    EXPECT_EQ(CurlFetch(loadEndpoints(dir.file("pixtrail.ini"))).OpenURL(site.url("/a")), "1");
    const auto seen = site.requests();
    ASSERT_EQ(seen.size(), 2u);
    for (const auto& r : seen) {
        EXPECT_EQ(r.userAgent.rfind("Pixtrail/" + pixtrail::shell::versionText() + " (", 0), 0u);
        EXPECT_NE(r.acceptEncoding.find("gzip"), std::string::npos) << r.acceptEncoding;
    }
    EXPECT_EQ(seen[0].cookie + "|" + seen[1].cookie, "|session=abc123");
}

// A busy server (503) is asked once more after its Retry-After, capped, through the clock;
// a 429 is the caller's to handle; Stop ends a wait, and gives up a stalled transfer.
TEST_F(CurlFetchTest, BusyThrottledAndStoppedRequests) {
    char inAnHour[64];
    const std::time_t later = std::time(nullptr) + 3600;
    std::tm tm{};
    gmtime_r(&later, &tm);
    std::strftime(inAnHour, sizeof inAnHour, "%a, %d %b %Y %H:%M:%S GMT", &tm);
    const std::pair<std::string, std::chrono::milliseconds> waits[] = {
        {"7", 7000ms},
        {" 12 ", 12000ms},
        {"100000", 300000ms},
        {inAnHour, 300000ms},
        {"Wed, 21 Oct 2015 07:28:00 GMT", 0ms},
        {"soon", 0ms},
        {"-5", 0ms}};
    site.serve("/t", "ok");
    CurlFetch fetch(endpoints);
    for (const auto& [retryAfter, expected] : waits) {
        Fault once = fault(Kind::Status, 503, 0, retryAfter);
        once.times = 1;
        site.setFault("/t", once);
        pixtrail::testing::FakeClock clock{{2026, 5, 1, 10, 0, 0}};
        EXPECT_EQ(fetch.OpenURL(site.url("/t")), "ok") << retryAfter;
        std::chrono::milliseconds total{0};
        for (const auto step : clock.sleeps())
            total += step;
        EXPECT_EQ(total, expected) << retryAfter;
    }
    site.clearRequests();
    site.setFault("/slow-down", fault(Kind::Status, 429, 10, "30"));
    const FetchResult throttled = fetch.fetch(site.url("/slow-down"), DataType::Text);
    EXPECT_EQ(throttled.status, 429);
    EXPECT_EQ(throttled.retryAfter, std::chrono::seconds(30));
    EXPECT_EQ(site.targets(), std::vector<std::string>{"/slow-down"});

    // Stop, pressed before the requests: a busy server is not waited for, a transfer that
    // still receives bytes may finish, one that stalls is given up after a few seconds.
    Endpoints patient = endpoints;
    patient.requestTimeoutSeconds = 30; // only Stop may end these
    CurlFetch stopped(patient);
    stopped.setStopRequested([] { return true; });
    site.setFault("/t", fault(Kind::Status, 503, 0, "120"));
    EXPECT_EQ(stopped.OpenURL(site.url("/t")), "");
    const std::string page(6000, 'p');
    site.serve("/trickle", page);
    Fault trickle = fault(Kind::Trickle, 200, 0, {}, 7);
    trickle.delay = 1000ms;
    site.setFault("/trickle", trickle);
    EXPECT_EQ(stopped.OpenURL(site.url("/trickle")), page);
    site.setFault("/mute", fault(Kind::NeverAnswer));
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(stopped.OpenURL(site.url("/mute")), "");
    EXPECT_GE(since(start), CurlFetch::kStopGrace);
    EXPECT_LT(since(start), CurlFetch::kStopGrace + 3s);
    EXPECT_NE(lastLine().find("stopped: nothing received for 5 s after Stop"), std::string::npos);
}
