#include "imaging/to_jpeg.hpp"

#include "base/run_error.hpp"
#include "imaging/dib_section.hpp"
#include "imaging/jpeg_reader.hpp"
#include "imaging/jpeg_writer.hpp"
#include "imaging/png_gif_reader.hpp"
#include "imaging/resample.hpp"
#include "imaging/shrink.hpp"

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

} // namespace pixtrail::imaging
