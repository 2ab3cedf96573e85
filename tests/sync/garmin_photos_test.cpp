#include "sync/garmin_photos.hpp"

#include "base/folder_index.hpp"
#include "imaging/dib_section.hpp"
#include "imaging/jpeg_reader.hpp"
#include "imaging/jpeg_writer.hpp"
#include "imaging/shrink.hpp"
#include "support/png_gif_files.hpp"
#include "support/run_fixture.hpp"

#include <sys/stat.h>

#include <algorithm>
#include <filesystem>

using namespace pixtrail;
using pixtrail::testing::RunTest;
using sync::RunOutcome;
namespace fs = std::filesystem;

namespace {
using Names = std::vector<std::string>;

imaging::Picture solid(int width, int height, std::uint8_t b, std::uint8_t g, std::uint8_t r) {
    imaging::Picture p = imaging::Picture::blank(width, height);
    for (std::size_t i = 0; i < p.pixels.size(); i += 3) {
        p.pixels[i] = b;
        p.pixels[i + 1] = g;
        p.pixels[i + 2] = r;
    }
    return p;
}

std::string jpegOf(const imaging::Picture& picture) {
    imaging::cDIBSection dib;
    dib.CreateFromPicture(picture);
    return imaging::encodeJpeg(dib, 90);
}

const std::string kJpeg = jpegOf(solid(40, 30, 200, 10, 10));
const std::string kPng = pixtrail::testing::writeTestPng(solid(600, 300, 10, 200, 10));
const std::string kGif = pixtrail::testing::writeTestGif(
    20, 10, {{255, 0, 0}, {0, 0, 255}},
    {{0, 0, 20, 10, std::vector<std::uint8_t>(200, 1)}}); // all blue

class GarminPhotos : public RunTest {
protected:
    void SetUp() override {
        RunTest::SetUp();
        tick("chkGarminPhotos", true);
    }
    void TearDown() override {
        sync::refuseHardLinksForTesting(false);
        RunTest::TearDown();
    }

    void codes(const Names& names) {
        std::string gpx;
        for (const std::string& name : names)
            gpx += "<wpt><name>" + name + "</name></wpt>\r\n";
        dir.write("caches.gpx", gpx);
    }
    fs::path inSpoilers(const std::string& relative) const {
        return dir.path() / "spoilers" / relative;
    }
    /// Everything below spoilers/Garmin: folders end with "/".
    Names tree() const {
        Names found;
        const fs::path root = inSpoilers("Garmin");
        if (!fs::exists(root))
            return found;
        found.push_back("Garmin/");
        for (const auto& entry : fs::recursive_directory_iterator(root))
            found.push_back(fs::relative(entry.path(), inSpoilers("")).generic_string() +
                            (entry.is_directory() ? "/" : ""));
        std::sort(found.begin(), found.end());
        return found;
    }
    bool sameFile(const std::string& stored, const std::string& garmin) const {
        return fs::equivalent(inSpoilers(stored), inSpoilers(garmin));
    }
    ino_t inode(const std::string& relative) const {
        struct stat st {};
        ::stat(inSpoilers(relative).c_str(), &st);
        return st.st_ino;
    }
    imaging::JpegHeader header(const std::string& relative) const {
        return imaging::readJpegHeader(dir.read("spoilers/" + relative));
    }
};

const std::string kGC1 = "Garmin/GeocachePhotos/3/B/GC1A2B3/Spoilers/";

} // namespace

