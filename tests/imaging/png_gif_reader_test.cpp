#include "imaging/png_gif_reader.hpp"

#include "base/run_error.hpp"
#include "imaging/jpeg_reader.hpp"
#include "imaging/test_jpegs.hpp"
#include "imaging/to_jpeg.hpp"
#include "support/png_gif_files.hpp"

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <random>

namespace imaging = pixtrail::imaging;
namespace pt = pixtrail::testing;
using imaging::Picture;
using pt::Colour;
using pt::GifColour;
using pt::GifFrame;

namespace {

// A picture whose every pixel differs, so a swapped channel, row or column shows.
Picture distinctPixels(int width, int height) {
    Picture p = Picture::blank(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            pt::fill(p, x, y, x + 1, y + 1,
                     Colour{static_cast<std::uint8_t>(10 + 40 * x),
                            static_cast<std::uint8_t>(20 + 50 * y),
                            static_cast<std::uint8_t>(200 - 30 * x - 20 * y)});
    return p;
}

// What a pixel of a decoded GIF must be for a palette index.
Colour colourOf(GifColour c) {
    return Colour{c.b, c.g, c.r};
}

void expectInvalid(const std::function<void()>& read, const std::string& what) {
    try {
        read();
        ADD_FAILURE() << what << ": accepted";
    } catch (const pixtrail::base::RunError& e) {
        EXPECT_EQ(e.number(), imaging::kInvalidPicture) << what;
        EXPECT_EQ(e.description(), "Invalid picture") << what;
    }
}

std::uint32_t crc32(std::string_view bytes) {
    std::uint32_t crc = 0xFFFFFFFFu;
    for (unsigned char b : bytes) {
        crc ^= b;
        for (int k = 0; k < 8; ++k)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return crc ^ 0xFFFFFFFFu;
}

void putBigEndian(std::string& bytes, std::size_t at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i)
        bytes[at + static_cast<std::size_t>(i)] = static_cast<char>(value >> (24 - 8 * i));
}

// A PNG whose header claims another size, with a correct checksum, so only the size can
// be what the reader refuses.
std::string withClaimedPngSize(std::string png, std::uint32_t width, std::uint32_t height) {
    putBigEndian(png, 16, width);
    putBigEndian(png, 20, height);
    putBigEndian(png, 29, crc32(std::string_view(png).substr(12, 17)));
    return png;
}

const std::vector<GifColour> kPalette = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {250, 250, 10}};

// One pixel of palette index 0 in a frame of its own, written byte by byte: a logical
// screen of 1 x 1, a colour table when asked, and the smallest LZW stream (clear, 0, end).
std::string handMadeGif(bool withColourTable) {
    std::string gif("GIF89a\x01\x00\x01\x00", 10);
    gif += withColourTable
               ? std::string("\x80\x00\x00", 3) + std::string("\x10\x20\x30\x00\x00\x00", 6)
               : std::string("\x00\x00\x00", 3);
    gif += std::string("\x2C\x00\x00\x00\x00\x01\x00\x01\x00\x00", 10);
    gif += std::string("\x02\x02\x44\x01\x00\x3B", 6);
    return gif;
}

} // namespace

TEST(PngReader, DecodesEveryPixelInPlaceAndLaysTransparencyOverWhite) {
    const Picture original = distinctPixels(5, 3);
    const std::string png = pt::writeTestPng(original);
    EXPECT_TRUE(imaging::looksLikePng(png));
    EXPECT_FALSE(imaging::looksLikeGif(png));
    const Picture decoded = imaging::decodePng(png);
    EXPECT_EQ(decoded.width, 5);
    EXPECT_EQ(decoded.height, 3);
    EXPECT_EQ(decoded.pixels, original.pixels);
    EXPECT_EQ(imaging::decodePngOrGif(png).pixels, original.pixels);

    // Blue, green, red, alpha: clear red, solid blue, half-covered black.
    const std::vector<std::uint8_t> bgra = {0, 0, 255, 0, 255, 0, 0, 255, 0, 0, 0, 128};
    const Picture laid = imaging::decodePng(pt::writeTestPngWithAlpha(3, 1, bgra));
    EXPECT_TRUE(pt::near(pt::pixel(laid, 0, 0), pt::kWhite, 0));
    EXPECT_TRUE(pt::near(pt::pixel(laid, 1, 0), pt::kBlue, 0));
    const Colour half = pt::pixel(laid, 2, 0);
    EXPECT_GT(half.g, 40);
    EXPECT_LT(half.g, 215);
    EXPECT_EQ(half.r, half.g);
    EXPECT_EQ(half.b, half.g);
}

