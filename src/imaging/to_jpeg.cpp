#include "imaging/to_jpeg.hpp"

#include "base/run_error.hpp"
#include "imaging/dib_section.hpp"
#include "imaging/jpeg_reader.hpp"
#include "imaging/jpeg_writer.hpp"
#include "imaging/png_gif_reader.hpp"
#include "imaging/resample.hpp"
#include "imaging/shrink.hpp"

#include <algorithm>
#include <cstdint>
#include <new>

namespace pixtrail::imaging {

std::string convertToJpeg(std::string_view picture, int boxWidth, int boxHeight) {
    cDIBSection dib;
    try {
        Picture decoded = decodePngOrGif(picture);
        if (const auto target = shrinkTarget(decoded.width, decoded.height, boxWidth, boxHeight))
            decoded = resample(decoded, target->width, target->height);
        dib.CreateFromPicture(decoded);
    } catch (const std::bad_alloc&) {
        dib.ClearUp();
    }
    // A picture within the pixel limit may still need more memory than there is.
    if (!dib.isLive())
        throw base::RunError(kInvalidPicture, "convertToJpeg", "Invalid picture");
    return encodeJpeg(dib, kShrinkQuality);
}

std::size_t convertMemory(std::string_view picture) {
    const auto byte = [&](std::size_t i) -> std::size_t {
        return i < picture.size() ? static_cast<std::uint8_t>(picture[i]) : 0;
    };
    std::size_t width = 0, height = 0;
    if (looksLikePng(picture)) { // IHDR: width and height, big-endian, at 16 and 20
        width = byte(16) << 24u | byte(17) << 16u | byte(18) << 8u | byte(19);
        height = byte(20) << 24u | byte(21) << 16u | byte(22) << 8u | byte(23);
    } else if (looksLikeGif(picture)) { // the logical screen, little-endian, at 6 and 8
        width = byte(6) | byte(7) << 8u;
        height = byte(8) | byte(9) << 8u;
    }
    const auto pixels = std::min<std::size_t>(width * height, kMaxDecodedPixels);
    return 2 * 3 * pixels; // decoded, and at most as much again shrunk and encoded
}

} // namespace pixtrail::imaging
