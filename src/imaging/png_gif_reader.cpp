#include "imaging/png_gif_reader.hpp"

#include "base/run_error.hpp"
#include "imaging/jpeg_reader.hpp"

#include <gif_lib.h>
#include <png.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

namespace pixtrail::imaging {
namespace {

constexpr std::uint8_t kWhite = 255;

[[noreturn]] void invalidPicture(const char* source) {
    throw base::RunError(kInvalidPicture, source, "Invalid picture");
}

bool tooLarge(long long width, long long height) {
    return width <= 0 || height <= 0 || width * height > kMaxDecodedPixels;
}

// Frees the reader's state however the read ends.
struct PngImage {
    png_image image{};
    PngImage() { image.version = PNG_IMAGE_VERSION; }
    ~PngImage() { png_image_free(&image); }
    PngImage(const PngImage&) = delete;
    PngImage& operator=(const PngImage&) = delete;
};

// The bytes a GIF decoder asks for, served from memory; a read past the end gets what is
// left, which the decoder reports as a premature end.
struct MemoryInput {
    std::string_view bytes;
    std::size_t position = 0;
};

int readGifBytes(GifFileType* gif, GifByteType* buffer, int length) {
    auto* input = static_cast<MemoryInput*>(gif->UserData);
    const std::size_t wanted = length > 0 ? static_cast<std::size_t>(length) : 0;
    const std::size_t n = std::min(wanted, input->bytes.size() - input->position);
    std::memcpy(buffer, input->bytes.data() + input->position, n);
    input->position += n;
    return static_cast<int>(n);
}

struct GifClose {
    void operator()(GifFileType* gif) const {
        int error = 0;
        DGifCloseFile(gif, &error);
    }
};
using GifHandle = std::unique_ptr<GifFileType, GifClose>;

// Skips an extension's data blocks, keeping the transparent colour index of a graphics
// control block (it applies to the frame that follows).
void readExtension(GifFileType* gif, int& transparent) {
    int code = 0;
    GifByteType* block = nullptr;
    if (DGifGetExtension(gif, &code, &block) == GIF_ERROR)
        invalidPicture("readGif");
    if (code == GRAPHICS_EXT_FUNC_CODE && block && block[0] >= 4) {
        GraphicsControlBlock control{};
        if (DGifExtensionToGCB(block[0], block + 1, &control) == GIF_OK)
            transparent = control.TransparentColor;
    }
    while (block) {
        if (DGifGetExtensionNext(gif, &block) == GIF_ERROR)
            invalidPicture("readGif");
    }
}

// Decodes the current frame's rows onto the canvas.
Picture drawFrame(GifFileType* gif, int transparent) {
    const GifImageDesc& frame = gif->Image;
    if (tooLarge(frame.Width, frame.Height))
        invalidPicture("readGif");
    const ColorMapObject* colours = frame.ColorMap ? frame.ColorMap : gif->SColorMap;
    if (!colours || !colours->Colors || colours->ColorCount <= 0)
        invalidPicture("readGif");

    // A screen of no size (some writers leave it out) is taken to be the frame's extent.
    const long long canvasWidth =
        gif->SWidth > 0 ? gif->SWidth : static_cast<long long>(frame.Left) + frame.Width;
    const long long canvasHeight =
        gif->SHeight > 0 ? gif->SHeight : static_cast<long long>(frame.Top) + frame.Height;
    if (tooLarge(canvasWidth, canvasHeight))
        invalidPicture("readGif");

    Picture canvas = Picture::blank(static_cast<int>(canvasWidth), static_cast<int>(canvasHeight));
    std::fill(canvas.pixels.begin(), canvas.pixels.end(), kWhite);

    // Interlaced frames arrive in four passes over every 8th, 8th, 4th and 2nd row.
    static constexpr int kPassStart[] = {0, 4, 2, 1};
    static constexpr int kPassStep[] = {8, 8, 4, 2};
    std::vector<int> rowOrder;
    rowOrder.reserve(static_cast<std::size_t>(frame.Height));
    if (frame.Interlace) {
        for (int pass = 0; pass < 4; ++pass)
            for (int y = kPassStart[pass]; y < frame.Height; y += kPassStep[pass])
                rowOrder.push_back(y);
    } else {
        for (int y = 0; y < frame.Height; ++y)
            rowOrder.push_back(y);
    }

    std::vector<GifPixelType> line(static_cast<std::size_t>(frame.Width));
    for (const int y : rowOrder) {
        if (DGifGetLine(gif, line.data(), frame.Width) == GIF_ERROR)
            invalidPicture("readGif");
        const long long canvasY = static_cast<long long>(frame.Top) + y;
        if (canvasY < 0 || canvasY >= canvas.height)
            continue;
        std::uint8_t* row = canvas.row(static_cast<int>(canvasY));
        for (int x = 0; x < frame.Width; ++x) {
            const long long canvasX = static_cast<long long>(frame.Left) + x;
            const int index = line[static_cast<std::size_t>(x)];
            // An index past the table has no colour to show; it stays background.
            if (canvasX >= canvas.width || index == transparent || index >= colours->ColorCount)
                continue;
            const GifColorType& c = colours->Colors[index];
            std::uint8_t* p = row + 3 * canvasX;
            p[0] = c.Blue;
            p[1] = c.Green;
            p[2] = c.Red;
        }
    }
    return canvas;
}

} // namespace

bool looksLikePng(std::string_view bytes) {
    return bytes.substr(0, 8) == std::string_view("\x89PNG\r\n\x1A\n", 8);
}

bool looksLikeGif(std::string_view bytes) {
    return bytes.substr(0, 6) == "GIF87a" || bytes.substr(0, 6) == "GIF89a";
}

Picture decodePng(std::string_view png) {
    if (!looksLikePng(png))
        invalidPicture("readPng");
    PngImage reader;
    png_image& image = reader.image;
    if (!png_image_begin_read_from_memory(&image, png.data(), png.size()))
        invalidPicture("readPng");
    if (tooLarge(image.width, image.height))
        invalidPicture("readPng");
    image.format = PNG_FORMAT_BGR;
    Picture picture;
    picture.width = static_cast<int>(image.width);
    picture.height = static_cast<int>(image.height);
    try {
        picture.pixels.resize(PNG_IMAGE_SIZE(image));
    } catch (const std::bad_alloc&) {
        invalidPicture("readPng");
    }
    const png_color white{kWhite, kWhite, kWhite};
    if (!png_image_finish_read(&image, &white, picture.pixels.data(), 0, nullptr))
        invalidPicture("readPng");
    return picture;
}

Picture decodeGif(std::string_view gifBytes) {
    if (!looksLikeGif(gifBytes))
        invalidPicture("readGif");
    MemoryInput input{gifBytes};
    int error = 0;
    const GifHandle gif(DGifOpen(&input, readGifBytes, &error));
    if (!gif)
        invalidPicture("readGif");
    int transparent = NO_TRANSPARENT_COLOR;
    // Every record either consumes input or ends the loop, so bytes that never reach a
    // frame run out and fail instead of spinning.
    for (;;) {
        GifRecordType type = UNDEFINED_RECORD_TYPE;
        if (DGifGetRecordType(gif.get(), &type) == GIF_ERROR)
            invalidPicture("readGif");
        if (type == EXTENSION_RECORD_TYPE) {
            readExtension(gif.get(), transparent);
        } else if (type == IMAGE_DESC_RECORD_TYPE) {
            if (DGifGetImageDesc(gif.get()) == GIF_ERROR)
                invalidPicture("readGif");
            try {
                return drawFrame(gif.get(), transparent);
            } catch (const std::bad_alloc&) {
                invalidPicture("readGif");
            }
        } else {
            invalidPicture("readGif"); // the end, or a record no GIF has: no frame at all
        }
    }
}

Picture decodePngOrGif(std::string_view bytes) {
    if (looksLikePng(bytes))
        return decodePng(bytes);
    if (looksLikeGif(bytes))
        return decodeGif(bytes);
    invalidPicture("readPicture");
}

} // namespace pixtrail::imaging
