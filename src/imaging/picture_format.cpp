#include "imaging/picture_format.hpp"

#include <cstdint>
#include <cstring>

namespace pixtrail::imaging {
namespace {

// Bytes of one body, read with bounds checks; every walk answers "cut short" as soon as it
// needs a byte that is not there.
class Bytes {
public:
    explicit Bytes(std::string_view bytes) : m_bytes(bytes) {}
    std::size_t size() const { return m_bytes.size(); }
    bool has(std::size_t pos, std::size_t count) const {
        return pos <= m_bytes.size() && count <= m_bytes.size() - pos;
    }
    std::uint8_t at(std::size_t pos) const { return static_cast<std::uint8_t>(m_bytes[pos]); }
    std::uint32_t be16(std::size_t pos) const {
        return (std::uint32_t{at(pos)} << 8u) | at(pos + 1);
    }
    std::uint32_t be32(std::size_t pos) const { return (be16(pos) << 16u) | be16(pos + 2); }
    std::uint32_t le32(std::size_t pos) const {
        return std::uint32_t{at(pos)} | (std::uint32_t{at(pos + 1)} << 8u) |
               (std::uint32_t{at(pos + 2)} << 16u) | (std::uint32_t{at(pos + 3)} << 24u);
    }
    /// Position of the next 0xFF at or after `pos`, or size() when there is none.
    std::size_t nextFF(std::size_t pos) const {
        if (pos >= m_bytes.size())
            return m_bytes.size();
        const void* hit = std::memchr(m_bytes.data() + pos, 0xFF, m_bytes.size() - pos);
        return hit ? static_cast<std::size_t>(static_cast<const char*>(hit) - m_bytes.data())
                   : m_bytes.size();
    }

private:
    std::string_view m_bytes;
};

bool isRestartOrStuffing(std::uint8_t marker) {
    return marker == 0x00 || (marker >= 0xD0 && marker <= 0xD7);
}

// Segments up to the end marker; after each scan header the entropy-coded data runs to the
// next marker that is neither stuffing nor a restart.
bool jpegComplete(const Bytes& b) {
    std::size_t pos = 2;
    for (;;) {
        if (!b.has(pos, 2))
            return false;
        if (b.at(pos) != 0xFF)
            return true; // damaged, not cut short
        const std::uint8_t marker = b.at(pos + 1);
        if (marker == 0xFF) { // fill byte before a marker
            ++pos;
            continue;
        }
        if (marker == 0xD9)
            return true;
        if (marker == 0x01 || marker == 0xD8 || (marker >= 0xD0 && marker <= 0xD7)) {
            pos += 2;
            continue;
        }
        if (!b.has(pos + 2, 2))
            return false;
        const std::size_t length = b.be16(pos + 2);
        if (!b.has(pos + 2, length))
            return false;
        pos += 2 + length;
        if (marker != 0xDA)
            continue;
        for (;;) {
            pos = b.nextFF(pos);
            if (!b.has(pos, 2))
                return false;
            const std::uint8_t next = b.at(pos + 1);
            if (isRestartOrStuffing(next))
                pos += 2;
            else if (next == 0xFF)
                pos += 1;
            else
                break;
        }
    }
}

bool pngComplete(const Bytes& b) {
    std::size_t pos = 8;
    for (;;) {
        if (!b.has(pos, 8))
            return false;
        const std::size_t length = b.be32(pos);
        const bool end = b.be32(pos + 4) == 0x49454E44u; // "IEND"
        if (!b.has(pos + 8, length) || !b.has(pos + 8 + length, 4))
            return false;
        if (end)
            return true;
        pos += 12 + length;
    }
}

// Data sub-blocks: a size byte, that many bytes, until a size of 0.
bool skipSubBlocks(const Bytes& b, std::size_t& pos) {
    for (;;) {
        if (!b.has(pos, 1))
            return false;
        const std::size_t size = b.at(pos);
        ++pos;
        if (size == 0)
            return true;
        pos += size;
    }
}

std::size_t colourTableBytes(std::uint8_t flags) {
    return (flags & 0x80u) ? 3u * (std::size_t{2} << (flags & 0x07u)) : 0;
}

bool gifComplete(const Bytes& b) {
    if (!b.has(0, 13))
        return false;
    std::size_t pos = 13 + colourTableBytes(b.at(10));
    for (;;) {
        if (!b.has(pos, 1))
            return false;
        switch (b.at(pos)) {
        case 0x3B: // trailer
            return true;
        case 0x21: // extension: label, then sub-blocks
            pos += 2;
            if (!skipSubBlocks(b, pos))
                return false;
            break;
        case 0x2C: // image: descriptor, local colours, code size, then sub-blocks
            if (!b.has(pos, 10))
                return false;
            pos += 10 + colourTableBytes(b.at(pos + 9)) + 1;
            if (!skipSubBlocks(b, pos))
                return false;
            break;
        default:
            return true; // damaged, not cut short
        }
    }
}

} // namespace

PictureFormat pictureFormat(std::string_view bytes) {
    auto starts = [&](std::string_view magic) { return bytes.substr(0, magic.size()) == magic; };
    if (starts("\xFF\xD8\xFF"))
        return PictureFormat::Jpeg;
    if (starts("\x89PNG\r\n\x1A\n"))
        return PictureFormat::Png;
    if (starts("GIF87a") || starts("GIF89a"))
        return PictureFormat::Gif;
    if (starts("BM"))
        return PictureFormat::Bmp;
    if (starts("RIFF") && bytes.size() >= 12 && bytes.substr(8, 4) == "WEBP")
        return PictureFormat::Webp;
    return PictureFormat::None;
}

bool endsWithItsPicture(std::string_view bytes) {
    const Bytes b(bytes);
    switch (pictureFormat(bytes)) {
    case PictureFormat::Jpeg:
        return jpegComplete(b);
    case PictureFormat::Png:
        return pngComplete(b);
    case PictureFormat::Gif:
        return gifComplete(b);
    case PictureFormat::Bmp:
        return !b.has(2, 4) ? false : b.size() >= b.le32(2);
    case PictureFormat::Webp:
        return std::uint64_t{b.le32(4)} + 8 <= b.size();
    case PictureFormat::None:
        break;
    }
    return true;
}

} // namespace pixtrail::imaging