TEST(GarminLayout, PutsACacheUnderItsLastTwoCharactersAndNamesPicturesByCaption) {
    EXPECT_EQ(sync::garminSpoilerFolder("GC1A2B3"), "Garmin/GeocachePhotos/3/B/GC1A2B3/Spoilers");
    EXPECT_EQ(sync::garminSpoilerFolder("GC12AB"), "Garmin/GeocachePhotos/B/A/GC12AB/Spoilers");
    EXPECT_EQ(sync::garminSpoilerFolder("GCK"), "Garmin/GeocachePhotos/K/0/GCK/Spoilers");
    EXPECT_EQ(sync::garminSpoilerFolder("gc5px7q"), "Garmin/GeocachePhotos/Q/7/GC5PX7Q/Spoilers");
    for (const char* notACode : {"", "GC", "GC 12", "../GC1", "GC1/..", "GC1.",
                                 "GC\xC4"
                                 "12"})
        EXPECT_FALSE(sync::garminSpoilerFolder(notACode).has_value()) << notACode;

    const Names stored = {"GC1A2B3 - map.jpg",
                          "GC1A2B3 - a.b.jpg",
                          "GC1A2B3 - .jpg",
                          "GC1A2B3 - why?|*.jpg",
                          "GC1A2B3 - end. .jpg",
                          "gc1a2b3 - MAP.png",
                          "GC1A2B3 - map.gif",
                          "GC1A2B3 - Br\xFC"
                          "cke.jpg"};
    const Names expected = {"map.jpg",
                            "a.b.jpg",
                            "Spoiler.jpg",
                            "why___.jpg",
                            "end.jpg",
                            "MAP (2).jpg",
                            "map (3).jpg",
                            "Br\xFC"
                            "cke.jpg"};
    const auto pictures = sync::garminPictureNames("GC1A2B3", stored);
    ASSERT_EQ(pictures.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(pictures[i].stored, stored[i]);
        EXPECT_EQ(pictures[i].name, expected[i]);
    }
}

TEST_F(GarminPhotos, ADownloadRunLinksJpegsAndConvertsPngAndGifShrunkToTheBox) {
    codes({"GC1A2B3", "GC12AB"});
    const std::map<std::string, std::map<std::string, std::string>> downloads = {
        {"GC1A2B3",
         {{"GC1A2B3 - Spoiler 1.jpg", kJpeg},
          {"GC1A2B3 - map.png", kPng},
          {"GC1A2B3 - hint.gif", kGif}}},
        {"GC12AB", {{"GC12AB - x.jpg", kJpeg}}},
    };
    getspoilerpics = [&](scrape::ScrapeCall& call) {
        scraper.calls.push_back(call);
        for (const auto& [name, bytes] : downloads.at(call.code)) {
            base::writeFileAtomically(call.folder->path(name), bytes);
            call.folder->added(name);
            ++call.newPictures;
        }
        return static_cast<int>(downloads.at(call.code).size());
    };
    ASSERT_EQ(run(), RunOutcome::Finished);
    EXPECT_EQ(tree(), (Names{"Garmin/", "Garmin/GeocachePhotos/", "Garmin/GeocachePhotos/3/",
                             "Garmin/GeocachePhotos/3/B/", "Garmin/GeocachePhotos/3/B/GC1A2B3/",
                             kGC1, kGC1 + "Spoiler 1.jpg", kGC1 + "hint.jpg", kGC1 + "map.jpg",
                             "Garmin/GeocachePhotos/B/", "Garmin/GeocachePhotos/B/A/",
                             "Garmin/GeocachePhotos/B/A/GC12AB/",
                             "Garmin/GeocachePhotos/B/A/GC12AB/Spoilers/",
                             "Garmin/GeocachePhotos/B/A/GC12AB/Spoilers/x.jpg"}));
    // The JPEG is the stored file itself, not a second copy of its bytes.
    EXPECT_TRUE(sameFile("GC1A2B3 - Spoiler 1.jpg", kGC1 + "Spoiler 1.jpg"));
    EXPECT_EQ(fs::hard_link_count(inSpoilers("GC1A2B3 - Spoiler 1.jpg")), 2u);
    // 600 x 300 into the 300 x 300 box; the GIF fits as it is. Both keep their colours.
    EXPECT_EQ(header(kGC1 + "map.jpg").width, 300);
    EXPECT_EQ(header(kGC1 + "map.jpg").height, 150);
    EXPECT_EQ(header(kGC1 + "hint.jpg").width, 20);
    const imaging::Picture green = imaging::decodeJpeg(dir.read("spoilers/" + kGC1 + "map.jpg"), 1);
    EXPECT_NEAR(green.pixels[1], 200, 8);
    EXPECT_NEAR(green.pixels[2], 10, 8);
    const imaging::Picture blue = imaging::decodeJpeg(dir.read("spoilers/" + kGC1 + "hint.jpg"), 1);
    EXPECT_NEAR(blue.pixels[0], 255, 8);
    EXPECT_NEAR(blue.pixels[2], 0, 8);
    EXPECT_EQ(readSpoiler("GC1A2B3 - map.png"), kPng); // the stored picture stays as it came

    // Without shrinking, the PNG keeps its size.
    fs::remove_all(inSpoilers("Garmin"));
    tick("chkResize", false);
    tick("chkRecheck", true);
    ASSERT_EQ(run(), RunOutcome::Finished);
    EXPECT_EQ(header(kGC1 + "map.jpg").width, 600);
}

