#include "imaging/resample.hpp"

#include "imaging/test_jpegs.hpp"

#include <gtest/gtest.h>

#include <random>

namespace imaging = pixtrail::imaging;
namespace pt = pixtrail::testing;
using imaging::Picture;
using imaging::resample;
using pt::Colour;

TEST(Resample, SameSizeGivesTheSamePixels) {
    Picture p = Picture::blank(37, 23);
    std::mt19937 rng(7);
    for (auto& b : p.pixels)
        b = static_cast<std::uint8_t>(rng());
    const Picture out = resample(p, 37, 23);
    EXPECT_EQ(out.width, 37);
    EXPECT_EQ(out.height, 23);
    EXPECT_EQ(out.pixels, p.pixels);
}

TEST(Resample, AFlatPictureStaysFlatUpToTheBorders) {
    const Colour colour{10, 100, 200};
    const Picture out = resample(pt::solidPicture(123, 77, colour), 17, 11);
    ASSERT_EQ(out.width, 17);
    ASSERT_EQ(out.height, 11);
    for (int y = 0; y < out.height; ++y)
        for (int x = 0; x < out.width; ++x)
            ASSERT_TRUE(pt::near(pt::pixel(out, x, y), colour, 0)) << x << "," << y;
}

TEST(Resample, FineDetailIsAveragedNotPicked) {
    // A one-pixel checkerboard reduced three times: picking pixels would give pure black
    // or white, averaging gives mid grey everywhere.
    Picture board = Picture::blank(300, 300);
    for (int y = 0; y < 300; ++y)
        for (int x = 0; x < 300; ++x)
            if ((x + y) % 2)
                pt::fill(board, x, y, x + 1, y + 1, pt::kWhite);
    const Picture out = resample(board, 100, 100);
    for (int y = 0; y < out.height; ++y)
        for (int x = 0; x < out.width; ++x)
            ASSERT_TRUE(pt::near(pt::pixel(out, x, y), {128, 128, 128}, 12))
                << x << "," << y << " is " << int(pt::pixel(out, x, y).g);
}

TEST(Resample, ARampKeepsItsPlaceAndSlope) {
    // Each output pixel covers four source columns; on a straight ramp it must take the
    // value at its centre, so a shift or a stretch of the filter shows at once.
    Picture ramp = Picture::blank(256, 8);
    for (int x = 0; x < 256; ++x)
        pt::fill(ramp, x, 0, x + 1, 8,
                 Colour{static_cast<std::uint8_t>(x), static_cast<std::uint8_t>(255 - x), 0});
    const Picture out = resample(ramp, 64, 2);
    for (int x = 4; x < 60; ++x) { // away from the borders, where the filter is cut
        const double centre = 4 * x + 1.5;
        EXPECT_NEAR(pt::pixel(out, x, 1).b, centre, 1.0) << x;
        EXPECT_NEAR(pt::pixel(out, x, 0).g, 255 - centre, 1.0) << x;
    }
}

TEST(Resample, ColoursStayInTheirChannelsAndRowsInTheirPlace) {
    Picture p = pt::solidPicture(90, 60, pt::kBlue);
    pt::fill(p, 0, 0, 90, 30, pt::kRed);
    const Picture out = resample(p, 30, 20);
    EXPECT_TRUE(pt::near(pt::pixel(out, 15, 2), pt::kRed, 2));
    EXPECT_TRUE(pt::near(pt::pixel(out, 15, 17), pt::kBlue, 2));
}
