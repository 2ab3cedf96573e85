#include "imaging/shrink.hpp"

#include "base/files.hpp"
#include "base/run_error.hpp"
#include "imaging/jpeg_reader.hpp"
#include "imaging/test_jpegs.hpp"
#include "shell/debug_log.hpp"
#include "support/temp_folder.hpp"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <random>
#include <sys/stat.h>
#include <turbojpeg.h>

namespace base = pixtrail::base;
namespace imaging = pixtrail::imaging;
namespace shell = pixtrail::shell;
namespace pt = pixtrail::testing;
using imaging::Picture;
using imaging::PictureSize;
using imaging::shrinkJpegBytes;
using imaging::shrinkJpegFile;
using imaging::shrinkTarget;
using pt::Colour;
using pt::TempFolder;
namespace fs = std::filesystem;

TEST(ShrinkTarget, TheSideWithTheLargerRatioLandsOnItsTarget) {
    EXPECT_EQ(shrinkTarget(600, 300, 300, 300), (PictureSize{300, 150}));
    EXPECT_EQ(shrinkTarget(300, 900, 300, 300), (PictureSize{100, 300}));
    EXPECT_EQ(shrinkTarget(600, 600, 300, 200), (PictureSize{200, 200})); // by the height
    EXPECT_EQ(shrinkTarget(900, 600, 300, 200), (PictureSize{300, 200})); // equal ratios
    EXPECT_EQ(shrinkTarget(4000, 3000, 300, 300), (PictureSize{300, 225}));
    EXPECT_EQ(shrinkTarget(3000, 4000, 300, 300), (PictureSize{225, 300}));
    EXPECT_EQ(shrinkTarget(301, 100, 300, 300), (PictureSize{300, 100}));  // 99.67 rounds up
    EXPECT_EQ(shrinkTarget(1000, 999, 300, 300), (PictureSize{300, 300})); // never past the box
    EXPECT_EQ(shrinkTarget(100000, 10, 300, 300), (PictureSize{300, 1}));  // never below a pixel
}

TEST(ShrinkTarget, HalvesRoundToEven) {
    EXPECT_EQ(shrinkTarget(600, 301, 300, 300), (PictureSize{300, 150})); // 150.5
    EXPECT_EQ(shrinkTarget(600, 303, 300, 300), (PictureSize{300, 152})); // 151.5
}

TEST(ShrinkTarget, APictureWithinTheBoxIsNotChanged) {
    EXPECT_EQ(shrinkTarget(200, 100, 300, 300), std::nullopt);
    EXPECT_EQ(shrinkTarget(300, 300, 300, 300), std::nullopt); // r = 1
    EXPECT_EQ(shrinkTarget(300, 1, 300, 300), std::nullopt);
    EXPECT_EQ(shrinkTarget(0, 10, 300, 300), std::nullopt);
    EXPECT_EQ(shrinkTarget(600, 300, 0, 300), std::nullopt);
    EXPECT_EQ(shrinkTarget(600, 300, 300, -5), std::nullopt);
}

namespace {

// Stored pictures for each EXIF orientation whose shown picture has four coloured
// quadrants; painted from where the standard says the stored first row and column are
// seen, independently of the code under test.
enum Side { Top, Bottom, Left, Right };
constexpr std::pair<Side, Side> kFirstRowAndColumn[9] = {
    {Top, Left}, {Top, Left},  {Top, Right},    {Bottom, Right}, {Bottom, Left},
    {Left, Top}, {Right, Top}, {Right, Bottom}, {Left, Bottom}};

Side opposite(Side s) {
    switch (s) {
    case Top:
        return Bottom;
    case Bottom:
        return Top;
    case Left:
        return Right;
    default:
        return Left;
    }
}

// Quadrant colours of the shown picture: top left, top right, bottom left, bottom right.
constexpr Colour kShown[2][2] = {{pt::kRed, pt::kGreen}, {pt::kBlue, pt::kWhite}};

Colour shownAt(Side a, Side b) {
    const bool bottom = a == Bottom || b == Bottom;
    const bool right = a == Right || b == Right;
    return kShown[bottom][right];
}

Picture storedFor(int orientation, int shownWidth, int shownHeight) {
    const bool turned = orientation >= 5;
    const int w = turned ? shownHeight : shownWidth;
    const int h = turned ? shownWidth : shownHeight;
    const auto [row, column] = kFirstRowAndColumn[orientation];
    Picture p = Picture::blank(w, h);
    pt::fill(p, 0, 0, w / 2, h / 2, shownAt(row, column));
    pt::fill(p, w / 2, 0, w, h / 2, shownAt(row, opposite(column)));
    pt::fill(p, 0, h / 2, w / 2, h, shownAt(opposite(row), column));
    pt::fill(p, w / 2, h / 2, w, h, shownAt(opposite(row), opposite(column)));
    return p;
}

Picture topRedBottomBlue(int width, int height) {
    Picture p = pt::solidPicture(width, height, pt::kBlue);
    pt::fill(p, 0, 0, width, height / 2, pt::kRed);
    return p;
}

std::string wideJpeg() {
    return pt::encodeTestJpeg(topRedBottomBlue(600, 300), 90, TJSAMP_420);
}

void expectInvalidPicture(const std::function<void()>& action, const std::string& what) {
    try {
        action();
        ADD_FAILURE() << what << ": accepted";
    } catch (const base::RunError& e) {
        EXPECT_EQ(e.description(), "Invalid picture") << what;
    }
}

class ShrinkFile : public ::testing::Test {
protected:
    TempFolder dir;
    const std::string path = dir.file("GC1 - Spoiler.jpg");

