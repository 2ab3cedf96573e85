#include "imaging/dib_section.hpp"

#include "base/run_error.hpp"

#include <algorithm>
#include <cstring>
#include <limits>
#include <new>

namespace pixtrail::imaging {
namespace {

// Sizes are 32-bit signed like the header that carries them; a result that does not fit
// must stop the caller rather than wrap into a small allocation.
std::int32_t checked(std::int64_t value) {
    if (value > std::numeric_limits<std::int32_t>::max() ||
        value < std::numeric_limits<std::int32_t>::min())
        throw base::RunError(base::err::kOverflow, "cDIBSection", "Overflow");
    return static_cast<std::int32_t>(value);
}

} // namespace

std::int32_t cDIBSection::BytesPerScanLine() const {
    const std::int32_t bytes = checked(std::int64_t{3} * m_header.biWidth);
    return checked(std::int64_t{bytes} + 3) & ~std::int32_t{3};
}

bool cDIBSection::CreateDIB(std::int32_t lWidth, std::int32_t lHeight) {
    m_header = BitmapInfoHeader{};
    m_header.biSize = 40;
    m_header.biWidth = lWidth;
    m_header.biHeight = lHeight;
    m_header.biPlanes = 1;
    m_header.biBitCount = 24;
    m_header.biCompression = 0;
    m_header.biSizeImage = checked(std::int64_t{BytesPerScanLine()} * lHeight);
    if (lWidth <= 0 || lHeight <= 0)
        return false;
    try {
        m_bits.assign(static_cast<std::size_t>(m_header.biSizeImage), 0);
    } catch (const std::bad_alloc&) {
        m_bits.clear();
        return false;
    }
    return true;
}

bool cDIBSection::Create(std::int32_t lWidth, std::int32_t lHeight) {
    ClearUp();
    return CreateDIB(lWidth, lHeight);
}

void cDIBSection::CreateFromPicture(const Picture& picThis) {
    if (!Create(picThis.width, picThis.height))
        return;
    LoadPictureBlt(picThis, 0, 0, -1, -1);
}

void cDIBSection::LoadPictureBlt(const Picture& source, std::int32_t lSrcLeft, std::int32_t lSrcTop,
                                 std::int32_t lSrcWidth, std::int32_t lSrcHeight) {
    if (!isLive())
        return;
    const std::int64_t width = lSrcWidth < 0 ? Width() : lSrcWidth;
    const std::int64_t height = lSrcHeight < 0 ? Height() : lSrcHeight;
    // Clip the rectangle to both pictures, as a blit does.
    const std::int64_t x0 = std::max<std::int64_t>(0, -std::int64_t{lSrcLeft});
    const std::int64_t y0 = std::max<std::int64_t>(0, -std::int64_t{lSrcTop});
    const std::int64_t x1 =
        std::min({width, std::int64_t{Width()}, std::int64_t{source.width} - lSrcLeft});
    const std::int64_t y1 =
        std::min({height, std::int64_t{Height()}, std::int64_t{source.height} - lSrcTop});
    if (x0 >= x1 || y0 >= y1)
        return;
    const std::size_t stride = static_cast<std::size_t>(BytesPerScanLine());
    const auto bytes = static_cast<std::size_t>(3 * (x1 - x0));
    for (std::int64_t y = y0; y < y1; ++y) {
        const std::uint8_t* from = source.row(static_cast<int>(y + lSrcTop)) + 3 * (x0 + lSrcLeft);
        // The picture's top row is the last row in memory.
        std::uint8_t* to = m_bits.data() + static_cast<std::size_t>(Height() - 1 - y) * stride +
                           static_cast<std::size_t>(3 * x0);
        std::memcpy(to, from, bytes);
    }
}

void cDIBSection::ClearUp() {
    m_bits.clear();
    m_bits.shrink_to_fit();
}

} // namespace pixtrail::imaging
