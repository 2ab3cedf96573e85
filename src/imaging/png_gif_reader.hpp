#pragma once

#include "imaging/picture.hpp"

#include <string_view>

// Reading PNG and GIF pictures into a Picture, so they can be turned into JPEGs for
// devices that show nothing else. Bad bytes of any kind raise RunError "Invalid picture"
// (number kInvalidPicture), the answer callers already treat as "leave this picture out".
namespace pixtrail::imaging {

/// The largest PNG or GIF picture decoded. Neither format can be decoded at a reduced
/// size as a JPEG can, so every pixel costs 3 bytes at once: a 53-byte GIF claiming a
/// screen of 97 megapixels took 290 MB and a second to convert. 24 megapixels (72 MB) is
/// more than any spoiler picture needs.
constexpr long long kMaxDecodedPixels = 24'000'000;

/// True when the bytes start like a PNG file.
bool looksLikePng(std::string_view bytes);
/// True when the bytes start like a GIF file (87a or 89a).
bool looksLikeGif(std::string_view bytes);

/// The whole PNG picture, top row first; transparency is laid over white. Throws RunError
/// "Invalid picture" for anything but a complete, sound PNG, and for pictures over
/// kMaxDecodedPixels, before any pixel memory is taken.
Picture decodePng(std::string_view png);

/// The first frame of a GIF on its logical screen (the frame's own size when the screen
/// claims none), over white where the frame leaves the screen uncovered or is
/// transparent. Throws RunError "Invalid picture" for anything but a sound GIF with at
/// least one frame and a colour table, and for a screen or frame over kMaxDecodedPixels.
Picture decodeGif(std::string_view gif);

/// decodePng or decodeGif, chosen by the bytes' signature; RunError "Invalid picture" for
/// bytes that are neither.
Picture decodePngOrGif(std::string_view bytes);

} // namespace pixtrail::imaging
