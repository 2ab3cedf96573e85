// The imaging room at its seams: the size and colours of shrunk and converted pictures and
// the files they go to. Test pictures are made and read with TurboJPEG, libpng and giflib.
#include "base/files.hpp"
#include "base/run_error.hpp"
#include "imaging/jpeg_reader.hpp"
#include "imaging/jpeg_writer.hpp"
#include "imaging/picture_format.hpp"
#include "imaging/png_gif_reader.hpp"
#include "imaging/resample.hpp"
#include "imaging/shrink.hpp"
#include "imaging/to_jpeg.hpp"
#include "shell/debug_log.hpp"
#include "support/file_stamps.hpp"
#include "support/png_gif_files.hpp"
#include "support/temp_folder.hpp"

#include <gtest/gtest.h>
#include <turbojpeg.h>

#include <filesystem>

using namespace pixtrail::imaging;
using namespace pixtrail::testing;
using namespace std::string_literals;
using std::string;
namespace base = pixtrail::base;

namespace {

using Colour = GifColour; // red, green, blue; pictures store them the other way round
constexpr Colour kRed{255, 0, 0}, kGreen{0, 255, 0}, kBlue{0, 0, 255}, kWhite{255, 255, 255};
const std::vector<Colour> kPalette = {kRed, kGreen, kBlue, {250, 250, 10}}; // for GIFs

void fill(Picture& p, int x0, int y0, int x1, int y1, Colour c) {
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x)
            p.row(y)[3 * x] = c.b, p.row(y)[3 * x + 1] = c.g, p.row(y)[3 * x + 2] = c.r;
}

Colour pixel(const Picture& p, int x, int y) {
    return {p.row(y)[3 * x + 2], p.row(y)[3 * x + 1], p.row(y)[3 * x]};
}

bool near(Colour a, Colour b, int t) {
    return std::abs(a.r - b.r) <= t && std::abs(a.g - b.g) <= t && std::abs(a.b - b.b) <= t;
}

Picture quarters(int w, int h) { // red and green over blue and white
    Picture p = Picture::blank(w, h);
    fill(p, 0, 0, w / 2, h / 2, kRed), fill(p, w / 2, 0, w, h / 2, kGreen);
    fill(p, 0, h / 2, w / 2, h, kBlue), fill(p, w / 2, h / 2, w, h, kWhite);
    return p;
}

bool sameQuarters(const Picture& a, const Picture& b) {
    const auto at = [](const Picture& p, int q) {
        return pixel(p, (q % 2 * 2 + 1) * p.width / 4, (q / 2 * 2 + 1) * p.height / 4);
    };
    return near(at(a, 0), at(b, 0), 16) && near(at(a, 1), at(b, 1), 16) &&
           near(at(a, 2), at(b, 2), 16) && near(at(a, 3), at(b, 3), 16);
}

string taken(tjhandle handle, unsigned char* buffer, unsigned long size) {
    string out(reinterpret_cast<char*>(buffer), size);
    tjFree(buffer);
    tjDestroy(handle);
    return out;
}

// JPEG bytes at quality 95 of `p`, or of `pixels` of its size in another pixel format.
string jpegOf(const Picture& p, int subsampling = TJSAMP_444, int flags = 0, int format = TJPF_BGR,
              const void* pixels = nullptr) {
    tjhandle handle = tjInitCompress();
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    tjCompress2(handle, static_cast<const unsigned char*>(pixels ? pixels : p.pixels.data()),
                p.width, 0, p.height, format, &buffer, &size, subsampling, 95, flags);
    return taken(handle, buffer, size);
}

// The stored JPEG that orientation `o` shows as `jpeg`, turned losslessly; unknown `o`: as is.
string storedAs(const string& jpeg, int o) {
    constexpr int kTurns[10] = {TJXOP_NONE,  TJXOP_NONE,      TJXOP_HFLIP,  TJXOP_ROT180,
                                TJXOP_VFLIP, TJXOP_TRANSPOSE, TJXOP_ROT270, TJXOP_TRANSVERSE,
                                TJXOP_ROT90, TJXOP_NONE};
    tjhandle handle = tjInitTransform();
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    tjtransform turn{{0, 0, 0, 0}, kTurns[o], TJXOPT_PERFECT, nullptr, nullptr};
    const auto* bytes = reinterpret_cast<const unsigned char*>(jpeg.data());
    tjTransform(handle, bytes, jpeg.size(), 1, &buffer, &size, &turn, 0);
    return taken(handle, buffer, size);
}