    void SetUp() override {
        shell::debugLog().setPath(dir.file("debug.txt"));
        shell::debugLog().setEnabled(true);
    }
    void TearDown() override { shell::debugLog().setEnabled(false); }

    std::string debugText() const { return dir.read("debug.txt"); }
    std::string stored() const { return dir.read("GC1 - Spoiler.jpg"); }
    bool onlyThePictureAndTheTrace() const {
        int n = 0;
        for (const auto& entry : fs::directory_iterator(dir.path())) {
            const auto name = entry.path().filename().string();
            if (name != "GC1 - Spoiler.jpg" && name != "debug.txt")
                return false;
            ++n;
        }
        return n >= 1;
    }
};

} // namespace

TEST_F(ShrinkFile, AWidePictureShrinksInPlaceToTheBox) {
    dir.write("GC1 - Spoiler.jpg", wideJpeg());
    shrinkJpegFile(path, 300, 300);

    const std::string now = stored();
    const Picture back = pt::decodeTestJpeg(now);
    EXPECT_EQ(back.width, 300);
    EXPECT_EQ(back.height, 150);
    EXPECT_TRUE(pt::near(pt::pixel(back, 150, 0), pt::kRed, 16));
    EXPECT_TRUE(pt::near(pt::pixel(back, 150, 149), pt::kBlue, 16));
    EXPECT_EQ(pt::firstQuantValue(now), 3) << "quality 90";
    EXPECT_NE(debugText().find(" Resizing picture " + path + "\r\n"), std::string::npos);
    EXPECT_NE(debugText().find(" File size is " + std::to_string(now.size()) + "\r\n"),
              std::string::npos);
    EXPECT_TRUE(onlyThePictureAndTheTrace());
}

TEST_F(ShrinkFile, APictureWithinTheBoxIsLeftUntouched) {
    for (const auto& [width, height] : {std::pair{200, 100}, std::pair{300, 300}}) {
        const std::string original = pt::encodeTestJpeg(topRedBottomBlue(width, height), 97);
        dir.write("GC1 - Spoiler.jpg", original);
        shrinkJpegFile(path, 300, 300);
        EXPECT_EQ(stored(), original) << width << " x " << height;
        EXPECT_EQ(shrinkJpegBytes(original, 300, 300), std::nullopt);
    }
    EXPECT_EQ(debugText().find("Resizing"), std::string::npos);
}

TEST_F(ShrinkFile, ARewrittenPictureKeepsItsTimesAndPermissionBits) {
    dir.write("GC1 - Spoiler.jpg", wideJpeg());
    const std::string native = base::nativePath(path).string();
    ASSERT_EQ(::chmod(native.c_str(), 0604), 0);
    // Equal old times: the very case in which reading a file moves its access time.
    const timespec times[2] = {{1'000'000'000, 5}, {1'000'000'000, 5}};
    ASSERT_EQ(::utimensat(AT_FDCWD, native.c_str(), times, 0), 0);

    shrinkJpegFile(path, 100, 100);

    struct stat st {};
    ASSERT_EQ(::stat(native.c_str(), &st), 0);
    EXPECT_EQ(pt::decodeTestJpeg(stored()).width, 100);
    EXPECT_EQ(st.st_mode & 07777, 0604u);
    EXPECT_EQ(st.st_atim.tv_sec, times[0].tv_sec);
    EXPECT_EQ(st.st_atim.tv_nsec, times[0].tv_nsec);
    EXPECT_EQ(st.st_mtim.tv_sec, times[1].tv_sec);
    EXPECT_EQ(st.st_mtim.tv_nsec, times[1].tv_nsec);
}