TEST_F(GarminPhotos, SkippedCachesGetTheirFolderFromTheFilesAloneAndKeepItNextTime) {
    codes({"GC1A2B3", "gc22222", "GC33333"});
    spoiler("GC1A2B3 - a.jpg", kJpeg);
    spoiler("GC1A2B34 - other cache.jpg", kJpeg); // a longer code's picture stays out
    spoiler("GC22222 - b.png", kPng);
    spoiler("GC33333 - no spoiler found.txt", "");
    tick("chkDelUnused", false);
    ASSERT_EQ(run(), RunOutcome::Finished);
    EXPECT_TRUE(scraper.calls.empty());
    for (const std::string& request : web.requests)
        EXPECT_EQ(request.find("cache_details"), std::string::npos) << request;
    EXPECT_EQ(frontend.lines,
              (Names{"GC1A2B3 spoilers already downloaded", "gc22222 spoilers already downloaded",
                     "GC33333 no spoilers found"}));
    const std::string kGC2 = "Garmin/GeocachePhotos/2/2/GC22222/Spoilers/";
    EXPECT_EQ(tree(),
              (Names{"Garmin/", "Garmin/GeocachePhotos/", "Garmin/GeocachePhotos/2/",
                     "Garmin/GeocachePhotos/2/2/", "Garmin/GeocachePhotos/2/2/GC22222/", kGC2,
                     kGC2 + "b.jpg", "Garmin/GeocachePhotos/3/", "Garmin/GeocachePhotos/3/B/",
                     "Garmin/GeocachePhotos/3/B/GC1A2B3/", kGC1, kGC1 + "a.jpg"}));
    EXPECT_TRUE(sameFile("GC1A2B3 - a.jpg", kGC1 + "a.jpg"));

    // Nothing changed: nothing is written again.
    const auto converted = inode(kGC2 + "b.jpg");
    const std::string bytes = dir.read("spoilers/" + kGC2 + "b.jpg");
    ASSERT_EQ(run(), RunOutcome::Finished);
    EXPECT_EQ(inode(kGC2 + "b.jpg"), converted);
    EXPECT_EQ(dir.read("spoilers/" + kGC2 + "b.jpg"), bytes);
    EXPECT_TRUE(sameFile("GC1A2B3 - a.jpg", kGC1 + "a.jpg"));
}

TEST_F(GarminPhotos, CopiesWhereHardLinksAreRefusedAndFollowsAPictureShrunkInPlace) {
    codes({"GC1A2B3"});
    spoiler("GC1A2B3 - big.jpg", jpegOf(solid(600, 400, 90, 90, 90)));
    sync::refuseHardLinksForTesting(true);
    ASSERT_EQ(run(), RunOutcome::Finished);
    EXPECT_FALSE(sameFile("GC1A2B3 - big.jpg", kGC1 + "big.jpg"));
    EXPECT_EQ(fs::hard_link_count(inSpoilers("GC1A2B3 - big.jpg")), 1u);
    EXPECT_EQ(dir.read("spoilers/" + kGC1 + "big.jpg"), readSpoiler("GC1A2B3 - big.jpg"));

    // A re-check shrinks stored pictures in place, keeping their dates: the copy follows.
    imaging::shrinkJpegFile(spoilers + "/GC1A2B3 - big.jpg", 300, 300);
    ASSERT_EQ(run(), RunOutcome::Finished);
    EXPECT_EQ(header(kGC1 + "big.jpg").width, 300);
    EXPECT_EQ(dir.read("spoilers/" + kGC1 + "big.jpg"), readSpoiler("GC1A2B3 - big.jpg"));

    // With links allowed, a link made before the shrink is made again to the new file.
    sync::refuseHardLinksForTesting(false);
    fs::remove_all(inSpoilers("Garmin"));
    spoiler("GC1A2B3 - big.jpg", jpegOf(solid(600, 400, 90, 90, 90)));
    ASSERT_EQ(run(), RunOutcome::Finished);
    ASSERT_TRUE(sameFile("GC1A2B3 - big.jpg", kGC1 + "big.jpg"));
    imaging::shrinkJpegFile(spoilers + "/GC1A2B3 - big.jpg", 300, 300);
    ASSERT_EQ(run(), RunOutcome::Finished);
    EXPECT_TRUE(sameFile("GC1A2B3 - big.jpg", kGC1 + "big.jpg"));
    EXPECT_EQ(header(kGC1 + "big.jpg").width, 300);
}

