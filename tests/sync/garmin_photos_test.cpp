#include "sync/garmin_photos.hpp"

#include "imaging/dib_section.hpp"
#include "imaging/jpeg_reader.hpp"
#include "imaging/jpeg_writer.hpp"
#include "imaging/shrink.hpp"
#include "support/golden.hpp"
#include "support/png_gif_files.hpp"
#include "support/run_fixture.hpp"

#include <algorithm>
#include <filesystem>

using namespace pixtrail;
using pixtrail::testing::RunTest;
using sync::RunOutcome;
namespace fs = std::filesystem;

namespace {
using Names = std::vector<std::string>;

imaging::Picture solid(int width, int height, std::uint8_t grey) {
    imaging::Picture p = imaging::Picture::blank(width, height);
    std::fill(p.pixels.begin(), p.pixels.end(), grey);
    return p;
}

std::string jpeg(int width, int height) {
    imaging::cDIBSection dib;
    dib.CreateFromPicture(solid(width, height, 90));
    return imaging::encodeJpeg(dib, 90);
}

const std::string kGif = pixtrail::testing::writeTestGif(
    20, 10, {{255, 0, 0}, {0, 0, 255}}, {{0, 0, 20, 10, std::vector<std::uint8_t>(200, 1)}});

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
    fs::path inSpoilers(const std::string& relative) const {
        return dir.path() / "spoilers" / relative;
    }
    std::string tree() const {
        return fs::exists(inSpoilers("Garmin")) ? folderState("Garmin") : "";
    }
};

} // namespace

TEST(GarminLayout, PutsACacheUnderItsLastTwoCharactersAndNamesPicturesByCaption) {
    // The platform's separator between the folders; "/" here.
    auto folder = [](const char* code) {
        return base::replaceAll(sync::garminSpoilerFolder(code).value_or("-"), "\\", "/");
    };
    EXPECT_EQ(folder("GC1A2B3"), "Garmin/GeocachePhotos/3/B/GC1A2B3/Spoilers");
    EXPECT_EQ(folder("GCK"), "Garmin/GeocachePhotos/K/0/GCK/Spoilers");
    EXPECT_EQ(folder("gc5px7q"), "Garmin/GeocachePhotos/Q/7/GC5PX7Q/Spoilers");
    for (const char* notACode : {"", "GC", "GC 12", "../GC1", "GC1/..", "GC1.",
                                 "GC\xC4"
                                 "12"})
        EXPECT_FALSE(sync::garminSpoilerFolder(notACode).has_value()) << notACode;
    // Stored names, then the names on the device.
    const Names stored = {"GC1A2B3 - map.jpg",   "GC1A2B3 - .jpg",    "GC1A2B3 - why?|*.jpg",
                          "GC1A2B3 - end. .jpg", "gc1a2b3 - MAP.png", "GC1A2B3 - map.gif"};
    Names names;
    for (const auto& picture : sync::garminPictureNames("GC1A2B3", stored))
        names.push_back(picture.name);
    EXPECT_EQ(names, (Names{"map.jpg", "Spoiler.jpg", "why___.jpg", "end.jpg", "MAP (2).jpg",
                            "map (3).jpg"}));
}

