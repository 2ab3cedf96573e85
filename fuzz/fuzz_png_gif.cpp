#include "base/run_error.hpp"
#include "imaging/png_gif_reader.hpp"
#include "imaging/to_jpeg.hpp"

#include <cstddef>
#include <cstdint>
#include <string_view>

// Picture bytes of any kind, as a stored PNG or GIF spoiler may hold them: decode, and
// convert to a JPEG within a box.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    try {
        const auto picture = pixtrail::imaging::decodePngOrGif(bytes);
        // A decoded picture is whole: every pixel of its size is there.
        if (picture.width < 1 || picture.height < 1 ||
            picture.pixels.size() != static_cast<std::size_t>(picture.width) *
                                         static_cast<std::size_t>(picture.height) * 3)
            __builtin_trap();
        pixtrail::imaging::convertToJpeg(bytes, 64, 48);
    } catch (const pixtrail::base::RunError&) {
        // "Invalid picture" is the expected answer to bad bytes.
    }
    return 0;
}