TEST_F(ShrinkFile, WhatCannotBeReadAsAPictureStaysAsDownloaded) {
    const std::string jpeg = wideJpeg();
    const std::pair<std::string, std::string> cases[] = {
        {"a PNG named .jpg", pt::pngFile()},
        {"a truncated JPEG", jpeg.substr(0, jpeg.size() / 2)},
        {"a bomb header", pt::withClaimedSize(jpeg, 30000, 20000)},
        {"an empty file", ""},
        {"an error page", "<html><body>404</body></html>"},
    };
    for (const auto& entry : cases) {
        const std::string& what = entry.first;
        const std::string& bytes = entry.second;
        dir.write("GC1 - Spoiler.jpg", bytes);
        expectInvalidPicture([&] { shrinkJpegFile(path, 300, 300); }, what);
        expectInvalidPicture([&] { shrinkJpegBytes(bytes, 300, 300); }, what + " in memory");
        EXPECT_EQ(stored(), bytes) << what;
        EXPECT_TRUE(onlyThePictureAndTheTrace()) << what;
    }
    EXPECT_EQ(debugText().find("Resizing"), std::string::npos);
}

TEST_F(ShrinkFile, AMissingFileIsReportedAsSuch) {
    try {
        shrinkJpegFile(dir.file("gone.jpg"), 300, 300);
        ADD_FAILURE() << "a missing file was shrunk";
    } catch (const base::RunError& e) {
        EXPECT_EQ(e.number(), base::err::kFileNotFound);
    }
}

TEST(ShrinkBytes, ComesOutUprightWhateverTheJpegKind) {
    const Picture picture = topRedBottomBlue(640, 480);
    const std::pair<const char*, std::string> kinds[] = {
        {"4:4:4", pt::encodeTestJpeg(picture, 92, TJSAMP_444)},
        {"4:2:0", pt::encodeTestJpeg(picture, 92, TJSAMP_420)},
        {"grey", pt::encodeTestJpeg(picture, 92, TJSAMP_GRAY)},
    };
    for (const auto& [kind, jpeg] : kinds) {
        const auto shrunk = shrinkJpegBytes(jpeg, 320, 320);
        ASSERT_TRUE(shrunk) << kind;
        const Picture back = pt::decodeTestJpeg(*shrunk);
        ASSERT_EQ(back.width, 320) << kind;
        ASSERT_EQ(back.height, 240) << kind;
        EXPECT_EQ(pt::samplingFactors(*shrunk), "111111") << kind;
        // Each band keeps its colour (for the grey picture, its grey) and its place.
        const Picture source = pt::decodeTestJpeg(jpeg);
        EXPECT_TRUE(pt::near(pt::pixel(back, 160, 2), pt::pixel(source, 320, 4), 10)) << kind;
        EXPECT_TRUE(pt::near(pt::pixel(back, 160, 237), pt::pixel(source, 320, 475), 10)) << kind;
    }
}

TEST(ShrinkBytes, ProgressiveJpegsShrinkToo) {
    const Picture picture = topRedBottomBlue(400, 400);
    tjhandle handle = tjInitCompress();
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    ASSERT_EQ(tjCompress2(handle, picture.pixels.data(), 400, 0, 400, TJPF_BGR, &buffer, &size,
                          TJSAMP_420, 90, TJFLAG_PROGRESSIVE),
              0);
    const std::string jpeg(reinterpret_cast<char*>(buffer), size);
    tjFree(buffer);
    tjDestroy(handle);
    const auto shrunk = shrinkJpegBytes(jpeg, 100, 100);
    ASSERT_TRUE(shrunk);
    const Picture back = pt::decodeTestJpeg(*shrunk);
    EXPECT_EQ(back.width, 100);
    EXPECT_TRUE(pt::near(pt::pixel(back, 50, 0), pt::kRed, 16));
}