TEST(GifReader, DrawsTheFirstFrameOnItsScreenInTheRightRows) {
    // A frame inside a larger screen with a transparent index: white around and through it.
    GifFrame inner{2, 1, 3, 2, {0, 1, 2, 3, 0, 1}, false, 1};
    const std::string gif = pt::writeTestGif(6, 4, kPalette, {inner});
    EXPECT_TRUE(imaging::looksLikeGif(gif));
    const Picture p = imaging::decodeGif(gif);
    ASSERT_EQ(p.width, 6);
    ASSERT_EQ(p.height, 4);
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 6; ++x) {
            Colour want = pt::kWhite;
            if (x >= 2 && x < 5 && y >= 1 && y < 3) {
                const int index = inner.indices[static_cast<std::size_t>((y - 1) * 3 + x - 2)];
                if (index != 1)
                    want = colourOf(kPalette[static_cast<std::size_t>(index)]);
            }
            EXPECT_TRUE(pt::near(pt::pixel(p, x, y), want, 0)) << x << "," << y;
        }
    }

    // Interlaced rows arrive in four passes; each row has its own colour.
    std::vector<GifColour> sixteen;
    for (int i = 0; i < 16; ++i)
        sixteen.push_back({static_cast<std::uint8_t>(i * 16),
                           static_cast<std::uint8_t>(255 - i * 16),
                           static_cast<std::uint8_t>(i * 7)});
    GifFrame rows{0, 0, 2, 11, {}, true, -1};
    for (int y = 0; y < 11; ++y)
        rows.indices.insert(rows.indices.end(), 2, static_cast<std::uint8_t>(y));
    const Picture interlaced = imaging::decodePngOrGif(pt::writeTestGif(2, 11, sixteen, {rows}));
    for (int y = 0; y < 11; ++y)
        EXPECT_TRUE(pt::near(pt::pixel(interlaced, 1, y),
                             colourOf(sixteen[static_cast<std::size_t>(y)]), 0))
            << "row " << y;

    // An animation shows its first frame.
    const GifFrame red{0, 0, 2, 2, {0, 0, 0, 0}};
    const GifFrame green{0, 0, 2, 2, {1, 1, 1, 1}};
    const Picture first = imaging::decodeGif(pt::writeTestGif(2, 2, kPalette, {red, green}));
    EXPECT_TRUE(pt::near(pt::pixel(first, 1, 1), pt::kRed, 0));

    // The hand-made stream the refusals below start from is sound with a colour table.
    const Picture one = imaging::decodeGif(handMadeGif(true));
    ASSERT_EQ(one.width, 1);
    EXPECT_TRUE(pt::near(pt::pixel(one, 0, 0), Colour{0x30, 0x20, 0x10}, 0));
}

