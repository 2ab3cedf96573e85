#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// Turning PNG and GIF pictures into JPEGs, for devices that show JPEG only.
namespace pixtrail::imaging {

/// The PNG or GIF `picture` as JPEG bytes at kShrinkQuality, shrunk to fit `boxWidth` by
/// `boxHeight` (as shrinkTarget rules) when both are positive and the picture is larger;
/// otherwise at its own size. Throws RunError "Invalid picture" for bytes that are not a
/// sound PNG or GIF of at most kMaxPicturePixels, or that are too large to convert.
std::string convertToJpeg(std::string_view picture, int boxWidth, int boxHeight);

/// About the most memory convertToJpeg takes for `picture` besides its bytes: the whole
/// picture decoded and its shrunk copy, from the size its header claims (within the limit
/// of what is decoded at all).
std::size_t convertMemory(std::string_view picture);

} // namespace pixtrail::imaging
