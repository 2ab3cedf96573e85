#pragma once

#include "imaging/picture.hpp"

#include <cstdint>
#include <vector>

namespace pixtrail::imaging {

/// The description a bitmap is created from; the field names and values are those of the
/// classic 40-byte bitmap header, so the layout below reads the same as anywhere else.
struct BitmapInfoHeader {
    std::int32_t biSize = 0;
    std::int32_t biWidth = 0;
    std::int32_t biHeight = 0; ///< positive: rows are stored bottom-up
    std::int16_t biPlanes = 0;
    std::int16_t biBitCount = 0;
    std::int32_t biCompression = 0; ///< 0: uncompressed
    std::int32_t biSizeImage = 0;
    std::int32_t biXPelsPerMeter = 0;
    std::int32_t biYPelsPerMeter = 0;
    std::int32_t biClrUsed = 0;
    std::int32_t biClrImportant = 0;
};

/// The in-memory 24-bit picture that carries a shrunk picture to the JPEG encoder: rows
/// stored bottom-up (memory row 0 is the picture's bottom row), three bytes per pixel in
/// blue, green, red order, each row padded to a multiple of 4 bytes. The byte of channel
/// c of column x in memory row r is at DIBSectionBitsPtr() + r * BytesPerScanLine() +
/// 3 * x + c.
///
/// An instance is Live (it owns pixel memory) or Empty. Width and Height report the size
/// last requested, also after a failed Create or a ClearUp. Size arithmetic is done in
/// 32-bit signed integers and an overflow throws RunError "Overflow".
class cDIBSection {
public:
    cDIBSection() = default;
    ~cDIBSection() { ClearUp(); }
    cDIBSection(const cDIBSection&) = delete;
    cDIBSection& operator=(const cDIBSection&) = delete;

    /// Writes the header for `lWidth` by `lHeight` and allocates zeroed pixel memory for
    /// it. False when no bitmap of that size can exist (a side of 0 or less, or memory
    /// refused). Frees nothing beforehand; Create does.
    bool CreateDIB(std::int32_t lWidth, std::int32_t lHeight);

    /// Fills the instance with a copy of `picThis`; a picture of no size leaves it Empty.
    void CreateFromPicture(const Picture& picThis);

    /// Frees any previous pixels, then creates a black bitmap; true when it is Live.
    bool Create(std::int32_t lWidth, std::int32_t lHeight);

    /// Bytes per stored row: 3 * Width rounded up to a multiple of 4.
    std::int32_t BytesPerScanLine() const;

    std::int32_t Width() const { return m_header.biWidth; }   ///< last requested width
    std::int32_t Height() const { return m_header.biHeight; } ///< last requested height

    /// Copies the rectangle of `source` at (lSrcLeft, lSrcTop) into this bitmap's top left
    /// corner. A negative width or height stands for this bitmap's own; the parts that
    /// fall outside either picture are left alone.
    void LoadPictureBlt(const Picture& source, std::int32_t lSrcLeft, std::int32_t lSrcTop,
                        std::int32_t lSrcWidth, std::int32_t lSrcHeight);

    /// First pixel byte (bottom row first); null while Empty.
    std::uint8_t* DIBSectionBitsPtr() { return m_bits.empty() ? nullptr : m_bits.data(); }
    const std::uint8_t* DIBSectionBitsPtr() const {
        return m_bits.empty() ? nullptr : m_bits.data();
    }

    /// True while the instance owns pixel memory.
    bool isLive() const { return !m_bits.empty(); }

    /// The header the bitmap was last created from.
    const BitmapInfoHeader& header() const { return m_header; }

    /// Frees the pixels; the header, and so Width and Height, stay. Harmless when Empty.
    void ClearUp();

private:
    BitmapInfoHeader m_header;
    std::vector<std::uint8_t> m_bits;
};

} // namespace pixtrail::imaging
