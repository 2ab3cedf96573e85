#include "e2e/cli_folder.hpp"
#include "support/sample_pictures.hpp"

#include <tuple>

using namespace pixtrail::testing;
using Faults = CliFolder;

#ifdef PIXTRAIL_ADDRESS_SANITIZER // every allocation carries its shadow and red zones
constexpr long kMemoryBoundKiB = 400 * 1024;
#else
constexpr long kMemoryBoundKiB = 160 * 1024;
#endif

// Runs against a site that misbehaves in one way per cache, with a short transfer limit.
// Nothing that did not arrive whole is stored or taken for done: it is reported, tried again.
TEST_F(Faults, WhatDoesNotArriveWholeIsReportedNeverStoredAndTriedAgain) {
    const std::string jpeg = texturedJpeg(320, 240, 1), text = "<p>under the bridge</p>";
    Fault stall = fault(Fault::Kind::StallMidBody), throttled = fault(Fault::Kind::Redirect, 0, 1);
    stall.delay = 30s;
    throttled.location = site.url("/error/throttled.aspx?aspxerrorpath=/seek/cache_details.aspx");
    site.setFault("/error/throttled.aspx?aspxerrorpath=/seek/cache_details.aspx", status(200, "1"));
    const std::string lost = "page not available", failed = "0 spoilers, 1 failed",
                      ok = "1 spoilers";
    const std::tuple<std::string, Fault, Fault, std::string> cases[] = {
        {"GC1STAL", stall, {}, lost},
        {"GC2RSET", fault(Fault::Kind::ResetMidBody), {}, lost},
        {"GC3E500", status(500), {}, lost},
        {"GC4E404", status(404), {}, lost},
        {"GC5LOOP", fault(Fault::Kind::RedirectLoop), {}, lost},
        {"GC6MUTE", fault(Fault::Kind::NeverAnswer), {}, lost},
        {"GC7SIGN", status(200), {}, lost}, // a sign-in page answered with 200
        // Throttled for a while, in both ways the site throttles; then the page arrives.
        {"GC8SLOW", status(429, "1", 2), {}, ok},
        {"GC9REDR", throttled, {}, ok},
        {"GCAHUGE", {}, fault(Fault::Kind::Oversized, std::size_t{200} << 20), failed},
        {"GCBHTML", {}, {}, failed}, // a sign-in page, served below
        {"GCCTRNC", {}, fault(Fault::Kind::Truncated), failed},
        {"GCDGOOD", {}, {}, ok},
        {"GCECUTS", {}, fault(Fault::Kind::Unannounced, jpeg.size() - 100), failed}, // cut short
        {"GCFWHOL", {}, fault(Fault::Kind::Unannounced), ok},
        {"GCGTEXT", {}, {}, ok}, // a link that is no picture's is stored as it comes
    };
    Names stored;
    std::string codes, out;
    for (const auto& [code, page, picture, line] : cases) {
        const std::string link = "/cache/" + code + (code == "GCGTEXT" ? ".htm" : ".jpg");
        servePage(code, {link});
        site.serve(link, jpeg, "image/jpeg");
        site.setFault(target(code), page);
        site.setFault(link, picture);
        codes += code + "\r\n";
        out += code + " " + line + "\n";
        if (line == ok)
            stored.push_back(code + " - Spoiler " + code + link.substr(link.size() - 4));
    }
    site.serve("/cache/GCBHTML.jpg", "<html>Please sign in to see this picture</html>");
    site.serve("/cache/GCGTEXT.htm", text);
    dir.write("caches.gpx", codes);
    writeSettings("dohtml=0\r\nshrinkpics=0\r\n", "timeout=3\r\n");
    const RunOptions slow{90s, 0, {}, {}};

    const ProgramResult r =
        run("faults", {"-a", "--debug"}, 4, "Debug mode active.*\n" + out,
            {{"log.txt", "*\r\n11 caches could not be completed\r\nFinished: *"},
             {"debug.txt", "* Throttled: waiting 1 seconds\r\n*"}},
            "", slow);
    EXPECT_EQ(requests(target("GC8SLOW")), 3);
    EXPECT_EQ(spoilers(), stored);
    for (const std::string& name : stored)
        EXPECT_EQ(dir.read("spoilers/" + name), name.ends_with(".jpg") ? jpeg : text) << name;
    EXPECT_LT(r.peakKiB, kMemoryBoundKiB); // the 200 MiB picture was cut at the 64 MiB cap
    EXPECT_EQ(spoilers("*.tmp"), Names{}); // no half-written file left behind

    // The next run asks for each lost page and failed picture again and for nothing else (a
    // link that is no picture's does not make a cache done), until the site keeps throttling:
    // that ends the run as Stop does, deleting nothing.
    servePage("GCX429");
    site.setFault(target("GCX429"), status(429, "1"));
    dir.write("caches.gpx", codes + "GCX429\r\nGCXNEXT\r\n");
    dir.write("spoilers/GC9OLD - x.jpg", "an old cache's picture");
    site.clearRequests();
    run("next run", {"-a"}, 4,
        "*\nGCX429 page not available\nThe site is throttling requests: the run stops here\n",
        {{"spoilers/GC9OLD - x.jpg", "an old cache's picture"}},
        "*The site is throttling requests.*", slow);
    for (const auto& [code, page, picture, line] : cases) {
        EXPECT_EQ(std::min(requests(target(code)), 1L), line != ok || code == "GCGTEXT") << code;
        EXPECT_EQ(requests("/cache/" + code + ".jpg"), line == failed) << code;
    }
    EXPECT_EQ(requests(target("GCX429")), 5); // the request and four retries
    EXPECT_EQ(requests(target("GCXNEXT")), 0);
}