TEST_F(GarminPhotos, BadPicturesAndOddNamesAreLeftOutWhileTheRunGoesOn) {
    codes({"GC1A2B3", "GC2BAD1"});
    spoiler("GC2BAD1 - only.gif", "GIF89a and nothing more"); // no folder for nothing to show
    spoiler("GC1A2B3 - broken.png", kPng.substr(0, kPng.size() / 2));
    spoiler("GC1A2B3 - page.jpg", "<html>not a picture</html>");
    // A screen of 65535 x 65535 pixels around a frame of one.
    spoiler(
        "GC1A2B3 - bomb.gif",
        std::string("GIF89a\xFF\xFF\xFF\xFF\x80\x00\x00", 13) + std::string(6, '\0') +
            std::string("\x2C\x00\x00\x00\x00\x01\x00\x01\x00\x00\x02\x02\x44\x01\x00\x3B", 16));
    spoiler("GC1A2B3 - good.gif", kGif);
    spoiler("GC1A2B3 - why?.jpg", kJpeg);
    shell::debugLog().setEnabled(true);
    ASSERT_EQ(run(), RunOutcome::Finished);
    EXPECT_TRUE(warnings().empty());
    const Names expected = {"Garmin/",
                            "Garmin/GeocachePhotos/",
                            "Garmin/GeocachePhotos/3/",
                            "Garmin/GeocachePhotos/3/B/",
                            "Garmin/GeocachePhotos/3/B/GC1A2B3/",
                            kGC1,
                            kGC1 + "good.jpg",
                            kGC1 + "why_.jpg"};
    EXPECT_EQ(tree(), expected);
    const std::string debug = dir.read("debug.txt");
    EXPECT_NE(debug.find("Error: Invalid picture '" + spoilers + "/GC1A2B3 - broken.png'"),
              std::string::npos);
    EXPECT_NE(debug.find("Error: Invalid picture '" + spoilers + "/GC1A2B3 - bomb.gif'"),
              std::string::npos);
    EXPECT_NE(debug.find("Not a JPEG, PNG or GIF picture: '" + spoilers + "/GC1A2B3 - page.jpg'"),
              std::string::npos);

    // A picture that turns bad takes its old conversion with it.
    spoiler("GC1A2B3 - good.gif", "GIF89a cut short");
    fs::last_write_time(inSpoilers("GC1A2B3 - good.gif"),
                        fs::last_write_time(inSpoilers(kGC1 + "good.jpg")) + std::chrono::hours(1));
    ASSERT_EQ(run(), RunOutcome::Finished);
    EXPECT_FALSE(fs::exists(inSpoilers(kGC1 + "good.jpg")));
    EXPECT_TRUE(fs::exists(inSpoilers(kGC1 + "why_.jpg")));
}

