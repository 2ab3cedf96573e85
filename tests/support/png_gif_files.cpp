#include "support/png_gif_files.hpp"

#include <gif_lib.h>
#include <png.h>

#include <stdexcept>

namespace pixtrail::testing {
namespace {

void check(bool ok) {
    if (!ok)
        throw std::runtime_error("libpng or giflib cannot write the test picture");
}

} // namespace

std::string writeTestPng(const imaging::Picture& picture, const std::vector<std::uint8_t>& alpha) {
    std::vector<std::uint8_t> bgra;
    for (std::size_t i = 0; i < alpha.size(); ++i)
        bgra.insert(bgra.end(), {picture.pixels[3 * i], picture.pixels[3 * i + 1],
                                 picture.pixels[3 * i + 2], alpha[i]});
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(picture.width);
    image.height = static_cast<png_uint_32>(picture.height);
    image.format = alpha.empty() ? PNG_FORMAT_BGR : PNG_FORMAT_BGRA;
    image.flags = PNG_IMAGE_FLAG_FAST;
    png_alloc_size_t size = PNG_IMAGE_PNG_SIZE_MAX(image);
    std::string bytes(size, '\0');
    check(png_image_write_to_memory(&image, bytes.data(), &size, 0,
                                    alpha.empty() ? picture.pixels.data() : bgra.data(), 0,
                                    nullptr));
    bytes.resize(size);
    return bytes;
}

std::string writeTestGif(int screenWidth, int screenHeight, const std::vector<GifColour>& palette,
                         const std::vector<GifFrame>& frames) {
    const OutputFunc append = [](GifFileType* gif, const GifByteType* bytes, int length) {
        static_cast<std::string*>(gif->UserData)
            ->append(reinterpret_cast<const char*>(bytes), static_cast<std::size_t>(length));
        return length;
    };
    std::string out;
    int error = 0;
    GifFileType* gif = EGifOpen(&out, append, &error); // null only when memory runs out
    EGifSetGifVersion(gif, true);
    std::vector<GifColorType> colours;
    for (const GifColour& c : palette)
        colours.push_back({c.r, c.g, c.b});
    ColorMapObject* map = GifMakeMapObject(static_cast<int>(colours.size()), colours.data());
    check(EGifPutScreenDesc(gif, screenWidth, screenHeight, 8, 0, map) == GIF_OK);
    GifFreeMapObject(map);
    for (const GifFrame& frame : frames) {
        GraphicsControlBlock control{DISPOSAL_UNSPECIFIED, false, 0, frame.transparent};
        GifByteType block[4];
        const auto length = static_cast<int>(EGifGCBToExtension(&control, block));
        check(frame.transparent < 0 ||
              EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, length, block) == GIF_OK);
        check(EGifPutImageDesc(gif, frame.left, frame.top, frame.width, frame.height,
                               frame.interlaced, nullptr) == GIF_OK);
        std::vector<GifPixelType> indices(frame.indices.begin(), frame.indices.end());
        check(EGifPutLine(gif, indices.data(), frame.width * frame.height) == GIF_OK);
    }
    check(EGifCloseFile(gif, &error) == GIF_OK);
    return out;
}

} // namespace pixtrail::testing
