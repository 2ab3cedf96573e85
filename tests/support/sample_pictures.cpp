#include "support/sample_pictures.hpp"

#include "imaging/dib_section.hpp"
#include "imaging/jpeg_writer.hpp"

#include <cmath>

namespace pixtrail::testing {

std::string texturedJpeg(int width, int height, int seed) {
    imaging::cDIBSection dib;
    dib.Create(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            // Smooth shapes plus fine grain, so the encoder has real work to do.
            const double wave = std::sin(x * 0.013 + seed) * std::cos(y * 0.011 - seed);
            const double grain =
                (unsigned(x) * 2654435761u ^ unsigned(y + seed) * 2246822519u) >> 27;
            const double bgr[3] = {90 + 60 * wave, 120 + 50 * std::sin(y * 0.02), 140 - 70 * wave};
            for (int c = 0; c < 3; ++c) // the bitmap's rows run bottom-up
                dib.DIBSectionBitsPtr()[(height - 1 - y) * dib.BytesPerScanLine() + 3 * x + c] =
                    static_cast<std::uint8_t>(bgr[c] + grain);
        }
    return imaging::encodeJpeg(dib, 90);
}

} // namespace pixtrail::testing
