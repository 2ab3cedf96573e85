#include "imaging/test_jpegs.hpp"

#include <turbojpeg.h>

#include <cstdlib>
#include <stdexcept>

namespace pixtrail::testing {
namespace {

const unsigned char* bytesOf(std::string_view s) {
    return reinterpret_cast<const unsigned char*>(s.data());
}

int byteAt(std::string_view s, std::size_t i) {
    return static_cast<std::uint8_t>(s[i]);
}

// Position of the first segment with `marker` before the scan data; npos when none.
std::size_t findSegment(std::string_view jpeg, int marker) {
    std::size_t pos = 2;
    while (pos + 4 <= jpeg.size() && byteAt(jpeg, pos) == 0xFF) {
        const int m = byteAt(jpeg, pos + 1);
        if (m == marker)
            return pos;
        if (m == 0xDA)
            break;
        pos += 2 + ((std::size_t(byteAt(jpeg, pos + 2)) << 8) | std::size_t(byteAt(jpeg, pos + 3)));
    }
    return std::string_view::npos;
}

void put16(std::string& s, unsigned v, bool bigEndian) {
    if (bigEndian) {
        s += static_cast<char>(v >> 8);
        s += static_cast<char>(v & 0xFF);
    } else {
        s += static_cast<char>(v & 0xFF);
        s += static_cast<char>(v >> 8);
    }
}

void put32(std::string& s, unsigned v, bool bigEndian) {
    if (bigEndian) {
        put16(s, v >> 16, true);
        put16(s, v & 0xFFFF, true);
    } else {
        put16(s, v & 0xFFFF, false);
        put16(s, v >> 16, false);
    }
}

} // namespace

imaging::Picture solidPicture(int width, int height, Colour colour) {
    imaging::Picture p = imaging::Picture::blank(width, height);
    fill(p, 0, 0, width, height, colour);
    return p;
}

void fill(imaging::Picture& picture, int x0, int y0, int x1, int y1, Colour colour) {
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x) {
            std::uint8_t* px = picture.row(y) + 3 * x;
            px[0] = colour.b;
            px[1] = colour.g;
            px[2] = colour.r;
        }
}

Colour pixel(const imaging::Picture& picture, int x, int y) {
    const std::uint8_t* px = picture.row(y) + 3 * x;
    return {px[0], px[1], px[2]};
}

bool near(Colour a, Colour b, int tolerance) {
    return std::abs(a.b - b.b) <= tolerance && std::abs(a.g - b.g) <= tolerance &&
           std::abs(a.r - b.r) <= tolerance;
}

std::string encodeTestJpeg(const imaging::Picture& picture, int quality, int subsampling) {
    tjhandle handle = tjInitCompress();
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    const int result = tjCompress2(handle, picture.pixels.data(), picture.width, 0, picture.height,
                                   TJPF_BGR, &buffer, &size, subsampling, quality, 0);
    std::string out = result == 0 ? std::string(reinterpret_cast<char*>(buffer), size) : "";
    tjFree(buffer);
    tjDestroy(handle);
    if (result != 0)
        throw std::runtime_error("test picture could not be encoded");
    return out;
}

imaging::Picture decodeTestJpeg(std::string_view jpeg) {
    tjhandle handle = tjInitDecompress();
    int width = 0, height = 0, sub = 0, space = 0;
    imaging::Picture p;
    if (tjDecompressHeader3(handle, bytesOf(jpeg), jpeg.size(), &width, &height, &sub, &space) ==
        0) {
        p = imaging::Picture::blank(width, height);
        if (tjDecompress2(handle, bytesOf(jpeg), jpeg.size(), p.pixels.data(), width, 0, height,
                          TJPF_BGR, 0) != 0)
            p = {};
    }
    tjDestroy(handle);
    return p;
}

std::string withExifOrientation(std::string_view jpeg, int orientation, bool bigEndian) {
    // TIFF header, then one directory with an unrelated entry and the orientation.
    std::string tiff = bigEndian ? std::string("MM\0*", 4) : std::string("II*\0", 4);
    put32(tiff, 8, bigEndian);
    put16(tiff, 2, bigEndian);
    put16(tiff, 0x010F, bigEndian); // camera make, ASCII, stored elsewhere
    put16(tiff, 2, bigEndian);
    put32(tiff, 6, bigEndian);
    put32(tiff, 38, bigEndian);
    put16(tiff, 0x0112, bigEndian); // orientation, one SHORT
    put16(tiff, 3, bigEndian);
    put32(tiff, 1, bigEndian);
    put16(tiff, static_cast<unsigned>(orientation), bigEndian);
    put16(tiff, 0, bigEndian);
    put32(tiff, 0, bigEndian); // no next directory
    tiff += std::string("Maker\0", 6);
    const std::string data = std::string("Exif\0\0", 6) + tiff;
    std::string segment = "\xFF\xE1";
    put16(segment, static_cast<unsigned>(data.size() + 2), true);
    segment += data;
    std::string out(jpeg.substr(0, 2));
    out += segment;
    out += jpeg.substr(2);
    return out;
}

std::string withClaimedSize(std::string_view jpeg, int width, int height) {
    const std::size_t sof = findSegment(jpeg, 0xC0);
    if (sof == std::string_view::npos)
        throw std::runtime_error("no baseline frame header");
    std::string out(jpeg);
    out[sof + 5] = static_cast<char>(height >> 8);
    out[sof + 6] = static_cast<char>(height & 0xFF);
    out[sof + 7] = static_cast<char>(width >> 8);
    out[sof + 8] = static_cast<char>(width & 0xFF);
    return out;
}

int firstQuantValue(std::string_view jpeg) {
    const std::size_t dqt = findSegment(jpeg, 0xDB);
    if (dqt == std::string_view::npos)
        return -1;
    return byteAt(jpeg, dqt + 5); // after length and the precision/table byte
}

std::string samplingFactors(std::string_view jpeg) {
    const std::size_t sof = findSegment(jpeg, 0xC0);
    if (sof == std::string_view::npos)
        return "";
    const int components = byteAt(jpeg, sof + 9);
    std::string out;
    for (int c = 0; c < components; ++c) {
        const int factors = byteAt(jpeg, sof + 10 + 3 * c + 1);
        out += std::to_string(factors >> 4) + std::to_string(factors & 0x0F);
    }
    return out;
}

std::string pngFile() {
    static const unsigned char kPng[] = {
        0x89, 0x50, 0x4E, 0x47, 0x0D, 0x0A, 0x1A, 0x0A, 0x00, 0x00, 0x00, 0x0D, 0x49, 0x48,
        0x44, 0x52, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x01, 0x08, 0x06, 0x00, 0x00,
        0x00, 0x1F, 0x15, 0xC4, 0x89, 0x00, 0x00, 0x00, 0x0A, 0x49, 0x44, 0x41, 0x54, 0x78,
        0x9C, 0x63, 0x00, 0x01, 0x00, 0x00, 0x05, 0x00, 0x01, 0x0D, 0x0A, 0x2D, 0xB4, 0x00,
        0x00, 0x00, 0x00, 0x49, 0x45, 0x4E, 0x44, 0xAE, 0x42, 0x60, 0x82};
    return std::string(reinterpret_cast<const char*>(kPng), sizeof kPng);
}

} // namespace pixtrail::testing
