#include "scrape/endpoints.hpp"
#include "support/temp_folder.hpp"

#include <gtest/gtest.h>

using namespace pixtrail::scrape;
using pixtrail::testing::TempFolder;

TEST(Endpoints, WithoutSettingsEveryHostHasItsDefault) {
    TempFolder dir;
    dir.write("pixtrail.ini", "[Settings]\r\ncachehost=elsewhere.example\r\ntimeout=5\r\n");
    for (const std::string& file : {dir.file("missing.ini"), dir.file("pixtrail.ini")}) {
        SCOPED_TRACE(file);
        const Endpoints e = loadEndpoints(file);
        EXPECT_EQ(e.cachePageHost, "www.geocaching.com");
        EXPECT_EQ(e.imageHost1, "img.geocaching.com");
        EXPECT_EQ(e.imageHost2, "imgcdn.geocaching.com");
        EXPECT_EQ(e.imageHost3, "img.groundspeak.com");
        EXPECT_EQ(e.contentDeliveryHost, "imgcdn.geocaching.com");
        EXPECT_EQ(e.cookieFile, "");
        EXPECT_EQ(e.requestTimeoutSeconds, 600);
        EXPECT_EQ(e.probeAddress(), "http://www.geocaching.com/");
        EXPECT_EQ(e.homePageAddress(), "http://www.pixtrail.app/pixtrail");
        EXPECT_EQ(e.updateFeedAddress(), "http://www.pixtrail.app/pixtrail/index.htm");
    }
    EXPECT_FALSE(dir.exists("missing.ini")); // reading never creates the file
}

TEST(Endpoints, EveryKeyOverridesItsHostAndTheAddressesFollow) {
    TempFolder dir;
    dir.write("pixtrail.ini", "[network]\r\n"
                              "CacheHost=127.0.0.1:8080\r\n"
                              "imagehost1 = img1.test\r\n"
                              "imagehost2=\"img2.test\"\r\n"
                              "imagehost3=img3.test\r\n"
                              "cdnhost=cdn.test:81\r\n"
                              "homehost=home.test\r\n"
                              "cookiefile=/tmp/cookies.txt\r\n"
                              "timeout=45\r\n");
    const Endpoints e = loadEndpoints(dir.file("pixtrail.ini"));
    EXPECT_EQ(e.cachePageHost, "127.0.0.1:8080");
    EXPECT_EQ(e.imageHost1, "img1.test");
    EXPECT_EQ(e.imageHost2, "img2.test");
    EXPECT_EQ(e.imageHost3, "img3.test");
    EXPECT_EQ(e.contentDeliveryHost, "cdn.test:81");
    EXPECT_EQ(e.homePageHost, "home.test");
    EXPECT_EQ(e.cookieFile, "/tmp/cookies.txt");
    EXPECT_EQ(e.requestTimeoutSeconds, 45);
    // Without its own key, the probe follows the cache host.
    EXPECT_EQ(e.probeAddress(), "http://127.0.0.1:8080/");
    EXPECT_EQ(e.homePageAddress(), "http://home.test/pixtrail");
    EXPECT_EQ(e.updateFeedAddress(), "http://home.test/pixtrail/index.htm");

    dir.write("pixtrail.ini", "[Network]\r\nprobe=http://127.0.0.1:9/alive\r\n");
    EXPECT_EQ(loadEndpoints(dir.file("pixtrail.ini")).probeAddress(), "http://127.0.0.1:9/alive");
}

TEST(Endpoints, AnEmptyHostKeepsItsDefault) {
    TempFolder dir;
    dir.write("pixtrail.ini", "[Network]\r\ncachehost=\r\nhomehost=  \r\n");
    const Endpoints e = loadEndpoints(dir.file("pixtrail.ini"));
    EXPECT_EQ(e.cachePageHost, "www.geocaching.com");
    EXPECT_EQ(e.homePageHost, "www.pixtrail.app");
    EXPECT_EQ(e.probeAddress(), "http://www.geocaching.com/");
}

TEST(Endpoints, ATimeoutOutsideOneSecondToAnHourKeepsTheDefault) {
    TempFolder dir;
    const std::pair<const char*, int> cases[] = {
        {"", 600},    {"0", 600}, {"-5", 600},    {"3601", 600}, {"abc", 600},
        {"0.5", 600}, {"1", 1},   {"3600", 3600}, {"30 s", 30},  {" 2.9", 2},
    };
    for (const auto& [value, expected] : cases) {
        SCOPED_TRACE(value);
        dir.write("pixtrail.ini", std::string("[Network]\r\ntimeout=") + value + "\r\n");
        EXPECT_EQ(loadEndpoints(dir.file("pixtrail.ini")).requestTimeoutSeconds, expected);
    }
}
