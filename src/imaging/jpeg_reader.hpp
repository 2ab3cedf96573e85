#pragma once

#include "imaging/picture.hpp"

#include <cstddef>
#include <string_view>

// Reading JPEG pictures: the header alone (size, orientation) and the pixels at one of the
// decoder's cheap scales. Anything that is not a sound, reasonably sized JPEG raises
// RunError "Invalid picture", which callers treat as "leave the file as it is".
namespace pixtrail::imaging {

/// Error number of "Invalid picture", as the run-time numbering has it.
constexpr int kInvalidPicture = 481;

/// Pictures claiming more pixels than this are refused before any pixel memory is taken:
/// a few hundred bytes can describe a picture that would need gigabytes.
constexpr long long kMaxPicturePixels = 100'000'000;

/// What the headers of a JPEG say, read without decoding the pixels.
struct JpegHeader {
    int width = 0;       ///< stored width in pixels
    int height = 0;      ///< stored height in pixels
    int orientation = 1; ///< EXIF orientation 1..8, 1 when absent or unreadable
};

/// Reads size and orientation. Throws RunError "Invalid picture" for bytes that are not a
/// JPEG the decoder accepts or that claim more than kMaxPicturePixels.
JpegHeader readJpegHeader(std::string_view jpeg);

/// Bytes the decoder keeps for the whole picture while it decodes a progressive JPEG: the
/// coefficients of every 8 x 8 block of every component, whatever the reduction. 0 for a
/// sequential JPEG, which is decoded a few rows at a time, and for unreadable headers.
std::size_t progressiveDecoderBytes(std::string_view jpeg);

/// The EXIF orientation (1..8) of a JPEG; 1 when it carries none or an unreadable one.
int exifOrientation(std::string_view jpeg);

/// The largest of the decoder's fast reductions (8, 4, 2, else 1) that still leaves a
/// `width` by `height` picture at least `minWidth` by `minHeight`.
int decodeReduction(int width, int height, int minWidth, int minHeight);

/// The size a `size`-pixel side has when decoded at 1/`reduction`.
constexpr int reducedSize(int size, int reduction) {
    return (size + reduction - 1) / reduction;
}

/// Decodes the whole picture at 1/`reduction` (1, 2, 4 or 8) of its stored size, stored
/// orientation. Throws RunError "Invalid picture" for anything but a complete, sound JPEG
/// (a truncated or damaged one included) and for pictures over kMaxPicturePixels.
Picture decodeJpeg(std::string_view jpeg, int reduction);

} // namespace pixtrail::imaging
