#pragma once

#include <string>

namespace pixtrail::testing {

/// A photographic-looking JPEG (textured, not flat) of the given size, quality 90.
std::string texturedJpeg(int width, int height, int seed);

} // namespace pixtrail::testing