// The whole picture; empty when the library refuses the bytes.
Picture decoded(const string& jpeg) {
    tjhandle handle = tjInitDecompress();
    const auto* bytes = reinterpret_cast<const unsigned char*>(jpeg.data());
    int w = 0, h = 0, sampling = 0, colours = 0;
    tjDecompressHeader3(handle, bytes, jpeg.size(), &w, &h, &sampling, &colours);
    Picture p = Picture::blank(w, h);
    if (tjDecompress2(handle, bytes, jpeg.size(), p.pixels.data(), w, 0, h, TJPF_BGR, 0))
        p = {};
    tjDestroy(handle);
    return p;
}

// The first quantisation value, 16 scaled by (200 - 2 * quality) / 100, and whether colour is
// at full resolution (first component sampled 1 by 1); test pictures hold no marker early.
std::pair<int, bool> qualityAndFullColour(const string& jpeg) {
    return {std::uint8_t(jpeg.at(jpeg.find("\xFF\xDB") + 5)),
            jpeg.at(jpeg.find("\xFF\xC0") + 11) == 0x11};
}

string withClaimedSize(string jpeg, int width, int height) {
    const char size[4] = {char(height >> 8), char(height), char(width >> 8), char(width)};
    return jpeg.replace(jpeg.find("\xFF\xC0") + 5, 4, size, 4);
}

// `jpeg` with an EXIF directory of an unrelated entry and then the orientation, one SHORT.
string withExifOrientation(const string& jpeg, int orientation, bool bigEndian) {
    string tiff = bigEndian ? "MM\0*"s : "II*\0"s;
    const auto put = [&](unsigned value, int bytes) {
        for (int i = 0; i < bytes; ++i)
            tiff += char(value >> 8 * (bigEndian ? bytes - 1 - i : i));
    };
    put(8, 4), put(2, 2);                             // the directory at 8, two entries
    put(0x010F, 2), put(2, 2), put(6, 4), put(38, 4); // camera make, ASCII, 6 bytes at 38
    put(0x0112, 2), put(3, 2), put(1, 4), put(unsigned(orientation), 2), put(0, 2), put(0, 4);
    const std::size_t length = tiff.size() + 14;
    return jpeg.substr(0, 2) + "\xFF\xE1" + char(length >> 8) + char(length) + "Exif\0\0"s + tiff +
           "Maker\0"s + jpeg.substr(2);
}

// "number description" of the RunError `action` throws; empty when it throws none.
string failure(const std::function<void()>& action) try {
    action();
    return "";
} catch (const base::RunError& e) {
    return std::to_string(e.number()) + " " + e.description();
}
const string kInvalid = "481 Invalid picture";

string gifOf(int width, int height, const std::vector<GifFrame>& frames) {
    return writeTestGif(width, height, kPalette, frames);
}

} // namespace

TEST(Sizes, ShrinkTargetAndTheLimitOf100Megapixels) {
    // Width, height, box width and height, and the size shrunk to (0 x 0: left as it is):
    // the side with the larger ratio lands on its target, the other rounds, a half to even.
    const int targets[][6] = {{600, 300, 300, 300, 300, 150}, {300, 900, 300, 300, 100, 300},
                              {600, 600, 300, 200, 200, 200}, {301, 100, 300, 300, 300, 100},
                              {100000, 10, 300, 300, 300, 1}, {600, 301, 300, 300, 300, 150},
                              {600, 303, 300, 300, 300, 152}, {200, 100, 300, 300, 0, 0},
                              {300, 300, 300, 300, 0, 0},     {0, 600, 300, 300, 0, 0},
                              {600, 0, 300, 300, 0, 0},       {600, 300, 0, 300, 0, 0},
                              {600, 300, 300, -5, 0, 0}};
    for (const auto [w, h, boxW, boxH, x, y] : targets)
        EXPECT_EQ(shrinkTarget(w, h, boxW, boxH).value_or(PictureSize{}), (PictureSize{x, y}))
            << w << " x " << h << " in " << boxW << " x " << boxH;
    // Decoded at a reduction; the limit is judged from the header, before any pixel memory.
    const string jpeg = jpegOf(Picture::blank(64, 48));
    for (const int reduction : {2, 4, 8})
        EXPECT_EQ(decodeJpeg(jpeg, reduction).width, 64 / reduction) << reduction;
    EXPECT_EQ(readJpegHeader(withClaimedSize(jpeg, 10000, 10000)).width, 10000);
    EXPECT_EQ(failure([&] { readJpegHeader(withClaimedSize(jpeg, 10001, 10000)); }), kInvalid);
}

