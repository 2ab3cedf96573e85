#pragma once

#include <string>
#include <string_view>

// Turning PNG and GIF pictures into JPEGs, for devices that show JPEG only.
namespace pixtrail::imaging {

/// The PNG or GIF `picture` as JPEG bytes at kShrinkQuality, shrunk to fit `boxWidth` by
/// `boxHeight` (as shrinkTarget rules) when both are positive and the picture is larger;
/// otherwise at its own size. Throws RunError "Invalid picture" for bytes that are not a
/// sound PNG or GIF of at most kMaxPicturePixels, or that are too large to convert.
std::string convertToJpeg(std::string_view picture, int boxWidth, int boxHeight);

} // namespace pixtrail::imaging
