#pragma once

#include "imaging/picture.hpp"

#include <cstdint>
#include <string>
#include <vector>

// PNG and GIF files for tests, written with libpng and giflib directly so the checks do
// not lean on the code that reads them.
namespace pixtrail::testing {

/// PNG bytes of a picture (8-bit RGB).
std::string writeTestPng(const imaging::Picture& picture);

/// PNG bytes of a picture with transparency: `bgra` holds four bytes per pixel, top row
/// first, in blue, green, red, alpha order.
std::string writeTestPngWithAlpha(int width, int height, const std::vector<std::uint8_t>& bgra);

struct GifColour {
    std::uint8_t r = 0, g = 0, b = 0;
};

/// One frame of a GIF: its place on the screen and one colour index per pixel, row by row
/// from the top (the writer puts them in interlaced order when asked).
struct GifFrame {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> indices;
    bool interlaced = false;
    int transparent = -1; ///< index written as transparent in a graphics control block
};

/// GIF89a bytes: a logical screen with `palette` as its global colour table (a size of 2,
/// 4, 8 ... 256 entries), then the frames.
std::string writeTestGif(int screenWidth, int screenHeight, const std::vector<GifColour>& palette,
                         const std::vector<GifFrame>& frames);

} // namespace pixtrail::testing
