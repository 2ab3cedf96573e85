#include "imaging/picture_format.hpp"

#include "imaging/test_jpegs.hpp"
#include "support/png_gif_files.hpp"

#include <gtest/gtest.h>

namespace imaging = pixtrail::imaging;
namespace pt = pixtrail::testing;
using namespace std::string_literals;

// A picture whose transfer stopped early must be told from a whole one by its bytes alone,
// whatever follows the picture's end and whatever its header blocks hold.
TEST(PictureFormat, TellsAPictureCutShortFromAWholeOne) {
    const std::string jpeg = pt::encodeTestJpeg(pt::solidPicture(40, 30, pt::kBlue));
    // An EXIF block holding a thumbnail, whose own end marker comes long before the photo's.
    const std::string thumbnail = "Exif\0\0\xFF\xD8\xFF\xD9"s;
    const std::string withThumbnail =
        jpeg.substr(0, 2) + "\xFF\xE1\x00\x0C"s + thumbnail + jpeg.substr(2);
    const std::string png = pt::writeTestPng(pt::solidPicture(20, 10, pt::kRed));
    const std::string gif = pt::writeTestGif(4, 2, {{0, 0, 0}, {255, 255, 255}},
                                             {{0, 0, 4, 2, std::vector<std::uint8_t>(8, 1)}});
    std::string bmp = "BM\x3A\0\0\0"s + std::string(52, 'x');
    std::string webp = "RIFF\x1C\0\0\0WEBP"s + std::string(24, 'x');
    const struct {
        const char* what;
        std::string bytes;
        bool whole;
    } cases[] = {
        {"jpeg", jpeg, true},
        {"jpeg and a video after it", jpeg + std::string(5000, 'v'), true},
        {"jpeg without its end marker", jpeg.substr(0, jpeg.size() - 2), false},
        {"jpeg cut in its scan", jpeg.substr(0, jpeg.size() / 2), false},
        {"jpeg cut in its headers", jpeg.substr(0, 30), false},
        {"jpeg with a thumbnail", withThumbnail, true},
        {"jpeg with a thumbnail, cut", withThumbnail.substr(0, withThumbnail.size() - 40), false},
        {"png", png, true},
        {"png without its IEND", png.substr(0, png.size() - 12), false},
        {"png cut in a chunk", png.substr(0, png.size() / 2), false},
        {"gif", gif, true},
        {"gif without its trailer", gif.substr(0, gif.size() - 1), false},
        {"gif cut in its image", gif.substr(0, gif.size() - 5), false},
        {"bmp", bmp, true},
        {"bmp cut", bmp.substr(0, 40), false},
        {"webp", webp, true},
        {"webp cut", webp.substr(0, 30), false},
        {"no picture", "<html>sign in</html>", true},
    };
    for (const auto& c : cases)
        EXPECT_EQ(imaging::endsWithItsPicture(c.bytes), c.whole) << c.what;
    EXPECT_EQ(imaging::pictureFormat("<html>"), imaging::PictureFormat::None);
    EXPECT_EQ(imaging::pictureFormat(webp), imaging::PictureFormat::Webp);
}