TEST(PngGifReader, RefusesBrokenAndOversizedPicturesWithInvalidPicture) {
    const std::string png = pt::writeTestPng(distinctPixels(4, 4));
    const GifFrame frame{0, 0, 4, 4, {0, 1, 2, 3, 3, 2, 1, 0, 0, 0, 1, 1, 2, 2, 3, 3}};
    const std::string gif = pt::writeTestGif(4, 4, kPalette, {frame});

    expectInvalid([] { imaging::decodePngOrGif(""); }, "empty");
    expectInvalid([&] { imaging::decodePngOrGif(pt::encodeTestJpeg(distinctPixels(4, 4))); },
                  "a JPEG");
    expectInvalid([&] { imaging::decodePng(gif); }, "a GIF read as PNG");
    expectInvalid([&] { imaging::decodeGif(png); }, "a PNG read as GIF");
    expectInvalid([] { imaging::decodeGif(handMadeGif(false)); }, "no colour table");
    expectInvalid(
        [] { imaging::decodeGif(std::string("GIF89a\x01\x00\x01\x00\x00\x00\x00;", 14)); },
        "no frame");

    // Decompression bombs: sizes over 24 megapixels are refused from the headers.
    expectInvalid([&] { imaging::decodePng(withClaimedPngSize(png, 6001, 4000)); },
                  "PNG of 24.004 megapixels");
    std::string bigScreen = gif;
    bigScreen.replace(6, 4, "\xFF\xFF\xFF\xFF", 4);
    expectInvalid([&] { imaging::decodeGif(bigScreen); }, "GIF screen of 65535 x 65535");
    // A one-pixel frame on a screen of 4097 x 23819, 53 bytes in all: 290 MB to draw.
    const std::string tinyFrameHugeScreen(
        "GIF89a\x01\x10\x0B\x5D\x80\x20\x00\x10\x20\x30\x00\x00\x00\x21\xF9\x04\x01\x00"
        "\x01\x01\x00\x2C\x00\xC7\x00\x00\x01\x00\x01\x00\x00\x02\x02\x44\x01\x00\x00"
        "\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x3B",
        53);
    expectInvalid([&] { imaging::decodeGif(tinyFrameHugeScreen); }, "GIF screen of 97 megapixels");
    std::string bigFrame = gif;
    const std::size_t descriptor = 13 + 3 * kPalette.size();
    ASSERT_EQ(bigFrame[descriptor], ',');
    bigFrame.replace(6, 4, std::string(4, '\0')); // no screen size: the frame's own counts
    bigFrame.replace(descriptor + 5, 4, "\x20\x4E\x20\x4E", 4); // 20000 x 20000
    expectInvalid([&] { imaging::decodeGif(bigFrame); }, "GIF frame of 20000 x 20000");

    // Cut anywhere, a picture is refused or, when only its trailer is missing, complete.
    const Picture wantPng = imaging::decodePng(png);
    const Picture wantGif = imaging::decodeGif(gif);
    for (const auto& [bytes, want] : {std::pair{png, wantPng}, std::pair{gif, wantGif}}) {
        for (std::size_t size = 0; size < bytes.size(); ++size) {
            try {
                const Picture got = imaging::decodePngOrGif(bytes.substr(0, size));
                EXPECT_EQ(got.pixels, want.pixels) << "cut at " << size;
            } catch (const pixtrail::base::RunError& e) {
                EXPECT_EQ(e.description(), "Invalid picture") << "cut at " << size;
            }
        }
    }

    // Damaged bytes anywhere never crash or hang the reader.
    std::mt19937 random(7);
    for (const std::string& original : {png, gif}) {
        for (int trial = 0; trial < 400; ++trial) {
            std::string damaged = original;
            for (int k = 0; k < 3; ++k)
                damaged[random() % damaged.size()] = static_cast<char>(random());
            try {
                const Picture got = imaging::decodePngOrGif(damaged);
                EXPECT_EQ(got.pixels.size(), static_cast<std::size_t>(got.width) *
                                                 static_cast<std::size_t>(got.height) * 3);
            } catch (const pixtrail::base::RunError& e) {
                EXPECT_EQ(e.number(), imaging::kInvalidPicture);
            }
        }
    }
}

TEST(ConvertToJpeg, GivesAQuality90JpegShrunkToTheBoxOnlyWhenAsked) {
    // Left half red, right half blue: the halves must survive the shrink where they were.
    Picture wide = pt::solidPicture(400, 200, pt::kRed);
    pt::fill(wide, 200, 0, 400, 200, pt::kBlue);
    const std::string png = pt::writeTestPng(wide);

    const std::string shrunk = imaging::convertToJpeg(png, 100, 100);
    EXPECT_EQ(pt::firstQuantValue(shrunk), 3) << "quality 90";
    const Picture small = pt::decodeTestJpeg(shrunk);
    ASSERT_EQ(small.width, 100);
    ASSERT_EQ(small.height, 50);
    EXPECT_TRUE(pt::near(pt::pixel(small, 10, 25), pt::kRed, 12));
    EXPECT_TRUE(pt::near(pt::pixel(small, 90, 25), pt::kBlue, 12));

    // No box, or a box the picture fits: its own size.
    const Picture whole = pt::decodeTestJpeg(imaging::convertToJpeg(png, 0, 0));
    EXPECT_EQ(whole.width, 400);
    EXPECT_EQ(whole.height, 200);
    const Picture fits = pt::decodeTestJpeg(imaging::convertToJpeg(png, 2000, 2000));
    EXPECT_EQ(fits.width, 400);

    const GifFrame frame{0, 0, 2, 2, {3, 3, 3, 3}};
    const Picture fromGif =
        pt::decodeTestJpeg(imaging::convertToJpeg(pt::writeTestGif(2, 2, kPalette, {frame}), 0, 0));
    ASSERT_EQ(fromGif.width, 2);
    EXPECT_TRUE(pt::near(pt::pixel(fromGif, 0, 0), colourOf(kPalette[3]), 12));

    expectInvalid([] { imaging::convertToJpeg("not a picture", 100, 100); }, "text");
    expectInvalid([&] { imaging::convertToJpeg(png.substr(0, png.size() / 2), 100, 100); },
                  "half a PNG");
}
