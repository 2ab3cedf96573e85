#include "base/run_error.hpp"
#include "imaging/jpeg_reader.hpp"
#include "imaging/shrink.hpp"

#include <cstddef>
#include <cstdint>
#include <string_view>

// Picture bytes of any kind, as a download delivers them: read the header, shrink.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    try {
        pixtrail::imaging::readJpegHeader(bytes);
        if (const auto shrunk = pixtrail::imaging::shrinkJpegBytes(bytes, 64, 48)) {
            // What the shrink writes is a sound picture within the box.
            const auto header = pixtrail::imaging::readJpegHeader(*shrunk);
            if (header.width > 64 || header.height > 48 || header.width < 1 || header.height < 1)
                __builtin_trap();
        }
    } catch (const pixtrail::base::RunError&) {
        // "Invalid picture" is the expected answer to bad bytes.
    }
    return 0;
}
