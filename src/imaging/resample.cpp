#include "imaging/resample.hpp"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <numbers>
#include <vector>

namespace pixtrail::imaging {
namespace {

constexpr double kLobes = 3.0;

double lanczos(double x) {
    x = std::fabs(x);
    if (x < 1e-9)
        return 1.0;
    if (x >= kLobes)
        return 0.0;
    const double px = std::numbers::pi * x;
    return kLobes * std::sin(px) * std::sin(px / kLobes) / (px * px);
}

// The source pixels and weights that make up each output pixel along one axis. Weights are
// stored with a fixed stride so the inner loops walk memory in order.
struct Taps {
    int stride = 0;
    std::vector<int> first;
    std::vector<int> count;
    std::vector<float> weights;
};

Taps tapsFor(int inSize, int outSize) {
    const double scale = static_cast<double>(inSize) / outSize;
    const double widen = std::max(scale, 1.0);
    const double support = kLobes * widen;
    Taps t;
    t.stride = static_cast<int>(std::ceil(support)) * 2 + 2;
    t.first.resize(static_cast<std::size_t>(outSize));
    t.count.resize(static_cast<std::size_t>(outSize));
    t.weights.assign(static_cast<std::size_t>(outSize) * static_cast<std::size_t>(t.stride), 0.f);
    std::vector<double> w(static_cast<std::size_t>(t.stride));
    for (int i = 0; i < outSize; ++i) {
        const double centre = (i + 0.5) * scale;
        const int lo = std::max(0, static_cast<int>(std::floor(centre - support)));
        const int hi = std::min(inSize, static_cast<int>(std::ceil(centre + support)));
        const int n = std::min(hi - lo, t.stride);
        double sum = 0;
        for (int k = 0; k < n; ++k) {
            w[static_cast<std::size_t>(k)] = lanczos((lo + k + 0.5 - centre) / widen);
            sum += w[static_cast<std::size_t>(k)];
        }
        // Near the edges part of the filter falls outside the picture; rescaling the rest
        // keeps flat areas flat up to the border.
        float* out = &t.weights[static_cast<std::size_t>(i) * static_cast<std::size_t>(t.stride)];
        for (int k = 0; k < n; ++k)
            out[k] = static_cast<float>(w[static_cast<std::size_t>(k)] / sum);
        t.first[static_cast<std::size_t>(i)] = lo;
        t.count[static_cast<std::size_t>(i)] = n;
    }
    return t;
}

// out[i] = sum of weights[k] * rows[k][i]. Blocks of a fixed width keep their sums in
// registers across all rows and let the compiler use vector instructions without
// being told the machine.
void filterRows(const std::uint8_t* const* rows, const float* weights, int count,
                std::size_t length, float* out) {
    constexpr std::size_t kBlock = 16;
    std::size_t i = 0;
    for (; i + kBlock <= length; i += kBlock) {
        float sum[kBlock] = {};
        for (int k = 0; k < count; ++k) {
            const std::uint8_t* src = rows[k] + i;
            const float w = weights[k];
            for (std::size_t j = 0; j < kBlock; ++j)
                sum[j] += w * static_cast<float>(src[j]);
        }
        for (std::size_t j = 0; j < kBlock; ++j)
            out[i + j] = sum[j];
    }
    for (; i < length; ++i) {
        float sum = 0;
        for (int k = 0; k < count; ++k)
            sum += weights[k] * static_cast<float>(rows[k][i]);
        out[i] = sum;
    }
}

std::uint8_t toByte(float v) {
    return static_cast<std::uint8_t>(std::clamp(v + 0.5f, 0.f, 255.f));
}

} // namespace

Picture resample(const Picture& source, int width, int height) {
    width = std::max(width, 1);
    height = std::max(height, 1);
    Picture out = Picture::blank(width, height);
    if (source.width <= 0 || source.height <= 0)
        return out;
    const Taps across = tapsFor(source.width, width);
    const Taps down = tapsFor(source.height, height);
    const std::size_t inStride = source.stride();

    // Columns first: one output row needs one float row of the source's width, so memory
    // stays small whatever the picture's height, and the inner loop runs along whole rows.
    // Across a row the taps of one output pixel are a run of blue-green-red triples; with
    // each weight repeated for the three channels, the sum is a plain element-wise product
    // over that run, in blocks of 12 (four pixels, three vectors of four).
    constexpr std::size_t kPixelsPerBlock = 4;
    constexpr std::size_t kBlock = 3 * kPixelsPerBlock;
    const std::size_t runLength =
        (static_cast<std::size_t>(across.stride) + kPixelsPerBlock - 1) / kPixelsPerBlock * kBlock;
    std::vector<float> weights3(static_cast<std::size_t>(width) * runLength, 0.f);
    for (std::size_t x = 0; x < static_cast<std::size_t>(width); ++x)
        for (std::size_t k = 0; k < static_cast<std::size_t>(across.count[x]); ++k)
            for (std::size_t c = 0; c < 3; ++c)
                weights3[x * runLength + 3 * k + c] =
                    across.weights[x * static_cast<std::size_t>(across.stride) + k];

    // The zeros past the row let the last runs read whole blocks.
    std::vector<float> column(inStride + runLength, 0.f);
    std::vector<const std::uint8_t*> rows(static_cast<std::size_t>(down.stride));
    for (int y = 0; y < height; ++y) {
        const auto yi = static_cast<std::size_t>(y);
        const int count = down.count[yi];
        for (int k = 0; k < count; ++k)
            rows[static_cast<std::size_t>(k)] = source.row(down.first[yi] + k);
        filterRows(rows.data(), &down.weights[yi * static_cast<std::size_t>(down.stride)], count,
                   inStride, column.data());
        std::uint8_t* dst = out.row(y);
        for (std::size_t x = 0; x < static_cast<std::size_t>(width); ++x) {
            const float* w = &weights3[x * runLength];
            const float* px = column.data() + 3 * static_cast<std::size_t>(across.first[x]);
            const std::size_t used =
                (static_cast<std::size_t>(across.count[x]) + kPixelsPerBlock - 1) /
                kPixelsPerBlock * kBlock;
            float sum[kBlock] = {};
            for (std::size_t i = 0; i < used; i += kBlock)
                for (std::size_t j = 0; j < kBlock; ++j)
                    sum[j] += w[i + j] * px[i + j];
            for (std::size_t c = 0; c < 3; ++c)
                dst[3 * x + c] = toByte(sum[c] + sum[c + 3] + sum[c + 6] + sum[c + 9]);
        }
    }
    return out;
}

} // namespace pixtrail::imaging
