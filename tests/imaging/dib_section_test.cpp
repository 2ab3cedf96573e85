#include "imaging/dib_section.hpp"

#include "base/run_error.hpp"
#include "imaging/test_jpegs.hpp"

#include <gtest/gtest.h>

namespace base = pixtrail::base;
namespace imaging = pixtrail::imaging;
namespace pt = pixtrail::testing;
using imaging::cDIBSection;
using imaging::Picture;
using pt::Colour;

namespace {

// Byte of channel c (0 blue, 1 green, 2 red) of column x in memory row r.
int byteAt(const cDIBSection& dib, int r, int x, int c) {
    return dib.DIBSectionBitsPtr()[r * dib.BytesPerScanLine() + 3 * x + c];
}

// A picture whose every pixel is told apart by its position.
Picture numbered(int width, int height) {
    Picture p = Picture::blank(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            pt::fill(p, x, y, x + 1, y + 1,
                     Colour{static_cast<std::uint8_t>(x + 1), static_cast<std::uint8_t>(y + 1),
                            static_cast<std::uint8_t>(x + 7 * y + 1)});
    return p;
}

} // namespace

TEST(DibSection, RowsArePaddedToFourBytes) {
    cDIBSection dib;
    const std::pair<int, int> expected[] = {{1, 4},  {2, 8},     {3, 12},
                                            {4, 12}, {300, 900}, {301, 904}};
    for (const auto& [width, bytes] : expected) {
        ASSERT_TRUE(dib.Create(width, 2)) << width;
        EXPECT_EQ(dib.BytesPerScanLine(), bytes) << width;
        EXPECT_EQ(dib.header().biSizeImage, bytes * 2) << width;
    }
}

TEST(DibSection, HeaderDescribesA24BitBottomUpBitmap) {
    cDIBSection dib;
    ASSERT_TRUE(dib.Create(5, 3));
    const auto& h = dib.header();
    EXPECT_EQ(h.biSize, 40);
    EXPECT_EQ(h.biWidth, 5);
    EXPECT_EQ(h.biHeight, 3);
    EXPECT_EQ(h.biPlanes, 1);
    EXPECT_EQ(h.biBitCount, 24);
    EXPECT_EQ(h.biCompression, 0);
    EXPECT_EQ(h.biSizeImage, 16 * 3);
    EXPECT_EQ(h.biXPelsPerMeter + h.biYPelsPerMeter + h.biClrUsed + h.biClrImportant, 0);
    for (int i = 0; i < h.biSizeImage; ++i)
        ASSERT_EQ(dib.DIBSectionBitsPtr()[i], 0) << "a new bitmap is black";
}

TEST(DibSection, PictureLandsBottomUpInBlueGreenRedOrderWithPaddingUntouched) {
    const Picture picture = numbered(301, 3);
    cDIBSection dib;
    dib.CreateFromPicture(picture);
    ASSERT_TRUE(dib.isLive());
    EXPECT_EQ(dib.Width(), 301);
    EXPECT_EQ(dib.Height(), 3);
    EXPECT_EQ(dib.BytesPerScanLine(), 904);
    for (int y = 0; y < 3; ++y) {
        const int r = 2 - y; // the picture's top row is the last row in memory
        for (int x = 0; x < 301; ++x) {
            const Colour want = pt::pixel(picture, x, y);
            ASSERT_EQ(byteAt(dib, r, x, 0), want.b) << x << "," << y;
            ASSERT_EQ(byteAt(dib, r, x, 1), want.g) << x << "," << y;
            ASSERT_EQ(byteAt(dib, r, x, 2), want.r) << x << "," << y;
        }
        EXPECT_EQ(dib.DIBSectionBitsPtr()[r * 904 + 903], 0) << "the pad byte of row " << r;
    }
}

TEST(DibSection, CreateFailsForNoSizeButReportsTheRequestedSize) {
    cDIBSection dib;
    ASSERT_TRUE(dib.Create(4, 4));
    EXPECT_FALSE(dib.Create(0, 0));
    EXPECT_FALSE(dib.isLive());
    EXPECT_EQ(dib.DIBSectionBitsPtr(), nullptr);
    EXPECT_EQ(dib.Width(), 0);
    EXPECT_EQ(dib.Height(), 0);

    EXPECT_FALSE(dib.Create(0, 7));
    EXPECT_EQ(dib.Height(), 7);
    EXPECT_FALSE(dib.Create(9, -2));
    EXPECT_EQ(dib.Width(), 9);
    EXPECT_EQ(dib.Height(), -2);
    EXPECT_FALSE(dib.isLive());
}

TEST(DibSection, SizesBeyondThirtyTwoBitsRaiseOverflow) {
    cDIBSection dib;
    ASSERT_TRUE(dib.Create(2, 2));
    // 3 x width does not fit; then the row fits but rows x height does not.
    for (const auto& [width, height] : {std::pair{800'000'000, 1}, std::pair{40'000, 20'000}}) {
        try {
            dib.Create(width, height);
            ADD_FAILURE() << width << " x " << height << " was accepted";
        } catch (const base::RunError& e) {
            EXPECT_EQ(e.description(), "Overflow");
            EXPECT_EQ(e.number(), base::err::kOverflow);
        }
        EXPECT_FALSE(dib.isLive());
        EXPECT_EQ(dib.Width(), width);
        EXPECT_EQ(dib.Height(), height);
        if (width == 800'000'000) {
            EXPECT_THROW(dib.BytesPerScanLine(), base::RunError);
        }
    }
}

TEST(DibSection, ClearUpEmptiesKeepsTheSizeAndIsHarmlessTwice) {
    cDIBSection dib;
    dib.ClearUp(); // on a new, Empty instance
    EXPECT_FALSE(dib.isLive());
    ASSERT_TRUE(dib.Create(10, 6));
    dib.ClearUp();
    EXPECT_FALSE(dib.isLive());
    EXPECT_EQ(dib.DIBSectionBitsPtr(), nullptr);
    EXPECT_EQ(dib.Width(), 10);
    EXPECT_EQ(dib.Height(), 6);
    dib.ClearUp();
    EXPECT_FALSE(dib.isLive());
    EXPECT_EQ(dib.Width(), 10);
    ASSERT_TRUE(dib.Create(3, 3)); // usable again afterwards
    EXPECT_TRUE(dib.isLive());
}

TEST(DibSection, CreateAgainStartsFromABlackBitmap) {
    cDIBSection dib;
    dib.CreateFromPicture(pt::solidPicture(4, 4, pt::kWhite));
    ASSERT_TRUE(dib.Create(4, 4));
    for (int i = 0; i < dib.header().biSizeImage; ++i)
        ASSERT_EQ(dib.DIBSectionBitsPtr()[i], 0);
}

TEST(DibSection, APictureOfNoSizeLeavesItEmpty) {
    cDIBSection dib;
    ASSERT_TRUE(dib.Create(5, 5));
    dib.CreateFromPicture(Picture{});
    EXPECT_FALSE(dib.isLive());
    EXPECT_EQ(dib.Width(), 0);
    EXPECT_EQ(dib.Height(), 0);
}

TEST(DibSection, BlitCopiesTheRectangleFromTheSourceCornerClippedToBothPictures) {
    const Picture source = numbered(20, 10);
    cDIBSection dib;
    // Expected content: source pixel (x + left, y + top) where that exists, black elsewhere.
    const auto check = [&](int left, int top, int width, int height) {
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 6; ++x) {
                const int sx = x + left, sy = y + top;
                const bool copied = x < width && y < height && sx >= 0 && sy >= 0 &&
                                    sx < source.width && sy < source.height;
                const Colour want = copied ? pt::pixel(source, sx, sy) : Colour{};
                ASSERT_EQ(byteAt(dib, 3 - y, x, 0), want.b) << x << "," << y;
                ASSERT_EQ(byteAt(dib, 3 - y, x, 1), want.g) << x << "," << y;
                ASSERT_EQ(byteAt(dib, 3 - y, x, 2), want.r) << x << "," << y;
            }
    };
    ASSERT_TRUE(dib.Create(6, 4));
    dib.LoadPictureBlt(source, 0, 0, -1, -1); // exactly Width x Height from the corner
    check(0, 0, 6, 4);
    ASSERT_TRUE(dib.Create(6, 4));
    dib.LoadPictureBlt(source, 17, 8, 5, -1); // 3 columns and 2 rows are left in the source
    check(17, 8, 5, 4);
    ASSERT_TRUE(dib.Create(6, 4));
    dib.LoadPictureBlt(source, -2, -1, -1, -1);
    check(-2, -1, 6, 4);
    ASSERT_TRUE(dib.Create(6, 4));
    dib.LoadPictureBlt(source, 3, 2, 2, 3);
    check(3, 2, 2, 3);
}
