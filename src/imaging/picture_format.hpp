#pragma once

#include <string_view>

// What a downloaded body is, judged from its bytes alone: which picture format it starts
// as, and whether it also ends where that picture ends.
namespace pixtrail::imaging {

enum class PictureFormat { None, Jpeg, Png, Gif, Bmp, Webp };

/// The format whose signature the bytes start with; None for anything else (a sign-in
/// page answered with 200, a captive portal, an empty body).
PictureFormat pictureFormat(std::string_view bytes);

/// False when the bytes run out before the picture does: a JPEG without its end marker, a
/// PNG without its IEND chunk, a GIF without its trailer, a BMP or WebP shorter than its
/// header says. The structure is walked, not decoded, so an EXIF thumbnail's end marker
/// does not pass for the photo's and data after the picture's end is allowed. Bytes that
/// are damaged rather than cut short, and bytes of no known format, count as complete:
/// this only tells a transfer that stopped early.
bool endsWithItsPicture(std::string_view bytes);

} // namespace pixtrail::imaging
