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

// How a picture is shrunk: the size it is decoded at and the size it comes to, as stored.
struct ShrinkPlan {
    JpegHeader header;
    int reduction = 1;
    int storedWidth = 0, storedHeight = 0;
};

// nullopt when the picture already fits.
std::optional<ShrinkPlan> planShrink(std::string_view jpeg, int targetWidth, int targetHeight) {
    ShrinkPlan plan{readJpegHeader(jpeg)};
    const JpegHeader& header = plan.header;
    const bool turned = swapsSides(header.orientation);
    const int shownWidth = turned ? header.height : header.width;
    const int shownHeight = turned ? header.width : header.height;
    const auto target = shrinkTarget(shownWidth, shownHeight, targetWidth, targetHeight);
    if (!target)
        return std::nullopt;
    // The filter works on the stored rows; the turn comes last, on the small picture.
    plan.storedWidth = turned ? target->height : target->width;
    plan.storedHeight = turned ? target->width : target->height;

    plan.reduction =
        decodeReduction(header.width, header.height, kFilterHeadroom * plan.storedWidth,
                        kFilterHeadroom * plan.storedHeight);
    const long long decodedBytes = 3LL * reducedSize(header.width, plan.reduction) *
                                   reducedSize(header.height, plan.reduction);
    if (decodedBytes > kDecodeBudgetBytes)
        plan.reduction =
            decodeReduction(header.width, header.height, plan.storedWidth, plan.storedHeight);
    return plan;
}

// Fills `dib` with the shrunk, upright picture; false when the picture already fits.
bool shrinkToDib(std::string_view jpeg, int targetWidth, int targetHeight, cDIBSection& dib) {
    const auto plan = planShrink(jpeg, targetWidth, targetHeight);
    if (!plan)
        return false;
    Picture small;
    {
        const Picture decoded = decodeJpeg(jpeg, plan->reduction);
        small = resample(decoded, plan->storedWidth, plan->storedHeight);
    }
    dib.CreateFromPicture(orientUpright(small, plan->header.orientation));
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

std::size_t shrinkMemory(std::string_view jpeg, int targetWidth, int targetHeight) {
    try {
        const auto plan = planShrink(jpeg, targetWidth, targetHeight);
        if (!plan)
            return 0;
        const auto pixels = [](long long w, long long h) {
            return static_cast<std::size_t>(3 * w * h);
        };
        return progressiveDecoderBytes(jpeg) +
               pixels(reducedSize(plan->header.width, plan->reduction),
                      reducedSize(plan->header.height, plan->reduction)) +
               3 * pixels(plan->storedWidth, plan->storedHeight); // shrunk, upright, encoded
    } catch (const base::RunError&) {
        return 0; // refused from its headers at once
    }
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
