#include "imaging/picture.hpp"

#include <cstring>

namespace pixtrail::imaging {

Picture Picture::blank(int width, int height) {
    Picture p;
    p.width = width;
    p.height = height;
    p.pixels.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 3, 0);
    return p;
}

Picture orientUpright(const Picture& stored, int orientation) {
    if (orientation < 2 || orientation > 8)
        return stored;
    const int sw = stored.width;
    const int sh = stored.height;
    const bool turned = swapsSides(orientation);
    Picture shown = Picture::blank(turned ? sh : sw, turned ? sw : sh);
    for (int y = 0; y < shown.height; ++y) {
        std::uint8_t* out = shown.row(y);
        for (int x = 0; x < shown.width; ++x) {
            // Where the shown pixel (x, y) lies in the stored rows.
            int sx = x;
            int sy = y;
            switch (orientation) {
            case 2:
                sx = sw - 1 - x;
                break;
            case 3:
                sx = sw - 1 - x;
                sy = sh - 1 - y;
                break;
            case 4:
                sy = sh - 1 - y;
                break;
            case 5:
                sx = y;
                sy = x;
                break;
            case 6:
                sx = y;
                sy = sh - 1 - x;
                break;
            case 7:
                sx = sw - 1 - y;
                sy = sh - 1 - x;
                break;
            case 8:
                sx = sw - 1 - y;
                sy = x;
                break;
            default:
                break;
            }
            std::memcpy(out + 3 * static_cast<std::size_t>(x),
                        stored.row(sy) + 3 * static_cast<std::size_t>(sx), 3);
        }
    }
    return shown;
}

} // namespace pixtrail::imaging
