#include "support/png_gif_files.hpp"

#include <gif_lib.h>
#include <png.h>

#include <stdexcept>

namespace pixtrail::testing {
namespace {

std::string writePng(png_image& image, const void* pixels) {
    png_alloc_size_t size = 0;
    if (!png_image_write_to_memory(&image, nullptr, &size, 0, pixels, 0, nullptr))
        throw std::runtime_error("libpng cannot size the test picture");
    std::string bytes(size, '\0');
    if (!png_image_write_to_memory(&image, bytes.data(), &size, 0, pixels, 0, nullptr))
        throw std::runtime_error("libpng cannot write the test picture");
    bytes.resize(size);
    return bytes;
}

int appendBytes(GifFileType* gif, const GifByteType* bytes, int length) {
    static_cast<std::string*>(gif->UserData)
        ->append(reinterpret_cast<const char*>(bytes), static_cast<std::size_t>(length));
    return length;
}

void check(int result, const char* what) {
    if (result == GIF_ERROR)
        throw std::runtime_error(std::string("giflib cannot write the test picture: ") + what);
}

} // namespace

std::string writeTestPng(const imaging::Picture& picture) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(picture.width);
    image.height = static_cast<png_uint_32>(picture.height);
    image.format = PNG_FORMAT_BGR;
    return writePng(image, picture.pixels.data());
}

std::string writeTestPngWithAlpha(int width, int height, const std::vector<std::uint8_t>& bgra) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(width);
    image.height = static_cast<png_uint_32>(height);
    image.format = PNG_FORMAT_BGRA;
    return writePng(image, bgra.data());
}

std::string writeTestGif(int screenWidth, int screenHeight, const std::vector<GifColour>& palette,
                         const std::vector<GifFrame>& frames) {
    std::string out;
    int error = 0;
    GifFileType* gif = EGifOpen(&out, appendBytes, &error);
    if (!gif)
        throw std::runtime_error("giflib cannot start a test picture");
    EGifSetGifVersion(gif, true);
    std::vector<GifColorType> colours;
    for (const GifColour& c : palette)
        colours.push_back({c.r, c.g, c.b});
    ColorMapObject* map = GifMakeMapObject(static_cast<int>(colours.size()), colours.data());
    check(EGifPutScreenDesc(gif, screenWidth, screenHeight, 8, 0, map), "screen");
    GifFreeMapObject(map);
    for (const GifFrame& frame : frames) {
        if (frame.transparent >= 0) {
            GraphicsControlBlock control{};
            control.TransparentColor = frame.transparent;
            GifByteType block[4];
            const size_t length = EGifGCBToExtension(&control, block);
            check(EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, static_cast<int>(length), block),
                  "control block");
        }
        check(EGifPutImageDesc(gif, frame.left, frame.top, frame.width, frame.height,
                               frame.interlaced, nullptr),
              "frame");
        std::vector<int> rows;
        if (frame.interlaced) {
            const int start[] = {0, 4, 2, 1};
            const int step[] = {8, 8, 4, 2};
            for (int pass = 0; pass < 4; ++pass)
                for (int y = start[pass]; y < frame.height; y += step[pass])
                    rows.push_back(y);
        } else {
            for (int y = 0; y < frame.height; ++y)
                rows.push_back(y);
        }
        for (int y : rows) {
            std::vector<GifPixelType> line(frame.indices.begin() + y * frame.width,
                                           frame.indices.begin() + (y + 1) * frame.width);
            check(EGifPutLine(gif, line.data(), frame.width), "line");
        }
    }
    if (EGifCloseFile(gif, &error) == GIF_ERROR)
        throw std::runtime_error("giflib cannot finish a test picture");
    return out;
}

} // namespace pixtrail::testing