TEST(ShrinkBytes, ComesOutUprightInFullColourAt90WhateverTheJpegKind) {
    const Picture shown = quarters(192, 128);
    std::vector<std::uint8_t> inks; // as print exports store them: inverted, and no black
    for (std::size_t i = 0; i < shown.pixels.size(); i += 3)
        inks.insert(inks.end(), {shown.pixels[i + 2], shown.pixels[i + 1], shown.pixels[i], 255});
    const string jpeg = jpegOf(shown), grey = jpegOf(shown, TJSAMP_GRAY);
    const string cmyk = jpegOf(shown, TJSAMP_444, 0, TJPF_CMYK, inks.data());
    const std::size_t adobe = cmyk.find("\xFF\xEE"); // the mark of inverted inks
    const string plain = cmyk.substr(0, adobe) + cmyk.substr(adobe + 2 + cmyk[adobe + 3]);
    const std::tuple<const char*, string, Picture> cases[] = {
        {"4:4:4", jpeg, shown},
        {"4:2:0", jpegOf(shown, TJSAMP_420), shown},
        {"progressive", jpegOf(shown, TJSAMP_420, TJFLAG_PROGRESSIVE), shown},
        {"grey", grey, decoded(grey)},
        {"CMYK", cmyk, shown},
        {"CMYK, plain inks", plain, Picture::blank(192, 128)}};
    for (const auto& [what, bytes, want] : cases) {
        // 47 x 31: rows of 141 bytes, padded in the bitmap the encoder reads.
        const string shrunk = shrinkJpegBytes(bytes, 47, 40).value_or("");
        const Picture back = decoded(shrunk);
        EXPECT_TRUE(back.width == 47 && back.height == 31 && sameQuarters(back, want)) << what;
        EXPECT_EQ(qualityAndFullColour(shrunk), std::pair(3, true)) << what;
    }
    // Turned or mirrored and marked so (or marked with an unknown value), a picture comes out
    // as the plain one but for rounding where quarters meet; the box fits it as shown.
    const Picture reference = decoded(*shrinkJpegBytes(jpeg, 47, 40));
    for (int o = 0; o < 20; ++o) {
        const string marked = withExifOrientation(storedAs(jpeg, o / 2), o / 2, o % 2);
        EXPECT_EQ(shrinkJpegBytes(marked, 200, 130), std::nullopt) << o / 2;
        const Picture back = decoded(shrinkJpegBytes(marked, 47, 40).value_or(""));
        for (std::size_t i = 0; i < reference.pixels.size(); ++i)
            ASSERT_NEAR(back.pixels.at(i), reference.pixels[i], 24)
                << o / 2 << " " << o % 2 << ", byte " << i;
    }
}

