#pragma once

#include "imaging/picture.hpp"

namespace pixtrail::imaging {

/// `source` resampled to `width` by `height` with a Lanczos filter (three lobes, widened by
/// the reduction factor so that every source pixel contributes; a reduction never skips
/// pixels as a plain stretch would). Sizes below 1 are taken as 1.
Picture resample(const Picture& source, int width, int height);

} // namespace pixtrail::imaging
