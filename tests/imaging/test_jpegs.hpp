#pragma once

#include "imaging/picture.hpp"

#include <cstdint>
#include <string>
#include <string_view>

// Pictures for the imaging tests, made and read with the JPEG library directly so the
// checks do not lean on the code under test.
namespace pixtrail::testing {

/// A blue-green-red triple.
struct Colour {
    std::uint8_t b = 0, g = 0, r = 0;
};
inline constexpr Colour kRed{0, 0, 255};
inline constexpr Colour kGreen{0, 255, 0};
inline constexpr Colour kBlue{255, 0, 0};
inline constexpr Colour kWhite{255, 255, 255};

/// A picture of one colour.
imaging::Picture solidPicture(int width, int height, Colour colour);

/// Paints the rectangle [x0, x1) x [y0, y1).
void fill(imaging::Picture& picture, int x0, int y0, int x1, int y1, Colour colour);

/// Colour of one pixel.
Colour pixel(const imaging::Picture& picture, int x, int y);

/// True when every channel differs by at most `tolerance`.
bool near(Colour a, Colour b, int tolerance);

/// JPEG bytes of `picture` (baseline, 4:4:4 unless `subsampling` says otherwise).
std::string encodeTestJpeg(const imaging::Picture& picture, int quality = 95, int subsampling = 0);

/// Full-size decode of JPEG bytes; an empty picture when the library refuses them.
imaging::Picture decodeTestJpeg(std::string_view jpeg);

/// `jpeg` with an EXIF block carrying `orientation` inserted after the start marker.
std::string withExifOrientation(std::string_view jpeg, int orientation, bool bigEndian);

/// `jpeg` with its frame header claiming `width` by `height`.
std::string withClaimedSize(std::string_view jpeg, int width, int height);

/// First value of the first quantisation table (what the quality setting scales).
int firstQuantValue(std::string_view jpeg);

/// Sampling factors byte of each component in the frame header, e.g. "111111" for 4:4:4.
std::string samplingFactors(std::string_view jpeg);

/// A small, valid PNG file.
std::string pngFile();

} // namespace pixtrail::testing
