#include "support/sample_pictures.hpp"

#include "imaging/dib_section.hpp"
#include "imaging/jpeg_writer.hpp"
#include "imaging/picture.hpp"

#include <cmath>

namespace pixtrail::testing {

std::string texturedJpeg(int width, int height, int seed) {
    imaging::Picture picture = imaging::Picture::blank(width, height);
    for (int y = 0; y < height; ++y) {
        std::uint8_t* row = picture.row(y);
        for (int x = 0; x < width; ++x) {
            // Smooth shapes plus fine grain, so the encoder has real work to do.
            const double wave = std::sin(x * 0.013 + seed) * std::cos(y * 0.011 - seed);
            const unsigned grain = (static_cast<unsigned>(x) * 2654435761u ^
                                    static_cast<unsigned>(y + seed) * 2246822519u) >>
                                   27;
            row[3 * x] = static_cast<std::uint8_t>(90 + 60 * wave + grain);
            row[3 * x + 1] = static_cast<std::uint8_t>(120 + 50 * std::sin(y * 0.02) + grain);
            row[3 * x + 2] = static_cast<std::uint8_t>(140 - 70 * wave + grain);
        }
    }
    imaging::cDIBSection dib;
    dib.CreateFromPicture(picture);
    return imaging::encodeJpeg(dib, 90);
}

} // namespace pixtrail::testing