TEST_F(GarminPhotos, ACacheFolderFollowsItsStoredPictures) {
    codes({"GC1A2B3", "GC2BBA3"});
    spoiler("GC1A2B3 - a.jpg", kJpeg);
    spoiler("GC1A2B3 - b.jpg", kJpeg);
    spoiler("GC2BBA3 - c.jpg", kJpeg);
    tick("chkDelUnused", false);
    ASSERT_EQ(run(), RunOutcome::Finished);
    ASSERT_TRUE(fs::exists(inSpoilers(kGC1 + "b.jpg")));

    // A stored picture deleted by hand, and leftovers in the folder, go from the device.
    fs::remove(inSpoilers("GC1A2B3 - b.jpg"));
    dir.write("spoilers/" + kGC1 + "stray.jpg", "x");
    dir.write("spoilers/" + kGC1 + ".pixtrail-abcdefghij.tmp", "half a picture");
    fs::create_directory(inSpoilers(kGC1 + "sub"));
    ASSERT_EQ(run(), RunOutcome::Finished);
    EXPECT_EQ(tree(), (Names{"Garmin/", "Garmin/GeocachePhotos/", "Garmin/GeocachePhotos/3/",
                             "Garmin/GeocachePhotos/3/A/", "Garmin/GeocachePhotos/3/A/GC2BBA3/",
                             "Garmin/GeocachePhotos/3/A/GC2BBA3/Spoilers/",
                             "Garmin/GeocachePhotos/3/A/GC2BBA3/Spoilers/c.jpg",
                             "Garmin/GeocachePhotos/3/B/", "Garmin/GeocachePhotos/3/B/GC1A2B3/",
                             kGC1, kGC1 + "a.jpg"}));

    // No pictures left: the cache's folder goes, and its parents when nothing else is there.
    fs::remove(inSpoilers("GC1A2B3 - a.jpg"));
    spoiler("GC1A2B3 - no spoiler found.txt", "");
    ASSERT_EQ(run(), RunOutcome::Finished);
    EXPECT_EQ(tree(), (Names{"Garmin/", "Garmin/GeocachePhotos/", "Garmin/GeocachePhotos/3/",
                             "Garmin/GeocachePhotos/3/A/", "Garmin/GeocachePhotos/3/A/GC2BBA3/",
                             "Garmin/GeocachePhotos/3/A/GC2BBA3/Spoilers/",
                             "Garmin/GeocachePhotos/3/A/GC2BBA3/Spoilers/c.jpg"}));
}

TEST_F(GarminPhotos, CleanupRemovesFoldersOfCachesThatLeftTheFileAndNothingElse) {
    codes({"GC1A2B3", "GC909AB"});
    spoiler("GC1A2B3 - a.jpg", kJpeg);
    spoiler("GC909AB - b.gif", kGif);
    tick("chkDelUnused", true);
    ASSERT_EQ(run(), RunOutcome::Finished);
    ASSERT_TRUE(fs::exists(inSpoilers("Garmin/GeocachePhotos/B/A/GC909AB/Spoilers/b.jpg")));
    // The user's own things under Garmin, and a cache folder out of place.
    fs::create_directories(inSpoilers("Garmin/GPX"));
    dir.write("spoilers/Garmin/GPX/current.gpx", "<gpx/>");
    dir.write("spoilers/Garmin/GeocachePhotos/notes.txt", "mine");
    fs::create_directories(inSpoilers("Garmin/GeocachePhotos/9/9/GC1A2B3/Spoilers"));

    // Not deleting, or stopped: everything stays.
    codes({"GC1A2B3", "GC55555"});
    tick("chkDelUnused", false);
    ASSERT_EQ(run(), RunOutcome::Finished);
    EXPECT_TRUE(fs::exists(inSpoilers("Garmin/GeocachePhotos/B/A/GC909AB")));
    tick("chkDelUnused", true);
    getspoilerpics = [&](scrape::ScrapeCall& call) {
        session.cmdStop_Click();
        return scraper.bind()(call);
    };
    ASSERT_EQ(run(), RunOutcome::Finished);
    EXPECT_TRUE(fs::exists(inSpoilers("Garmin/GeocachePhotos/B/A/GC909AB")));
    EXPECT_TRUE(hasSpoiler("GC909AB - b.gif"));

    getspoilerpics = scraper.bind();
    ASSERT_EQ(run(), RunOutcome::Finished);
    EXPECT_EQ(tree(), (Names{"Garmin/", "Garmin/GPX/", "Garmin/GPX/current.gpx",
                             "Garmin/GeocachePhotos/", "Garmin/GeocachePhotos/3/",
                             "Garmin/GeocachePhotos/3/B/", "Garmin/GeocachePhotos/3/B/GC1A2B3/",
                             kGC1, kGC1 + "a.jpg", "Garmin/GeocachePhotos/notes.txt"}));
    EXPECT_EQ(dir.read("spoilers/Garmin/GPX/current.gpx"), "<gpx/>");
}

