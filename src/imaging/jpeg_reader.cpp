#include "imaging/jpeg_reader.hpp"

#include "base/run_error.hpp"

#include <turbojpeg.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

namespace pixtrail::imaging {
namespace {

[[noreturn]] void invalidPicture() {
    throw base::RunError(kInvalidPicture, "readJpeg", "Invalid picture");
}

struct TjDestroy {
    void operator()(void* handle) const { tjDestroy(handle); }
};
using TjHandle = std::unique_ptr<void, TjDestroy>;

TjHandle decompressor() {
    TjHandle handle(tjInitDecompress());
    if (!handle)
        throw base::RunError(base::err::kCannotCreateObject, "readJpeg",
                             "Cannot start the JPEG decoder");
    return handle;
}

const unsigned char* bytesOf(std::string_view s) {
    return reinterpret_cast<const unsigned char*>(s.data());
}

struct Size {
    int width = 0;
    int height = 0;
    int colorspace = TJCS_YCbCr;
};

Size readSize(tjhandle handle, std::string_view jpeg) {
    int width = 0, height = 0, subsampling = 0, colorspace = 0;
    if (jpeg.empty() || jpeg.size() > 0xFFFFFFFFu ||
        tjDecompressHeader3(handle, bytesOf(jpeg), static_cast<unsigned long>(jpeg.size()), &width,
                            &height, &subsampling, &colorspace) != 0)
        invalidPicture();
    if (width <= 0 || height <= 0 ||
        static_cast<long long>(width) * static_cast<long long>(height) > kMaxPicturePixels)
        invalidPicture();
    return {width, height, colorspace};
}

// Bounds-checked reads in the byte order a TIFF block declares.
class TiffReader {
public:
    TiffReader(std::string_view block, bool bigEndian) : m_block(block), m_bigEndian(bigEndian) {}
    bool has(std::size_t offset, std::size_t count) const {
        return offset <= m_block.size() && count <= m_block.size() - offset;
    }
    std::uint32_t u16(std::size_t offset) const {
        const auto a = static_cast<std::uint8_t>(m_block[offset]);
        const auto b = static_cast<std::uint8_t>(m_block[offset + 1]);
        return m_bigEndian ? (a << 8u) | b : (b << 8u) | a;
    }
    std::uint32_t u32(std::size_t offset) const {
        const std::uint32_t a = u16(offset);
        const std::uint32_t b = u16(offset + 2);
        return m_bigEndian ? (a << 16u) | b : (b << 16u) | a;
    }

private:
    std::string_view m_block;
    bool m_bigEndian;
};

int orientationInTiff(std::string_view tiff) {
    if (tiff.size() < 8)
        return 1;
    bool bigEndian = false;
    if (tiff.substr(0, 4) == std::string_view("MM\0*", 4))
        bigEndian = true;
    else if (tiff.substr(0, 4) != std::string_view("II*\0", 4))
        return 1;
    const TiffReader r(tiff, bigEndian);
    const std::size_t ifd = r.u32(4);
    if (!r.has(ifd, 2))
        return 1;
    const std::uint32_t entries = r.u16(ifd);
    constexpr std::uint32_t kOrientationTag = 0x0112;
    constexpr std::uint32_t kShort = 3;
    for (std::uint32_t i = 0; i < entries; ++i) {
        const std::size_t entry = ifd + 2 + 12 * std::size_t{i};
        if (!r.has(entry, 12))
            return 1;
        if (r.u16(entry) != kOrientationTag)
            continue;
        if (r.u16(entry + 2) != kShort || r.u32(entry + 4) != 1)
            return 1;
        const std::uint32_t value = r.u16(entry + 8);
        return value >= 1 && value <= 8 ? static_cast<int>(value) : 1;
    }
    return 1;
}

// The data of the first segment with `marker` whose data starts with `signature`, among the
// segments before the first scan; nullopt when there is none.
std::optional<std::string_view> segmentData(std::string_view jpeg, std::uint8_t wanted,
                                            std::string_view signature) {
    const auto byte = [&](std::size_t i) { return static_cast<std::uint8_t>(jpeg[i]); };
    if (jpeg.size() < 4 || byte(0) != 0xFF || byte(1) != 0xD8)
        return std::nullopt;
    std::size_t pos = 2;
    while (pos + 4 <= jpeg.size()) {
        if (byte(pos) != 0xFF)
            return std::nullopt;
        const std::uint8_t marker = byte(pos + 1);
        if (marker == 0xFF) { // fill byte
            ++pos;
            continue;
        }
        if (marker == 0xD9 || marker == 0xDA)
            return std::nullopt;
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) {
            pos += 2;
            continue;
        }
        const std::size_t length = (std::size_t{byte(pos + 2)} << 8u) | byte(pos + 3);
        if (length < 2 || pos + 2 + length > jpeg.size())
            return std::nullopt;
        const std::string_view data = jpeg.substr(pos + 4, length - 2);
        if (marker == wanted && data.substr(0, signature.size()) == signature)
            return data;
        pos += 2 + length;
    }
    return std::nullopt;
}

// Print and photo-editor exports are CMYK. The decoder hands the inks over as stored;
// Adobe's programs (which mark their files with an APP14 "Adobe" segment) store them
// inverted, 255 meaning no ink, and most CMYK JPEGs come from them. Converted in place,
// four bytes a pixel in, three out, so no second full-size buffer is needed.
void cmykToBgrInPlace(std::vector<std::uint8_t>& pixels, bool inverted) {
    const std::size_t count = pixels.size() / 4;
    for (std::size_t i = 0; i < count; ++i) {
        int c = pixels[4 * i], m = pixels[4 * i + 1], y = pixels[4 * i + 2], k = pixels[4 * i + 3];
        if (!inverted) {
            c = 255 - c;
            m = 255 - m;
            y = 255 - y;
            k = 255 - k;
        }
        pixels[3 * i] = static_cast<std::uint8_t>((y * k + 127) / 255);
        pixels[3 * i + 1] = static_cast<std::uint8_t>((m * k + 127) / 255);
        pixels[3 * i + 2] = static_cast<std::uint8_t>((c * k + 127) / 255);
    }
    pixels.resize(count * 3);
}

} // namespace