// Written, refused or left alone, a picture keeps its permission bits and times, and its
// folder holds no other file: it is replaced whole or not at all.
TEST(ShrinkFile, RewritingKeepsTheOldStampAndAnythingElseLeavesTheFileAsItWas) {
    TempFolder dir, logs;
    pixtrail::shell::debugLog().setPath(logs.file("debug.txt"));
    pixtrail::shell::debugLog().setEnabled(true);
    const string path = dir.file("GC1 - Spoiler.jpg");
    const string wide = jpegOf(quarters(60, 40)), notSaved = "26001 Failed to save to JPG 1";
    cDIBSection dib;
    dib.CreateFromPicture(quarters(30, 20));
    const auto shrink = [&] { shrinkJpegFile(path, 30, 30); };
    // What is there, what is done, the error, and the quality of the picture written.
    const std::tuple<const char*, string, std::function<void()>, string, int> cases[] = {
        {"saved", "old", [&] { EXPECT_TRUE(SaveJPG(dib, path, 50)); }, "", 16},
        {"shrunk", wide, shrink, "", 3},
        {"quality 101", "old", [&] { SaveJPG(dib, path, 101); }, notSaved, 0},
        {"a failed rename", wide, [&] { base::failAtomicRenamesForTesting(true), shrink(); },
         "75 Cannot write '" + path + "': rename refused (test)", 0},
        {"a picture within the box", jpegOf(quarters(30, 20)), shrink, "", 0},
        {"a PNG named .jpg", writeTestPng(quarters(60, 40)), shrink, kInvalid, 0},
        {"a truncated JPEG", wide.substr(0, wide.size() / 2), shrink, kInvalid, 0},
        {"no file", "old", [&] { shrinkJpegFile(path + "x", 30, 30); }, "53 File not found", 0}};
    for (const auto& [what, old, action, error, quality] : cases) {
        dir.write("GC1 - Spoiler.jpg", old);
        ASSERT_TRUE(pixtrail::testing::putTestStamp(path));
        EXPECT_EQ(failure(action), error) << what;
        base::failAtomicRenamesForTesting(false);
        // A picture left alone was read, which may move its access time.
        EXPECT_TRUE(pixtrail::testing::carriesTestStamp(path, quality != 0)) << what;
        const string now = dir.read("GC1 - Spoiler.jpg");
        EXPECT_TRUE(quality ? sameQuarters(decoded(now), quarters(30, 20)) : now == old) << what;
        EXPECT_EQ(quality ? qualityAndFullColour(now).first : 0, quality) << what;
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1) << what;
    }
    // The trace tells why the encoder refused (a run's trace tells the rest).
    pixtrail::shell::debugLog().setEnabled(false);
    EXPECT_NE(logs.read("debug.txt").find(" JPEG encoder: "), string::npos);
}

TEST(PngGifReader, DrawsPngPixelsOverWhiteAndTheFirstGifFrameOnItsScreenWithin24Megapixels) {
    const Picture shown = quarters(4, 2);
    const Picture png = decodePngOrGif(writeTestPng(shown));
    EXPECT_EQ(std::pair(png.width, png.pixels), std::pair(4, shown.pixels));
    EXPECT_EQ(decoded(convertToJpeg(writeTestPng(shown), 0, 0)).width, 4) << "converted, no box";
    // Solid, clear, covering half: laid over white.
    const Picture laid = decodePngOrGif(writeTestPng(shown, {255, 0, 128, 255, 0, 0, 0, 0}));
    EXPECT_TRUE(near(pixel(laid, 0, 0), kRed, 0) && near(pixel(laid, 1, 0), kWhite, 0) &&
                near(pixel(laid, 2, 0), {128, 255, 128}, 87)); // green, blended: neither end

    // The rows drawn, '/' between them: a palette index, or '-' for white. An interlaced frame
    // is stored in passes: every 8th row from 0 and from 4, every 4th from 2, 2nd from 1.
    const std::tuple<const char*, string, string> gifs[] = {
        {"inside, 1 clear", gifOf(6, 4, {{2, 1, 3, 2, {0, 1, 2, 3, 0, 1}, false, 1}}),
         "------/--0-2-/--30--/------"},
        {"interlaced", gifOf(1, 11, {{0, 0, 1, 11, {0, 0, 0, 2, 2, 2, 1, 3, 1, 3, 1}, true}}),
         "0/1/2/3/0/1/2/3/0/1/2"},
        {"animated", gifOf(2, 1, {{0, 0, 2, 1, {2, 3}}, {0, 0, 2, 1, {1, 1}}}), "23"},
        {"no screen size", gifOf(0, 0, {{1, 1, 2, 1, {3, 0}}}), "---/-30"}};
    for (const auto& [what, bytes, rows] : gifs) {
        const Picture p = decodePngOrGif(bytes);
        const int w = int(std::min(rows.find('/'), rows.size()));
        ASSERT_EQ(std::pair(p.width, p.height), std::pair(w, int(rows.size() + 1) / (w + 1)))
            << what;
        for (int i = 0; i < p.width * p.height; ++i) {
            const char c = rows[i / w * (w + 1) + i % w];
            EXPECT_TRUE(near(pixel(p, i % w, i / w), c == '-' ? kWhite : kPalette[c - '0'], 0))
                << what << " at " << i;
        }
    }

    string noColours = gifOf(4, 4, {{0, 0, 4, 4, std::vector<std::uint8_t>(16, 3)}});
    noColours[10] &= 0x7F; // no global colour table, and the frame has none of its own
    noColours.erase(13, 3 * kPalette.size());
    const std::pair<const char*, string> refused[] = {
        {"nothing", ""},
        {"a JPEG", jpegOf(shown)},
        {"a GIF without colours", noColours},
        {"a GIF without a frame", "GIF89a\x01\x00\x01\x00\x00\x00\x00;"s},
        {"a pixel on a screen too large", gifOf(6001, 4000, {{0, 0, 1, 1, {1}}})},
        {"a PNG too large", writeTestPng(Picture::blank(6001, 4000))}};
    for (const auto& [what, bytes] : refused)
        EXPECT_EQ(failure([&bytes = bytes] { decodePngOrGif(bytes); }), kInvalid) << what;
    EXPECT_EQ(decodePngOrGif(gifOf(6000, 4000, {{0, 0, 1, 1, {1}}})).width, 6000) << "at the limit";
}

