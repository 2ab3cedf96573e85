#include "e2e/cli_folder.hpp"
#include "imaging/dib_section.hpp"
#include "imaging/jpeg_reader.hpp"
#include "imaging/jpeg_writer.hpp"
#include "support/png_gif_files.hpp"

#include <algorithm>
#include <filesystem>

namespace fs = std::filesystem;
using namespace pixtrail::testing;

namespace {

// A copy of pixtrail-cli in its own folder with the Garmin option in its settings file,
// run against the fixture site.
class GarminCliTest : public CliFolder {
protected:
    void SetUp() override {
        dir.write("spoilers/GC1A2B3 - no spoiler found.txt", "");
        writeSettings("onlysummary=0\r\ndelunused=0\r\n");
    }
};

} // namespace

TEST_F(GarminCliTest, ArrangesEveryCacheInTheDeviceLayoutAndRemovesTheTreeWhenSwitchedOff) {
    dir.write("caches.gpx", "<wpt><name>GC5PX7Q</name></wpt>\r\n<wpt><name>GC22222</name></wpt>\r\n"
                            "<wpt><name>GC1A2B3</name></wpt>\r\n");
    std::string page =
        "<html><head><title>GC5PX7Q The Weir</title></head><body>" + std::string(1200, ' ');
    for (const char* picture : {"weir.jpg", "map.png", "hint.gif"})
        page += "<li><a href=\"http://" + site.host() + "/cache/large/" + picture +
                "\" rel=\"lightbox\">Spoiler " +
                std::string(picture).substr(0, std::string(picture).find('.')) + "</a></li>";
    page += "<span>end</span><h2>Logged Visits</h2></body></html>";
    site.serve("/seek/cache_details.aspx?wp=GC5PX7Q&Submit6=Find", page);
    pixtrail::imaging::cDIBSection dib;
    dib.CreateFromPicture(pixtrail::imaging::Picture::blank(40, 30));
    const std::string jpeg = pixtrail::imaging::encodeJpeg(dib, 90);
    site.serve("/cache/large/weir.jpg", jpeg, "image/jpeg");
    site.serve("/cache/large/map.png", writeTestPng(pixtrail::imaging::Picture::blank(500, 250)),
               "image/png");
    site.serve("/cache/large/hint.gif",
               writeTestGif(8, 4, {{0, 0, 0}, {255, 255, 255}},
                            {{0, 0, 8, 4, std::vector<std::uint8_t>(32, 1)}}),
               "image/gif");
    dir.write("spoilers/GC22222 - Spoiler 1.jpg", jpeg); // stored by an earlier run
    writeSettings("onlysummary=0\r\ndelunused=0\r\ngarminphotos=1\r\n");

    ProgramResult r = run({"-a"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "GC5PX7Q 3 spoilers\nGC22222 spoilers already downloaded\n"
                     "GC1A2B3 no spoilers found\n");
    // Everything below the spoiler folder's Garmin folder.
    auto tree = [&] {
        std::vector<std::string> found;
        const fs::path spoilers = dir.path() / "spoilers";
        for (const auto& entry : fs::recursive_directory_iterator(spoilers / "Garmin"))
            found.push_back(fs::relative(entry.path(), spoilers).generic_string());
        std::sort(found.begin(), found.end());
        return found;
    };
    const std::string q = "Garmin/GeocachePhotos/Q/7/GC5PX7Q/Spoilers";
    const std::string two = "Garmin/GeocachePhotos/2/2/GC22222/Spoilers";
    const std::vector<std::string> expected = {"Garmin/GeocachePhotos",
                                               "Garmin/GeocachePhotos/2",
                                               "Garmin/GeocachePhotos/2/2",
                                               "Garmin/GeocachePhotos/2/2/GC22222",
                                               two,
                                               two + "/Spoiler 1.jpg",
                                               "Garmin/GeocachePhotos/Q",
                                               "Garmin/GeocachePhotos/Q/7",
                                               "Garmin/GeocachePhotos/Q/7/GC5PX7Q",
                                               q,
                                               q + "/Spoiler hint.jpg",
                                               q + "/Spoiler map.jpg",
                                               q + "/Spoiler weir.jpg"};
    EXPECT_EQ(tree(), expected);
    EXPECT_TRUE(fs::equivalent(dir.path() / "spoilers" / "GC5PX7Q - Spoiler weir.jpg",
                               dir.path() / "spoilers" / q / "Spoiler weir.jpg"));
    const auto map =
        pixtrail::imaging::readJpegHeader(dir.read("spoilers/" + q + "/Spoiler map.jpg"));
    EXPECT_EQ(map.width, 300); // shrunk to the box, as the settings ask
    EXPECT_EQ(map.height, 150);
    EXPECT_EQ(
        pixtrail::imaging::readJpegHeader(dir.read("spoilers/" + q + "/Spoiler hint.jpg")).width,
        8);

    // Next time every cache is skipped: a tree made afresh from the stored pictures alone,
    // with no page or picture asked for.
    fs::remove_all(dir.path() / "spoilers" / "Garmin");
    site.clearRequests();
    r = run({"-a"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "GC5PX7Q spoilers already downloaded\nGC22222 spoilers already downloaded\n"
                     "GC1A2B3 no spoilers found\n");
    EXPECT_EQ(site.targets(), std::vector<std::string>{"/"});
    EXPECT_EQ(tree(), expected);

    // Switched off: the tree goes, the spoilers stay.
    std::string ini = dir.read("pixtrail.ini");
    ini.replace(ini.find("garminphotos=1"), 14, "garminphotos=0");
    dir.write("pixtrail.ini", ini);
    r = run({"-a"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_FALSE(dir.exists("spoilers/Garmin"));
    EXPECT_EQ(dir.read("spoilers/GC5PX7Q - Spoiler weir.jpg"), jpeg);
}
