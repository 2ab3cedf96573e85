#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

// Shrinking JPEG pictures to the size the user asked for. The box is applied to the
// picture as it is meant to be seen (its EXIF orientation applied), and the shrunk picture
// is stored upright, since re-encoding drops the EXIF block that would have turned it.
namespace pixtrail::imaging {

/// A picture's size in pixels.
struct PictureSize {
    int width = 0;
    int height = 0;
    bool operator==(const PictureSize&) const = default;
};

/// JPEG quality of shrunk pictures.
constexpr int kShrinkQuality = 90;

/// The size a `width` by `height` picture is shrunk to so that it fits a `targetWidth` by
/// `targetHeight` box: r is the larger of the two ratios picture / box (single precision);
/// the side with that ratio becomes exactly its target and the other side its length / r
/// rounded to whole pixels (halves to even). nullopt when r <= 1 (the picture fits as it is)
/// or when a size is not positive.
std::optional<PictureSize> shrinkTarget(int width, int height, int targetWidth, int targetHeight);

/// The JPEG `jpeg` shrunk to fit `targetWidth` by `targetHeight` (see shrinkTarget), upright,
/// re-encoded at kShrinkQuality; nullopt when it already fits, judged from its headers
/// alone. Throws RunError "Invalid picture" for bytes that are not a complete, sound JPEG
/// of at most 100 megapixels.
std::optional<std::string> shrinkJpegBytes(std::string_view jpeg, int targetWidth,
                                           int targetHeight);

/// About the most memory shrinkJpegBytes takes for `jpeg` besides its bytes: a progressive
/// picture's coefficients, the decoded picture and the shrunk one. 0 when it would refuse
/// the picture or leave it as it is.
std::size_t shrinkMemory(std::string_view jpeg, int targetWidth, int targetHeight);

/// Shrinks a stored JPEG picture in place so that it fits `width` by `height`, keeping its
/// aspect ratio; a picture already within the box is left as it is. The rewritten file
/// replaces the old one only when complete and keeps its times and permission bits. Writes
/// the debug lines "Resizing picture " + path and "File size is " + new size. Throws
/// RunError "Invalid picture" when the file cannot be read as a picture.
void shrinkJpegFile(std::string_view path, int width, int height);

} // namespace pixtrail::imaging
