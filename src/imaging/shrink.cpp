#include "imaging/shrink.hpp"

#include "base/files.hpp"
#include "base/run_error.hpp"
#include "imaging/dib_section.hpp"
#include "imaging/file_stamp.hpp"
#include "imaging/jpeg_reader.hpp"
#include "imaging/jpeg_writer.hpp"
#include "imaging/resample.hpp"
#include "shell/debug_log.hpp"

#include <algorithm>
#include <cmath>

namespace pixtrail::imaging {
namespace {

// The decoder's reductions are sharp but alias; decoding to at least twice the target and
// filtering the rest comes as close to filtering the full picture as the JPEG encoding
// afterwards can show, at a fraction of the work (measured with bench/shrink_bench.sh).
constexpr int kFilterHeadroom = 2;

// Decoding at the headroom above may be a large picture when the target is large; past this
// size the decoder reduces as far as the target allows instead.
constexpr long long kDecodeBudgetBytes = 32LL << 20;

// Fills `dib` with the shrunk, upright picture; false when the picture already fits.
bool shrinkToDib(std::string_view jpeg, int targetWidth, int targetHeight, cDIBSection& dib) {
    const JpegHeader header = readJpegHeader(jpeg);
    const bool turned = swapsSides(header.orientation);
    const int shownWidth = turned ? header.height : header.width;
    const int shownHeight = turned ? header.width : header.height;
    const auto target = shrinkTarget(shownWidth, shownHeight, targetWidth, targetHeight);
    if (!target)
        return false;
    // The filter works on the stored rows; the turn comes last, on the small picture.
    const int storedWidth = turned ? target->height : target->width;
    const int storedHeight = turned ? target->width : target->height;

    int reduction = decodeReduction(header.width, header.height, kFilterHeadroom * storedWidth,
                                    kFilterHeadroom * storedHeight);
    const long long decodedBytes =
        3LL * reducedSize(header.width, reduction) * reducedSize(header.height, reduction);
    if (decodedBytes > kDecodeBudgetBytes)
        reduction = decodeReduction(header.width, header.height, storedWidth, storedHeight);

    Picture small;
    {
        const Picture decoded = decodeJpeg(jpeg, reduction);
        small = resample(decoded, storedWidth, storedHeight);
    }
    dib.CreateFromPicture(orientUpright(small, header.orientation));
    return true;
}

} // namespace

std::optional<PictureSize> shrinkTarget(int width, int height, int targetWidth, int targetHeight) {
    if (width <= 0 || height <= 0 || targetWidth <= 0 || targetHeight <= 0)
        return std::nullopt;
    const float widthRatio = static_cast<float>(width) / static_cast<float>(targetWidth);
    const float heightRatio = static_cast<float>(height) / static_cast<float>(targetHeight);
    const bool byHeight = heightRatio > widthRatio;
    const float r = byHeight ? heightRatio : widthRatio;
    if (!(r > 1.0f))
        return std::nullopt;
    // To the nearest whole pixel, an exact half to the even one (nearbyint in the default
    // rounding mode).
    const auto whole = [r](int side, int limit) {
        const float exact = static_cast<float>(side) / r;
        return std::clamp(static_cast<int>(std::nearbyint(exact)), 1, limit);
    };
    if (byHeight)
        return PictureSize{whole(width, targetWidth), targetHeight};
    return PictureSize{targetWidth, whole(height, targetHeight)};
}

std::optional<std::string> shrinkJpegBytes(std::string_view jpeg, int targetWidth,
                                           int targetHeight) {
    cDIBSection dib;
    if (!shrinkToDib(jpeg, targetWidth, targetHeight, dib))
        return std::nullopt;
    return encodeJpeg(dib, kShrinkQuality);
}

void shrinkJpegFile(std::string_view path, int width, int height) {
    // Taken before reading: the read itself may move the access time.
    const auto stamp = readFileStamp(path);
    const auto bytes = base::readFile(path);
    if (!bytes)
        throw base::RunError(base::err::kFileNotFound, "shrinkJpegFile", "File not found");
    cDIBSection dib;
    if (!shrinkToDib(*bytes, width, height, dib))
        return;
    shell::WriteDebug("Resizing picture " + std::string(path));
    replaceFileKeepingStamp(path, encodeJpeg(dib, kShrinkQuality), stamp);
    dib.ClearUp();
    shell::WriteDebug("File size is " + std::to_string(base::fileSize(path).value_or(0)));
}

} // namespace pixtrail::imaging
