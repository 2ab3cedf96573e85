#include "imaging/jpeg_reader.hpp"

#include "base/run_error.hpp"
#include "imaging/test_jpegs.hpp"

#include <gtest/gtest.h>
#include <turbojpeg.h>

#include <vector>

namespace base = pixtrail::base;
namespace imaging = pixtrail::imaging;
namespace pt = pixtrail::testing;
using imaging::decodeReduction;
using imaging::exifOrientation;
using imaging::readJpegHeader;

namespace {

std::string smallJpeg() {
    return pt::encodeTestJpeg(pt::solidPicture(64, 48, pt::kGreen));
}

void expectInvalid(std::string_view bytes, const char* what) {
    try {
        readJpegHeader(bytes);
        ADD_FAILURE() << what << " was read";
    } catch (const base::RunError& e) {
        EXPECT_EQ(e.description(), "Invalid picture") << what;
        EXPECT_EQ(e.number(), imaging::kInvalidPicture) << what;
    }
}

} // namespace

TEST(JpegHeader, GivesStoredSizeAndOrientation) {
    const auto header = readJpegHeader(pt::withExifOrientation(smallJpeg(), 6, true));
    EXPECT_EQ(header.width, 64);
    EXPECT_EQ(header.height, 48);
    EXPECT_EQ(header.orientation, 6);
    EXPECT_EQ(readJpegHeader(smallJpeg()).orientation, 1);
}

TEST(JpegHeader, RefusesWhatIsNoJpegAndPicturesOverOneHundredMegapixels) {
    expectInvalid(pt::pngFile(), "a PNG");
    expectInvalid("", "nothing");
    expectInvalid("\xFF\xD8\xFF", "a start marker alone");
    expectInvalid("<html>Not found</html>", "a web page");
    expectInvalid(pt::withClaimedSize(smallJpeg(), 20000, 20000), "400 megapixels");
    expectInvalid(pt::withClaimedSize(smallJpeg(), 10001, 10000), "just over the limit");
    const auto atLimit = readJpegHeader(pt::withClaimedSize(smallJpeg(), 10000, 10000));
    EXPECT_EQ(atLimit.width, 10000);
}

TEST(JpegDecode, ReducesAtTheDecoderAndRefusesDamagedData) {
    const std::string jpeg = pt::encodeTestJpeg(pt::solidPicture(100, 60, pt::kRed));
    for (const auto& [reduction, width, height] :
         {std::tuple{1, 100, 60}, {2, 50, 30}, {4, 25, 15}, {8, 13, 8}}) {
        const auto picture = imaging::decodeJpeg(jpeg, reduction);
        EXPECT_EQ(picture.width, width) << reduction;
        EXPECT_EQ(picture.height, height) << reduction;
        EXPECT_TRUE(pt::near(pt::pixel(picture, width / 2, height / 2), pt::kRed, 6));
    }
    EXPECT_THROW(imaging::decodeJpeg(jpeg.substr(0, jpeg.size() / 2), 1), base::RunError);
    EXPECT_THROW(imaging::decodeJpeg(jpeg.substr(0, jpeg.size() - 2), 1), base::RunError)
        << "a missing end marker is damage too";
}

TEST(JpegDecode, ChoosesTheLargestReductionThatKeepsTheMinimumSize) {
    EXPECT_EQ(decodeReduction(4000, 3000, 600, 450), 4);
    EXPECT_EQ(decodeReduction(4000, 3000, 500, 375), 8);
    EXPECT_EQ(decodeReduction(4000, 3000, 501, 10), 4);
    EXPECT_EQ(decodeReduction(4000, 3000, 10, 376), 4);
    EXPECT_EQ(decodeReduction(601, 10, 76, 2), 8); // sides round up: 601 / 8 gives 76
    EXPECT_EQ(decodeReduction(4000, 3000, 2000, 1500), 2);
    EXPECT_EQ(decodeReduction(4000, 3000, 2001, 1), 1);
}

TEST(ExifOrientation, ReadsEveryValueInBothByteOrders) {
    const std::string jpeg = smallJpeg();
    for (int value = 1; value <= 8; ++value) {
        EXPECT_EQ(exifOrientation(pt::withExifOrientation(jpeg, value, false)), value);
        EXPECT_EQ(exifOrientation(pt::withExifOrientation(jpeg, value, true)), value);
    }
}

TEST(ExifOrientation, AnythingOddCountsAsUpright) {
    const std::string jpeg = smallJpeg();
    EXPECT_EQ(exifOrientation(jpeg), 1);
    EXPECT_EQ(exifOrientation(pt::withExifOrientation(jpeg, 0, false)), 1);
    EXPECT_EQ(exifOrientation(pt::withExifOrientation(jpeg, 9, true)), 1);
    EXPECT_EQ(exifOrientation(""), 1);
    EXPECT_EQ(exifOrientation(pt::pngFile()), 1);

    // Every cut through the EXIF block, and every single damaged byte in it, must be read
    // safely; a damaged block may still give some value, but only one of 1..8.
    const std::string tagged = pt::withExifOrientation(jpeg, 6, false);
    const std::size_t blockEnd = 4 + 2 + 6 + 50;
    for (std::size_t cut = 0; cut <= blockEnd + 4; ++cut) {
        const int value = exifOrientation(tagged.substr(0, cut));
        EXPECT_TRUE(value == 1 || value == 6) << cut;
    }
    for (std::size_t at = 2; at < blockEnd; ++at) {
        for (const char bad : {'\x00', '\xFF', '\x7F'}) {
            std::string damaged = tagged;
            damaged[at] = bad;
            const int value = exifOrientation(damaged);
            EXPECT_TRUE(value >= 1 && value <= 8) << at;
        }
    }
}

TEST(JpegDecode, PrintExportsInCmykComeOutInTheirColours) {
    // Pure red as inks: no cyan, full magenta and yellow, no black; stored the way Adobe's
    // programs and the JPEG library store inks (inverted, 255 meaning none).
    std::vector<unsigned char> inks(16 * 8 * 4);
    for (std::size_t i = 0; i < inks.size(); i += 4) {
        inks[i] = 255;
        inks[i + 1] = 0;
        inks[i + 2] = 0;
        inks[i + 3] = 255;
    }
    tjhandle encoder = tjInitCompress();
    unsigned char* out = nullptr;
    unsigned long size = 0;
    ASSERT_EQ(
        tjCompress2(encoder, inks.data(), 16, 0, 8, TJPF_CMYK, &out, &size, TJSAMP_444, 95, 0), 0);
    const std::string cmyk(reinterpret_cast<char*>(out), size);
    tjFree(out);
    tjDestroy(encoder);

    const imaging::Picture red = imaging::decodeJpeg(cmyk, 1);
    EXPECT_TRUE(pt::near(pt::pixel(red, 5, 5), pt::kRed, 8));
    // Without the Adobe mark the same bytes are read as plain inks: full ink everywhere.
    const std::size_t adobe = cmyk.find("Adobe");
    ASSERT_NE(adobe, std::string::npos);
    std::string plain = cmyk;
    plain.erase(adobe - 4, 2 + ((std::size_t(std::uint8_t(cmyk[adobe - 2])) << 8) |
                                std::uint8_t(cmyk[adobe - 1])));
    EXPECT_TRUE(pt::near(pt::pixel(imaging::decodeJpeg(plain, 1), 5, 5), {0, 0, 0}, 8));
}
