#pragma once

#include "imaging/dib_section.hpp"

#include <string>
#include <string_view>

// Writing a cDIBSection as a JPEG. The encoder reads the bitmap's memory in place (bottom-up
// rows, blue-green-red pixels, the padded row stride), so no copy of the pixels is made.
namespace pixtrail::imaging {

/// Error number of every encoder failure.
constexpr int kJpegWriterError = 26001;

/// The picture in `dib` as JPEG bytes at `quality` (0..100), colour at full resolution in
/// both directions (small pictures lose visibly with halved colour). Throws RunError
/// kJpegWriterError "Failed to save to JPG " + code when the encoder refuses (an Empty
/// bitmap, a quality outside 0..100), or "Failed to initialise the IJL library: " + code
/// when no encoder can be started.
std::string encodeJpeg(const cDIBSection& dib, int quality);

/// Writes `dib` as a JPEG file at `path` at `quality`; true when written. A file already at
/// the path is replaced only once the new one is complete (a failed encode or write leaves
/// it as it was), and the new file keeps its access and modification times and permission
/// bits. Throws the RunErrors of encodeJpeg, or the file-access RunError of the write.
bool SaveJPG(const cDIBSection& dib, std::string_view path, int quality);

} // namespace pixtrail::imaging
