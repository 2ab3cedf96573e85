#include "imaging/picture.hpp"

#include "imaging/test_jpegs.hpp"

#include <gtest/gtest.h>

namespace imaging = pixtrail::imaging;
namespace pt = pixtrail::testing;
using imaging::Picture;
using pt::Colour;

namespace {

// Where the stored picture's first row and first column are seen, for each orientation
// value, in the words of the EXIF standard.
enum Side { Top, Bottom, Left, Right };
struct Placement {
    Side firstRow;
    Side firstColumn;
};
constexpr Placement kPlacements[9] = {{Top, Left},     {Top, Left},     {Top, Right},
                                      {Bottom, Right}, {Bottom, Left},  {Left, Top},
                                      {Right, Top},    {Right, Bottom}, {Left, Bottom}};

} // namespace

TEST(Orientation, EveryValueTurnsEachStoredCornerToWhereTheStandardSaysItIsSeen) {
    for (int orientation = 1; orientation <= 8; ++orientation) {
        const bool turned = orientation >= 5;
        Picture stored = Picture::blank(turned ? 3 : 5, turned ? 5 : 3);
        const Colour corner{1, 2, 3};
        pt::fill(stored, 0, 0, 1, 1, corner); // first row, first column
        const Picture shown = imaging::orientUpright(stored, orientation);
        ASSERT_EQ(shown.width, 5) << orientation;
        ASSERT_EQ(shown.height, 3) << orientation;
        const Placement p = kPlacements[orientation];
        // The corner lies on the side the first row goes to and on the side the first
        // column goes to.
        const bool onRight = p.firstRow == Right || p.firstColumn == Right;
        const bool onBottom = p.firstRow == Bottom || p.firstColumn == Bottom;
        const int x = onRight ? 4 : 0;
        const int y = onBottom ? 2 : 0;
        for (int yy = 0; yy < 3; ++yy)
            for (int xx = 0; xx < 5; ++xx)
                EXPECT_TRUE(
                    pt::near(pt::pixel(shown, xx, yy), xx == x && yy == y ? corner : Colour{}, 0))
                    << "orientation " << orientation << " at " << xx << "," << yy;
    }
}

TEST(Orientation, FirstRowRunsAlongItsSide) {
    // A marked first row must become the whole side named for it.
    for (int orientation = 1; orientation <= 8; ++orientation) {
        const bool turned = orientation >= 5;
        Picture stored = Picture::blank(turned ? 3 : 5, turned ? 5 : 3);
        pt::fill(stored, 0, 0, stored.width, 1, pt::kWhite);
        const Picture shown = imaging::orientUpright(stored, orientation);
        const Side side = kPlacements[orientation].firstRow;
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 5; ++x) {
                const bool onSide = (side == Top && y == 0) || (side == Bottom && y == 2) ||
                                    (side == Left && x == 0) || (side == Right && x == 4);
                EXPECT_EQ(pt::pixel(shown, x, y).g, onSide ? 255 : 0)
                    << "orientation " << orientation << " at " << x << "," << y;
            }
    }
}

TEST(Orientation, UnknownValuesLeaveThePictureAsStored) {
    Picture stored = Picture::blank(4, 2);
    pt::fill(stored, 0, 0, 1, 1, pt::kRed);
    for (const int value : {0, 1, 9, -3})
        EXPECT_EQ(imaging::orientUpright(stored, value).pixels, stored.pixels) << value;
}