TEST(ShrinkBytes, EveryExifOrientationComesOutAsThePhotographerSawIt) {
    for (int orientation = 1; orientation <= 8; ++orientation) {
        for (const bool bigEndian : {false, true}) {
            const std::string jpeg = pt::withExifOrientation(
                pt::encodeTestJpeg(storedFor(orientation, 96, 64), 95), orientation, bigEndian);
            const auto shrunk = shrinkJpegBytes(jpeg, 48, 48);
            ASSERT_TRUE(shrunk) << orientation;
            const Picture back = pt::decodeTestJpeg(*shrunk);
            ASSERT_EQ(back.width, 48) << orientation;
            ASSERT_EQ(back.height, 32) << orientation;
            for (int qy = 0; qy < 2; ++qy)
                for (int qx = 0; qx < 2; ++qx)
                    EXPECT_TRUE(
                        pt::near(pt::pixel(back, 12 + 24 * qx, 8 + 16 * qy), kShown[qy][qx], 16))
                        << "orientation " << orientation << (bigEndian ? " (big endian)" : "")
                        << " quadrant " << qx << "," << qy;
        }
    }
}

TEST(ShrinkBytes, TheBoxAppliesToThePictureAsShown) {
    // Stored 400 x 100 but shown 100 x 400: a 200 x 200 box gives 50 x 200.
    const std::string jpeg = pt::withExifOrientation(
        pt::encodeTestJpeg(pt::solidPicture(400, 100, pt::kGreen)), 8, false);
    const auto shrunk = shrinkJpegBytes(jpeg, 200, 200);
    ASSERT_TRUE(shrunk);
    const Picture back = pt::decodeTestJpeg(*shrunk);
    EXPECT_EQ(back.width, 50);
    EXPECT_EQ(back.height, 200);
    // And a picture shown within the box is left alone even though it is stored wider.
    EXPECT_EQ(shrinkJpegBytes(pt::withExifOrientation(
                                  pt::encodeTestJpeg(pt::solidPicture(300, 100, {})), 6, true),
                              200, 300),
              std::nullopt);
}

TEST(ShrinkBytes, ALargeSmoothPictureMatchesItsExactReduction) {
    // 2400 x 1600 is decoded at a reduction and then filtered; the result must still show
    // the gradient where it belongs, pixel for pixel.
    const int w = 2400, h = 1600;
    auto value = [](double fx, double fy) { return 30.0 + 150.0 * fx + 60.0 * fy; };
    Picture p = Picture::blank(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const auto v = static_cast<std::uint8_t>(value((x + 0.5) / w, (y + 0.5) / h) + 0.5);
            pt::fill(p, x, y, x + 1, y + 1, Colour{v, v, v});
        }
    const auto shrunk = shrinkJpegBytes(pt::encodeTestJpeg(p, 95, TJSAMP_420), 300, 300);
    ASSERT_TRUE(shrunk);
    const Picture back = pt::decodeTestJpeg(*shrunk);
    ASSERT_EQ(back.width, 300);
    ASSERT_EQ(back.height, 200);
    for (int y = 4; y < 196; y += 8)
        for (int x = 4; x < 296; x += 8)
            ASSERT_NEAR(pt::pixel(back, x, y).g, value((x + 0.5) / 300, (y + 0.5) / 200), 3)
                << x << "," << y;
}

TEST(ShrinkBytes, DamagedJpegsNeverCrashOrComeOutHalfDone) {
    const std::string jpeg = wideJpeg();
    // Any cut loses at least the end marker: refused, whatever is left.
    for (std::size_t cut = 0; cut < jpeg.size(); cut += 1 + cut / 16)
        expectInvalidPicture([&] { shrinkJpegBytes(jpeg.substr(0, cut), 150, 150); },
                             "cut at " + std::to_string(cut));
    // A damaged byte may go unnoticed (in the pixels, or a size that still makes sense),
    // but what comes out is then a whole picture within the box.
    std::mt19937 rng(42);
    for (int i = 0; i < 300; ++i) {
        std::string damaged = jpeg;
        const std::size_t at = rng() % damaged.size();
        damaged[at] = static_cast<char>(rng());
        try {
            if (const auto shrunk = shrinkJpegBytes(damaged, 150, 150)) {
                const Picture back = pt::decodeTestJpeg(*shrunk);
                EXPECT_GT(back.width, 0) << at;
                EXPECT_LE(back.width, 150) << at;
                EXPECT_LE(back.height, 150) << at;
            }
        } catch (const base::RunError& e) {
            EXPECT_EQ(e.description(), "Invalid picture") << at;
        }
    }
}
