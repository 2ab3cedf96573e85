#pragma once

#include "imaging/picture.hpp"

#include <cstdint>
#include <string>
#include <vector>

// PNG and GIF files for tests, written with libpng and giflib directly so the checks do
// not lean on the code that reads them.
namespace pixtrail::testing {

/// PNG bytes of a picture, 8-bit RGB; with `alpha` (one byte a pixel) 8-bit RGBA.
std::string writeTestPng(const imaging::Picture& picture,
                         const std::vector<std::uint8_t>& alpha = {});

struct GifColour {
    std::uint8_t r = 0, g = 0, b = 0;
};

/// A GIF frame: its place on the screen, its colour indices in the order stored (row by
/// row; an interlaced frame's in its four passes), and the index drawn transparent, if any.
struct GifFrame {
    int left = 0, top = 0, width = 0, height = 0;
    std::vector<std::uint8_t> indices;
    bool interlaced = false;
    int transparent = -1;
};

/// GIF89a bytes: a screen with `palette` (2, 4 ... 256 colours) as colour table, and frames.
std::string writeTestGif(int screenWidth, int screenHeight, const std::vector<GifColour>& palette,
                         const std::vector<GifFrame>& frames);

} // namespace pixtrail::testing
