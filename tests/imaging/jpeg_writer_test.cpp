#include "imaging/jpeg_writer.hpp"

#include "base/files.hpp"
#include "base/run_error.hpp"
#include "imaging/test_jpegs.hpp"
#include "support/temp_folder.hpp"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>

namespace base = pixtrail::base;
namespace imaging = pixtrail::imaging;
namespace pt = pixtrail::testing;
using imaging::cDIBSection;
using imaging::Picture;
using pt::Colour;
using pt::TempFolder;
namespace fs = std::filesystem;

namespace {

// Smooth in both directions (so a high quality keeps it closely) and different in every
// row and column (so a wrong row stride or order shows).
Picture gradient(int width, int height) {
    Picture p = Picture::blank(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            pt::fill(p, x, y, x + 1, y + 1,
                     Colour{static_cast<std::uint8_t>(40 + y * 160 / height),
                            static_cast<std::uint8_t>(200 - x * 150 / width),
                            static_cast<std::uint8_t>(30 + (x + y) * 180 / (width + height))});
    return p;
}

void expectClose(const Picture& got, const Picture& want, int tolerance) {
    ASSERT_EQ(got.width, want.width);
    ASSERT_EQ(got.height, want.height);
    for (int y = 0; y < want.height; ++y)
        for (int x = 0; x < want.width; ++x)
            ASSERT_TRUE(pt::near(pt::pixel(got, x, y), pt::pixel(want, x, y), tolerance))
                << x << "," << y;
}

struct stat statOf(const std::string& path) {
    struct stat st {};
    ::stat(path.c_str(), &st);
    return st;
}

class JpegWriter : public ::testing::Test {
protected:
    TempFolder dir;
    const std::string path = dir.file("GC1 - Spoiler.jpg");

    void TearDown() override { base::failAtomicRenamesForTesting(false); }

    bool onlyTheFileIsThere() const {
        int n = 0;
        for (const auto& entry : fs::directory_iterator(dir.path())) {
            (void)entry;
            ++n;
        }
        return n == 1;
    }
};

} // namespace

TEST_F(JpegWriter, EncodesTheBitmapUprightWithPaddedRowsIntact) {
    for (const int width : {301, 300, 7}) { // pads of 1, 0 and 3 bytes
        const Picture picture = gradient(width, 16);
        cDIBSection dib;
        dib.CreateFromPicture(picture);
        expectClose(pt::decodeTestJpeg(imaging::encodeJpeg(dib, 100)), picture, 4);
    }
}

TEST_F(JpegWriter, TopRowRedStaysOnTop) {
    Picture picture = pt::solidPicture(64, 48, pt::kBlue);
    pt::fill(picture, 0, 0, 64, 8, pt::kRed);
    cDIBSection dib;
    dib.CreateFromPicture(picture);
    const Picture back = pt::decodeTestJpeg(imaging::encodeJpeg(dib, 90));
    EXPECT_TRUE(pt::near(pt::pixel(back, 32, 0), pt::kRed, 12));
    EXPECT_TRUE(pt::near(pt::pixel(back, 32, 47), pt::kBlue, 12));
}

TEST_F(JpegWriter, QualityReachesTheEncoderAndColourKeepsFullResolution) {
    cDIBSection dib;
    dib.CreateFromPicture(gradient(40, 30));
    const std::string q90 = imaging::encodeJpeg(dib, 90);
    const std::string q50 = imaging::encodeJpeg(dib, 50);
    // The standard tables' first luminance value is 16, scaled by (200 - 2q) / 100.
    EXPECT_EQ(pt::firstQuantValue(q90), 3);
    EXPECT_EQ(pt::firstQuantValue(q50), 16);
    EXPECT_EQ(pt::samplingFactors(q90), "111111");
}

TEST_F(JpegWriter, SaveCreatesANewFile) {
    cDIBSection dib;
    dib.CreateFromPicture(gradient(30, 20));
    EXPECT_TRUE(imaging::SaveJPG(dib, path, 90));
    expectClose(pt::decodeTestJpeg(dir.read("GC1 - Spoiler.jpg")), gradient(30, 20), 10);
    EXPECT_TRUE(onlyTheFileIsThere());
}

TEST_F(JpegWriter, ReplacingKeepsTheOldFilesTimesAndPermissionBits) {
    dir.write("GC1 - Spoiler.jpg", "the old picture");
    const std::string native = base::nativePath(path).string();
    ASSERT_EQ(::chmod(native.c_str(), 0640), 0);
    const timespec times[2] = {{981'173'106, 123'456'789}, {1'012'345'678, 987'654'321}};
    ASSERT_EQ(::utimensat(AT_FDCWD, native.c_str(), times, 0), 0);

    cDIBSection dib;
    dib.CreateFromPicture(gradient(30, 20));
    EXPECT_TRUE(imaging::SaveJPG(dib, path, 90));

    const struct stat st = statOf(native); // before reading, which may move the access time
    EXPECT_EQ(pt::decodeTestJpeg(dir.read("GC1 - Spoiler.jpg")).width, 30);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    EXPECT_EQ(st.st_atim.tv_sec, times[0].tv_sec);
    EXPECT_EQ(st.st_atim.tv_nsec, times[0].tv_nsec);
    EXPECT_EQ(st.st_mtim.tv_sec, times[1].tv_sec);
    EXPECT_EQ(st.st_mtim.tv_nsec, times[1].tv_nsec);
    EXPECT_TRUE(onlyTheFileIsThere());
}

TEST_F(JpegWriter, AFailedEncodeLeavesTheOldPictureInPlace) {
    dir.write("GC1 - Spoiler.jpg", "the old picture");
    cDIBSection empty;
    empty.Create(0, 0);
    cDIBSection live;
    live.CreateFromPicture(gradient(8, 8));
    const std::pair<const cDIBSection*, int> failures[] = {{&empty, 90}, {&live, 101}, {&live, -1}};
    for (const auto& [dib, quality] : failures) {
        try {
            imaging::SaveJPG(*dib, path, quality);
            ADD_FAILURE() << "quality " << quality << " was written";
        } catch (const base::RunError& e) {
            EXPECT_EQ(e.number(), 26001);
            EXPECT_EQ(e.description(), "Failed to save to JPG 1");
        }
        EXPECT_EQ(dir.read("GC1 - Spoiler.jpg"), "the old picture");
        EXPECT_TRUE(onlyTheFileIsThere());
    }
}

TEST_F(JpegWriter, AFailedWriteLeavesTheOldPictureInPlace) {
    dir.write("GC1 - Spoiler.jpg", "the old picture");
    cDIBSection dib;
    dib.CreateFromPicture(gradient(8, 8));
    base::failAtomicRenamesForTesting(true);
    EXPECT_THROW(imaging::SaveJPG(dib, path, 90), base::RunError);
    EXPECT_EQ(dir.read("GC1 - Spoiler.jpg"), "the old picture");
    EXPECT_TRUE(onlyTheFileIsThere());
}