// The tree a device takes, over runs that download, skip, lose and drop pictures.
TEST_F(GarminPhotos, TheTreeHoldsExactlyTheStoredPicturesTheDeviceCanShow) {
#ifdef _WIN32
    GTEST_SKIP() << "its records hold a picture named with a '?', which Windows names cannot";
#endif
    dir.write("caches.gpx", "GC1A2B3\nGC12AB\ngc22222\nGC33333\nGC2BAD1\n");
    getspoilerpics = [&](scrape::ScrapeCall& call) {
        const std::pair<std::string, std::string> downloads[] = {
            {"GC1A2B3 - Spoiler 1.jpg", jpeg(40, 30)},
            {"GC1A2B3 - map.png", pixtrail::testing::writeTestPng(solid(600, 300, 200))},
            {"GC1A2B3 - hint.gif", kGif}};
        for (const auto& [name, bytes] : downloads) {
            base::writeFileAtomically(call.folder->path(name), bytes);
            call.folder->added(name);
        }
        return 3;
    };
    for (const auto& [name, content] : std::vector<std::pair<std::string, std::string>>{
             {"GC1A2B34 - other cache.jpg", jpeg(8, 8)}, // a longer code's picture stays out
             {"GC12AB - x.jpg", jpeg(10, 10)},
             {"GC22222 - b.png", pixtrail::testing::writeTestPng(solid(30, 20, 50))},
             {"GC33333 - no spoiler found.txt", ""},
             {"GC2BAD1 - only.gif", "GIF89a and nothing more"},
             {"GC1A2B3 - broken.png",
              pixtrail::testing::writeTestPng(solid(30, 20, 50)).substr(0, 40)},
             {"GC1A2B3 - page.jpg", "<html>not a picture</html>"},
             {"GC1A2B3 - bomb.gif", // a screen of 65535 x 65535 pixels around one
              std::string("GIF89a\xFF\xFF\xFF\xFF\x80\x00\x00", 13) + std::string(6, '\0') +
                  std::string("\x2C\0\0\0\0\x01\0\x01\0\0\x02\x02\x44\x01\0\x3B", 16)},
             {"GC1A2B3 - why?.jpg", jpeg(12, 12)},
             {".pixtrail-incomplete-GC1A2B3.part", ""}})
        spoiler(name, content);
    shell::debugLog().setEnabled(true);
    ASSERT_EQ(run(), RunOutcome::Finished);
    EXPECT_TRUE(warnings().empty());
    pixtrail::testing::expectGolden("sync/garmin-first.tree", tree());

    // The user's own things beside the tree, leftovers in it, a picture deleted by hand,
    // another turned bad, and a cache that left the waypoint file.
    fs::create_directories(inSpoilers("Garmin/GPX"));
    dir.write("spoilers/Garmin/GPX/current.gpx", "<gpx/>");
    dir.write("spoilers/Garmin/GeocachePhotos/notes.txt", "mine");
    const std::string cache = "spoilers/Garmin/GeocachePhotos/3/B/GC1A2B3/Spoilers/";
    dir.write(cache + "stray.jpg", "x");
    dir.write(cache + ".pixtrail-abcdefghij.tmp", "half a picture");
    fs::create_directories(inSpoilers("Garmin/GeocachePhotos/9/9/GC1A2B3/Spoilers"));
    fs::remove(inSpoilers("GC1A2B3 - Spoiler 1.jpg"));
    spoiler("GC1A2B3 - hint.gif", "GIF89a cut short");
    fs::last_write_time(inSpoilers("GC1A2B3 - hint.gif"),
                        fs::file_time_type::clock::now() + std::chrono::hours(1));
    dir.write("caches.gpx", "GC1A2B3\ngc22222\n");
    ASSERT_EQ(run(), RunOutcome::Finished);
    pixtrail::testing::expectGolden("sync/garmin-second.tree", tree());

    // Switched off: the tree goes, what else is under Garmin stays.
    tick("chkGarminPhotos", false);
    ASSERT_EQ(run(), RunOutcome::Finished);
    EXPECT_EQ(tree(), "Garmin/GPX/\nGarmin/GPX/current.gpx: <gpx/>\n");
}

TEST_F(GarminPhotos, CopiesWhereHardLinksAreRefusedAndFollowsAPictureShrunkInPlace) {
    dir.write("caches.gpx", "GC1A2B3\n");
    for (const bool links : {false, true}) {
        fs::remove_all(inSpoilers("Garmin"));
        spoiler("GC1A2B3 - big.jpg", jpeg(600, 400));
        sync::refuseHardLinksForTesting(!links);
        ASSERT_EQ(run(), RunOutcome::Finished);
        const std::string device = "Garmin/GeocachePhotos/3/B/GC1A2B3/Spoilers/big.jpg";
        EXPECT_EQ(fs::equivalent(inSpoilers(device), inSpoilers("GC1A2B3 - big.jpg")), links);
        // A re-check shrinks stored pictures in place, keeping their dates: the device's
        // picture follows.
        imaging::shrinkJpegFile(base::joinPath(spoilers, "GC1A2B3 - big.jpg"), 300, 300);
        ASSERT_EQ(run(), RunOutcome::Finished);
        EXPECT_EQ(dir.read("spoilers/" + device), readSpoiler("GC1A2B3 - big.jpg")) << links;
        EXPECT_EQ(imaging::readJpegHeader(dir.read("spoilers/" + device)).width, 300);
    }
}

TEST_F(GarminPhotos, ALinkInThePlaceOfTheTreeIsNeverFollowed) {
#ifdef _WIN32
    GTEST_SKIP() << "symbolic links need a privilege on Windows, and Wine makes none";
#endif
    // The device's own folders, outside the spoiler folder.
    const fs::path device = dir.path() / "device";
    fs::create_directories(device / "Garmin/GeocachePhotos/E/P/GC9NOPE/Spoilers");
    dir.write("device/Garmin/GeocachePhotos/E/P/GC9NOPE/Spoilers/theirs.jpg", "x");
    auto outside = [&] {
        Names found;
        for (const auto& entry : fs::recursive_directory_iterator(device))
            found.push_back(fs::relative(entry.path(), dir.path()).generic_string());
        std::sort(found.begin(), found.end());
        return found;
    };
    const Names before = outside();
    spoiler("GC9NOPE - no spoiler found.txt", "");
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
        // A cache without pictures, the cleanup, and switching the option off.
        dir.write("caches.gpx", "GC9NOPE\n");
        for (const bool on : {true, false}) {
            tick("chkGarminPhotos", on);
            EXPECT_EQ(run(), RunOutcome::Finished) << link;
            EXPECT_EQ(outside(), before) << link;
        }
        // A cache with pictures: the run says where it cannot arrange them.
        dir.write("caches.gpx", "GC1A2B3\n");
        spoiler("GC1A2B3 - a.jpg", jpeg(10, 10));
        tick("chkGarminPhotos", true);
        EXPECT_EQ(run(), RunOutcome::EndedByError) << link;
        EXPECT_NE(warnings().back().find(base::joinPath(spoilers, link) + "'"), std::string::npos)
            << warnings().back();
        EXPECT_EQ(outside(), before) << link;
    }
}
