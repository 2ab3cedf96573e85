#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// A decoded picture in the order pictures are read and shown: rows top to bottom, three
// bytes per pixel in blue, green, red order (the order the bitmap and the encoder use, so
// no step on the way swaps channels), rows packed without padding.
namespace pixtrail::imaging {

/// A decoded 24-bit picture, top row first.
struct Picture {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> pixels; ///< width * height * 3 bytes

    /// An all-black picture of the given size.
    static Picture blank(int width, int height);

    std::size_t stride() const { return static_cast<std::size_t>(width) * 3; }
    std::uint8_t* row(int y) { return pixels.data() + static_cast<std::size_t>(y) * stride(); }
    const std::uint8_t* row(int y) const {
        return pixels.data() + static_cast<std::size_t>(y) * stride();
    }
};

/// The picture as it is meant to be seen, for an EXIF orientation value 1..8 (the way the
/// stored rows map onto the shown picture). Values 5 to 8 swap width and height; values
/// outside 1..8 are taken as 1.
Picture orientUpright(const Picture& stored, int orientation);

/// True for the orientations whose shown picture is the stored one turned on its side.
constexpr bool swapsSides(int orientation) {
    return orientation >= 5 && orientation <= 8;
}

} // namespace pixtrail::imaging