TEST_F(GarminPhotos, UntickingRemovesTheTreeButNeverWhatLiesBeyondIt) {
    codes({"GC1A2B3"});
    spoiler("GC1A2B3 - a.jpg", kJpeg);
    ASSERT_EQ(run(), RunOutcome::Finished);
    ASSERT_TRUE(fs::exists(inSpoilers(kGC1 + "a.jpg")));
    fs::create_directories(inSpoilers("Garmin/GPX"));
    dir.write("spoilers/Garmin/GPX/current.gpx", "<gpx/>");

    tick("chkGarminPhotos", false);
    ASSERT_EQ(run(), RunOutcome::Finished);
    EXPECT_EQ(tree(), (Names{"Garmin/", "Garmin/GPX/", "Garmin/GPX/current.gpx"}));
    EXPECT_EQ(readSpoiler("GC1A2B3 - a.jpg"), kJpeg);

    // With nothing else there, the Garmin folder goes too.
    fs::remove_all(inSpoilers("Garmin"));
    tick("chkGarminPhotos", true);
    ASSERT_EQ(run(), RunOutcome::Finished);
    tick("chkGarminPhotos", false);
    ASSERT_EQ(run(), RunOutcome::Finished);
    EXPECT_FALSE(fs::exists(inSpoilers("Garmin")));
}

TEST_F(GarminPhotos, ALinkInThePlaceOfTheTreeIsNeverFollowed) {
    // The device's own folders, outside the spoiler folder.
    const fs::path device = dir.path() / "device";
    fs::create_directories(device / "Garmin/GeocachePhotos/E/P/GC9NOPE/Spoilers");
    dir.write("device/Garmin/GeocachePhotos/E/P/GC9NOPE/Spoilers/theirs.jpg", "x");
    fs::create_directories(device / "Garmin/GeocachePhotos/R/E/GC8OTHER/Spoilers");
    dir.write("device/Garmin/GeocachePhotos/R/E/GC8OTHER/Spoilers/not listed.jpg", "x");
    auto outside = [&] {
        Names found;
        for (const auto& entry : fs::recursive_directory_iterator(device))
            found.push_back(fs::relative(entry.path(), dir.path()).generic_string());
        std::sort(found.begin(), found.end());
        return found;
    };
    const Names before = outside();
    spoiler("GC9NOPE - no spoiler found.txt", "");
    tick("chkDelUnused", true);

    for (const bool wholeGarminFolder : {true, false}) {
        fs::remove_all(inSpoilers("Garmin"));
        if (wholeGarminFolder) {
            fs::create_directory_symlink(device / "Garmin", inSpoilers("Garmin"));
        } else {
            fs::create_directory(inSpoilers("Garmin"));
            fs::create_directory_symlink(device / "Garmin/GeocachePhotos",
                                         inSpoilers("Garmin/GeocachePhotos"));
        }
        const std::string link = wholeGarminFolder ? "Garmin" : "Garmin/GeocachePhotos";
        // A cache without pictures and the cleanup of caches that left the file.
        codes({"GC9NOPE"});
        tick("chkGarminPhotos", true);
        EXPECT_EQ(run(), RunOutcome::Finished) << link;
        EXPECT_EQ(outside(), before) << link;
        // Switched off.
        tick("chkGarminPhotos", false);
        EXPECT_EQ(run(), RunOutcome::Finished) << link;
        EXPECT_EQ(outside(), before) << link;
        // A cache with pictures: the run says where it cannot arrange them.
        codes({"GC1A2B3"});
        spoiler("GC1A2B3 - a.jpg", kJpeg); // the cleanup above took it
        tick("chkGarminPhotos", true);
        const std::size_t warned = warnings().size();
        EXPECT_EQ(run(), RunOutcome::EndedByError) << link;
        ASSERT_EQ(warnings().size(), warned + 1) << link;
        EXPECT_NE(warnings().back().find(spoilers + "/" + link + "'"), std::string::npos)
            << warnings().back();
        EXPECT_EQ(outside(), before) << link;
    }
}