TEST(Resample, AveragesEverySourcePixelIntoItsPlace) {
    // Red ramps across, green down, blue is a one-pixel checkerboard. Reduced three times, each
    // pixel takes the ramps' value at its centre, and the checkerboard is averaged to grey.
    Picture p = Picture::blank(192, 144);
    for (int y = 0; y < 144; ++y)
        for (int x = 0; x < 192; ++x)
            fill(p, x, y, x + 1, y + 1,
                 {std::uint8_t(x), std::uint8_t(y), std::uint8_t((x + y) % 2 * 255)});
    const Picture small = resample(p, 64, 48);
    for (int i = 0; i < 64 * 48; ++i) {
        const int x = i % 64, y = i / 64, inside = x >= 3 && x < 61 && y >= 3 && y < 45;
        const Colour c = pixel(small, x, y); // the ramps are cut at the borders
        ASSERT_NEAR(c.b, 128, 12) << x << "," << y;
        ASSERT_TRUE(!inside || (std::abs(c.r - 3 * x - 1) <= 1 && std::abs(c.g - 3 * y - 1) <= 1))
            << x << "," << y;
    }
}

// A transfer that stopped early is told from a whole picture by the bytes alone, whatever
// follows the picture's end and whatever its header blocks hold.
TEST(PictureFormat, TellsAPictureCutShortFromAWholeOne) {
    const string jpeg = jpegOf(quarters(40, 30)), png = writeTestPng(quarters(20, 10));
    const string progressive = jpegOf(quarters(40, 30), TJSAMP_420, TJFLAG_PROGRESSIVE);
    // An EXIF thumbnail's end marker comes long before the photo's.
    const string thumbnail =
        jpeg.substr(0, 2) + "\xFF\xE1\x00\x0C"s + "Exif\0\0\xFF\xD8\xFF\xD9"s + jpeg.substr(2);
    string restarts = jpeg; // restart markers at the start of the scan data
    const std::size_t scan = jpeg.find("\xFF\xDA") + 14;
    restarts.insert(scan, "\xFF\xD0\x12\xFF\xD7"s);
    const string gif = gifOf(4, 2, {{0, 0, 4, 2, std::vector<std::uint8_t>(8, 1), false, 0}});
    const string webp = "RIFF\x1C\0\0\0WEBP"s + string(24, 'x');
    // Each whole, then cut to each of the sizes given.
    const std::tuple<const char*, string, std::vector<std::size_t>> pictures[] = {
        {"jpeg", jpeg, {jpeg.size() - 2, jpeg.size() / 2, 30}},
        {"jpeg and a video after it", jpeg + string(5000, 'v'), {}},
        {"jpeg with a thumbnail", thumbnail, {thumbnail.size() - 40}},
        {"progressive jpeg", progressive, {progressive.size() * 2 / 3}},
        {"jpeg with restart markers", restarts, {scan + 7}},
        {"png", png, {png.size() - 12, png.size() / 2, png.size() - 2}},
        {"gif", gif, {gif.size() - 1, gif.size() - 5, 36, 28, 10}}, // image, control block, header
        {"bmp", "BM\x3A\0\0\0"s + string(52, 'x'), {40, 3}},
        {"webp", webp, {30}},
        {"no picture", "<html>sign in</html>", {}}};
    for (const auto& [what, bytes, cuts] : pictures) {
        EXPECT_TRUE(endsWithItsPicture(bytes)) << what;
        for (const std::size_t size : cuts)
            EXPECT_FALSE(endsWithItsPicture(bytes.substr(0, size))) << what << " cut to " << size;
    }
    EXPECT_EQ(pictureFormat("<html>"), PictureFormat::None);
    EXPECT_EQ(pictureFormat(webp.substr(0, 12)), PictureFormat::Webp);
}