int exifOrientation(std::string_view jpeg) {
    const auto exif = segmentData(jpeg, 0xE1, std::string_view("Exif\0\0", 6));
    return exif ? orientationInTiff(exif->substr(6)) : 1;
}

std::size_t progressiveDecoderBytes(std::string_view jpeg) {
    for (const std::uint8_t frame : {0xC2, 0xC6, 0xCA, 0xCE}) { // the progressive frame kinds
        const auto sof = segmentData(jpeg, frame, {});
        if (!sof)
            continue;
        const auto at = [&](std::size_t i) { return static_cast<std::uint8_t>((*sof)[i]); };
        if (sof->size() < 6)
            return 0;
        const std::size_t height = (std::size_t{at(1)} << 8u) | at(2);
        const std::size_t width = (std::size_t{at(3)} << 8u) | at(4);
        const std::size_t components = at(5);
        if (sof->size() < 6 + 3 * components)
            return 0;
        std::size_t maxH = 1, maxV = 1;
        for (std::size_t c = 0; c < components; ++c) {
            maxH = std::max<std::size_t>(maxH, at(7 + 3 * c) >> 4u);
            maxV = std::max<std::size_t>(maxV, at(7 + 3 * c) & 15u);
        }
        std::size_t bytes = 0;
        for (std::size_t c = 0; c < components; ++c) {
            const std::size_t h = at(7 + 3 * c) >> 4u, v = at(7 + 3 * c) & 15u;
            const std::size_t blocksWide = (width * h / maxH + 7) / 8;
            const std::size_t blocksHigh = (height * v / maxV + 7) / 8;
            bytes += blocksWide * blocksHigh * 64 * 2; // 64 coefficients of 2 bytes a block
        }
        return bytes;
    }
    return 0;
}

JpegHeader readJpegHeader(std::string_view jpeg) {
    const TjHandle handle = decompressor();
    const Size size = readSize(handle.get(), jpeg);
    return {size.width, size.height, exifOrientation(jpeg)};
}

int decodeReduction(int width, int height, int minWidth, int minHeight) {
    for (const int reduction : {8, 4, 2}) {
        if (reducedSize(width, reduction) >= minWidth &&
            reducedSize(height, reduction) >= minHeight)
            return reduction;
    }
    return 1;
}

Picture decodeJpeg(std::string_view jpeg, int reduction) {
    const TjHandle handle = decompressor();
    const Size size = readSize(handle.get(), jpeg);
    if (reduction != 1 && reduction != 2 && reduction != 4 && reduction != 8)
        reduction = 1;
    const tjscalingfactor factor{1, reduction};
    Picture picture;
    picture.width = TJSCALED(size.width, factor);
    picture.height = TJSCALED(size.height, factor);
    const bool cmyk = size.colorspace == TJCS_CMYK || size.colorspace == TJCS_YCCK;
    picture.pixels.resize(static_cast<std::size_t>(picture.width) *
                          static_cast<std::size_t>(picture.height) * (cmyk ? 4 : 3));
    // A warning means damaged or missing data (a truncated download, for one): the decoder
    // would fill the gap with grey and call it done, so stop at once and refuse the
    // picture. The scan limit keeps a crafted progressive file from taking minutes.
    const int flags = TJFLAG_STOPONWARNING | TJFLAG_LIMITSCANS;
    if (tjDecompress2(handle.get(), bytesOf(jpeg), static_cast<unsigned long>(jpeg.size()),
                      picture.pixels.data(), picture.width, 0, picture.height,
                      cmyk ? TJPF_CMYK : TJPF_BGR, flags) != 0)
        invalidPicture();
    if (cmyk)
        cmykToBgrInPlace(picture.pixels, segmentData(jpeg, 0xEE, "Adobe").has_value());
    return picture;
}

} // namespace pixtrail::imaging
